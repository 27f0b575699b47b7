#include "inventory/Unit_K_Registry_Proc.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "inventory/Unit_String_Proc.h"

namespace purgeon {

namespace {

const std::u16string kInstallerFoldersKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders\\";
const std::u16string kInstallerUserDataKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";

// Data larger than this is not taken as text at all: no program value is
// near it, and reading it would only let a hostile value exhaust memory.
constexpr std::uint32_t kMaxValueBytes = 16u << 20;

RegStatus OpenView(RegistryPort& reg, RegKey root, const std::u16string& path, bool view64,
                   ScopedRegKey& key) {
    if (root == 0) return kErrorInvalidHandle;
    return reg.OpenKey(root, path, RegistryViewMask(view64), key.Receive());
}

// Visits every sub-key name (untrimmed) of an open key, in registry order.
// Names that do not fit the 255-character buffer are skipped.
template <typename Visit>
void ForEachSubKeyName(RegistryPort& reg, RegKey key, Visit&& visit) {
    std::uint32_t count = 0;
    if (reg.QueryInfoKey(key, &count, nullptr) != kErrorSuccess) return;
    std::u16string name;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (reg.EnumKey(key, i, kRegNameBufferChars, &name) != kErrorSuccess) continue;
        if (!visit(name)) return;
    }
}

template <typename Visit>
void ForEachValueName(RegistryPort& reg, RegKey key, Visit&& visit) {
    std::uint32_t count = 0;
    if (reg.QueryInfoKey(key, nullptr, &count) != kErrorSuccess) return;
    std::u16string name;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (reg.EnumValue(key, i, kRegNameBufferChars, &name) != kErrorSuccess) continue;
        visit(name);
    }
}

}  // namespace

bool RegQueryText(RegistryPort& reg, RegKey key, const std::u16string& name, std::u16string& text) {
    // Most texts fit a small buffer: one read, and a second one with the
    // size the first reported only for a longer value (on Windows each read
    // is a call into the kernel).
    std::uint8_t small[512];
    std::uint32_t size = sizeof small;
    const RegStatus first = reg.QueryValue(key, name, nullptr, small, &size);
    if (first == kErrorSuccess) {
        text = RegDataToText(small, std::min<std::size_t>(size, sizeof small));
        return true;
    }
    if (first != kErrorMoreData) return false;
    for (int attempt = 0; attempt < 2; ++attempt) {  // the value may grow between the calls
        if (size > kMaxValueBytes) return false;
        std::vector<std::uint8_t> buffer(std::max<std::uint32_t>(size, 2u));
        std::uint32_t read = std::uint32_t(buffer.size());
        const RegStatus status = reg.QueryValue(key, name, nullptr, buffer.data(), &read);
        if (status == kErrorSuccess) {
            text = RegDataToText(buffer.data(), std::min<std::size_t>(read, buffer.size()));
            return true;
        }
        if (status != kErrorMoreData) return false;
        size = read;
    }
    return false;
}

namespace {

void AppendSubKeys(RegistryPort& reg, RegKey root, const std::u16string& path, StringList& out,
                   bool view64) {
    ScopedRegKey key(reg);
    if (OpenView(reg, root, path, view64, key) != kErrorSuccess) return;
    ForEachSubKeyName(reg, key.Get(), [&](const std::u16string& name) {
        out.push_back(Trim(name));
        return true;
    });
}

}  // namespace

