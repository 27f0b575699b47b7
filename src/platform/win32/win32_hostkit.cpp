#include "platform/win32/win32_hostkit.h"

#include "hostkit_exports.h"
#include "platform/win32/wide.h"

namespace purgeon {

bool Win32Hostkit::Is64BitOs() {
    return Dll_Is64BitOs() != 0;
}

std::uint32_t Win32Hostkit::GetSamDesiredx6432() {
    return Dll_GetSamDesiredx6432();
}

bool Win32Hostkit::EnableWow64FsRedirection(bool enable) {
    return Dll_EnableWow64FsRedirection(enable ? 1 : 0) != 0;
}

bool Win32Hostkit::CommonRegDeleteKey(RegKey root, const std::u16string& sub_key,
                                      std::uint8_t use_64bit_view) {
    HKEY hkey;
    switch (root) {
        case kHkeyClassesRoot:
            hkey = HKEY_CLASSES_ROOT;
            break;
        case kHkeyCurrentUser:
            hkey = HKEY_CURRENT_USER;
            break;
        case kHkeyLocalMachine:
            hkey = HKEY_LOCAL_MACHINE;
            break;
        case kHkeyUsers:
            hkey = HKEY_USERS;
            break;
        default:
            hkey = reinterpret_cast<HKEY>(root);
    }
    return Dll_Common_RegDeleteKey(hkey, Wide(sub_key), use_64bit_view) != 0;
}

HostkitTable Win32Hostkit::InitFunctionTable() {
    return InitDll_Hostkit();
}

int Win32Hostkit::NetIsConnected(HostkitTable table) {
    if (table == nullptr) return 0;
    auto* slots = static_cast<HostkitFunctionTable*>(table);
    auto net_is_connected = reinterpret_cast<Net_IsConnected_Fn>(slots->slots[kSlotNetIsConnected]);
    return net_is_connected != nullptr ? net_is_connected() : 0;
}

namespace {

// The restore-point exports are looked up when first used, not imported:
// purgeon.exe imports only the five functions the window program uses.
template <typename Fn>
Fn HostkitExport(const char* name) {
    HMODULE module = GetModuleHandleW(L"Hostkit.dll");
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

using SrCall = BYTE(__stdcall*)();
using SrBeginCall = BYTE(__stdcall*)(const wchar_t*);

bool CallSr(const char* name) {
    const SrCall call = HostkitExport<SrCall>(name);
    return call != nullptr && call() != 0;
}

}  // namespace

bool Win32Hostkit::SrInit() {
    return CallSr("Dll_SR_Init");
}

bool Win32Hostkit::SrBegin(const std::u16string& description) {
    const SrBeginCall call = HostkitExport<SrBeginCall>("Dll_SR_Begin");
    return call != nullptr && call(Wide(description)) != 0;
}

bool Win32Hostkit::SrCancel() {
    return CallSr("Dll_SR_Cancel");
}

bool Win32Hostkit::SrEnd() {
    return CallSr("Dll_SR_End");
}

}  // namespace purgeon
