#include "platform/memory/memory_hostkit.h"

namespace purgeon {

std::uint32_t MemoryHostkit::GetSamDesiredx6432() {
    return Is64BitOs() ? (kKeyAllAccess | kKeyWow64_64Key) : kKeyAllAccess;
}

bool MemoryHostkit::EnableWow64FsRedirection(bool enable) {
    redirection_calls_.push_back(enable);
    if (Is64BitOs()) redirection_disabled_ = !enable;
    return true;
}

bool MemoryHostkit::CommonRegDeleteKey(RegKey root, const std::u16string& sub_key,
                                       std::uint8_t use_64bit_view) {
    // An empty key path names `root` itself, which is never deleted.
    if (sub_key.find_first_not_of(u'\\') == std::u16string::npos) return false;
    const std::uint32_t sam =
        use_64bit_view == 1 ? (kKeyAllAccess | kKeyWow64_64Key) : kKeyAllAccess;
    ScopedRegKey key(registry_);
    if (registry_.OpenKey(root, sub_key, sam, key.Receive()) != kErrorSuccess) return false;
    std::uint32_t sub_keys = 0;
    if (registry_.QueryInfoKey(key.Get(), &sub_keys, nullptr) != kErrorSuccess) return false;
    // As in the DLL: DeleteTree with an empty name only empties the key.
    RegStatus status = sub_keys == 0 ? kErrorSuccess : registry_.DeleteTree(key.Get(), u"");
    if (status == kErrorSuccess) status = registry_.DeleteKey(key.Get(), u"", sam);
    return status == kErrorSuccess;
}

HostkitTable MemoryHostkit::InitFunctionTable() {
    tables_.push_back(std::make_unique<char[]>(128));
    return tables_.back().get();
}

int MemoryHostkit::NetIsConnected(HostkitTable table) {
    return table != nullptr && connected_ ? 1 : 0;
}

}  // namespace purgeon