std::u16string RegDataToText(const std::uint8_t* data, std::size_t size) {
    std::u16string text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = char16_t(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

RegKey Reg_RootFromName(std::u16string_view name) {
    if (name == u"HKLM") return kHkeyLocalMachine;
    if (name == u"HKCU") return kHkeyCurrentUser;
    if (name == u"HKU") return kHkeyUsers;
    if (name == u"HKCR") return kHkeyClassesRoot;
    return 0;
}

bool Reg_EnumSubKeys(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                     StringList& out, bool view64) {
    out.clear();
    AppendSubKeys(reg, root, key_path, out, view64);
    return true;
}

bool Reg_EnumValueNames(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                        StringList& out, bool view64) {
    out.clear();
    ScopedRegKey key(reg);
    if (OpenView(reg, root, key_path, view64, key) != kErrorSuccess) return false;
    ForEachValueName(reg, key.Get(), [&](const std::u16string& name) {
        std::u16string trimmed = Trim(name);
        if (!trimmed.empty()) out.push_back(std::move(trimmed));
    });
    return true;
}

bool Reg_EnumValues(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                    StringList& names, bool view64, StringList* texts) {
    names.clear();
    ScopedRegKey key(reg);
    if (OpenView(reg, root, key_path, view64, key) != kErrorSuccess) return false;
    ForEachValueName(reg, key.Get(), [&](const std::u16string& name) {
        std::u16string trimmed = Trim(name);
        std::u16string text;
        if (trimmed.empty() || !RegQueryText(reg, key.Get(), name, text)) return;
        names.push_back(std::move(trimmed));
        if (texts) texts->push_back(Trim(text));
    });
    return true;
}

void Reg_FindSubKey(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                    const std::u16string& key_name, std::u16string& out_path, bool view64) {
    out_path.clear();
    const std::u16string wanted = AsciiUpper(Trim(key_name));

    // Depth first with an explicit stack of open levels, so that a deep
    // registry cannot exhaust the call stack.
    struct Level {
        std::u16string path;
        std::unique_ptr<ScopedRegKey> key;
        std::uint32_t count = 0;
        std::uint32_t index = 0;
    };
    std::vector<Level> stack;
    auto open_level = [&](const std::u16string& path) {
        Level level{path, std::make_unique<ScopedRegKey>(reg)};
        if (OpenView(reg, root, path, view64, *level.key) != kErrorSuccess) return false;
        if (reg.QueryInfoKey(level.key->Get(), &level.count, nullptr) != kErrorSuccess)
            level.count = 0;
        stack.push_back(std::move(level));
        return true;
    };
    if (!open_level(key_path)) return;

    std::u16string name;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.index >= level.count) {
            stack.pop_back();
            continue;
        }
        const std::uint32_t index = level.index++;
        if (reg.EnumKey(level.key->Get(), index, kRegNameBufferChars, &name) != kErrorSuccess)
            continue;
        const std::u16string trimmed = Trim(name);
        if (AsciiUpper(trimmed) == wanted) {
            out_path = level.path + key_name + u"\\";
            return;
        }
        // Only sub-keys that have sub-keys of their own are descended into.
        const std::u16string child_path = Trim(level.path + trimmed + u"\\");
        ScopedRegKey child(reg);
        std::uint32_t child_count = 0;
        if (OpenView(reg, root, child_path, view64, child) != kErrorSuccess) continue;
        if (reg.QueryInfoKey(child.Get(), &child_count, nullptr) != kErrorSuccess ||
            child_count == 0)
            continue;
        child.Reset();
        open_level(child_path);
    }
}

bool Reg_ReadString(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                    const std::u16string& value_name, bool view64, std::u16string& text) {
    text.clear();
    ScopedRegKey key(reg);
    if (OpenView(reg, root, key_path, view64, key) != kErrorSuccess) return false;
    return RegQueryText(reg, key.Get(), value_name, text);
}

bool Reg_LocationExists(RegistryPort& reg, const std::u16string& location, bool view64) {
    StringList pieces;
    Str_SplitByBar(location, pieces);
    if (pieces.size() != 2 && pieces.size() != 3) return false;
    const RegKey root = Reg_RootFromName(pieces[0]);
    if (root == 0) return false;
    ScopedRegKey key(reg);
    if (reg.OpenKey(root, pieces[1], kKeyRead | (view64 ? kKeyWow64_64Key : 0), key.Receive()) !=
        kErrorSuccess)
        return false;
    return pieces.size() == 2 ||
           reg.QueryValue(key.Get(), pieces[2], nullptr, nullptr, nullptr) == kErrorSuccess;
}

bool Reg_DeleteValue(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                     const std::u16string& value_name, bool view64) {
    ScopedRegKey key(reg);
    if (OpenView(reg, root, key_path, view64, key) != kErrorSuccess) return false;
    return reg.DeleteValue(key.Get(), value_name) == kErrorSuccess;
}

void Reg_EnumUserDataSids(RegistryPort& reg, StringList& out, bool view64) {
    AppendSubKeys(reg, kHkeyLocalMachine, kInstallerUserDataKey, out, view64);
}

void Reg_EnumUserHives(RegistryPort& reg, StringList& out, bool view64) {
    AppendSubKeys(reg, kHkeyUsers, u"", out, view64);
}

std::u16string Reg_GetInstallFolderFromInstallerFolders(RegistryPort& reg,
                                                        const std::u16string& display_name) {
    if (display_name.empty()) return {};
    return InstallFolderFromInstallerFolders(ReadInstallerFolders(reg), display_name);
}

StringList ReadInstallerFolders(RegistryPort& reg) {
    StringList folders;
    Reg_EnumValueNames(reg, kHkeyLocalMachine, kInstallerFoldersKey, folders, true);
    return folders;
}

std::u16string InstallFolderFromInstallerFolders(const StringList& folders,
                                                 const std::u16string& display_name) {
    if (display_name.empty()) return {};
    const std::u16string needle = u"\\" + display_name + u"\\";
    for (const auto& folder : folders) {
        // Searched in place: a machine lists thousands of folders.
        const size_t position = FindIgnoreAsciiCase(folder, needle);
        if (position == std::u16string::npos) continue;
        if (ContainsIgnoreAsciiCase(folder, u"COMMON FILES") ||
            ContainsIgnoreAsciiCase(folder, u"START MENU")) {
            continue;
        }
        return folder.substr(0, position + needle.size());
    }
    return {};
}

}  // namespace purgeon
