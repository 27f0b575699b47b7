#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace purgeon {

namespace {

// Predefined roots travel as their 32-bit handle values; on a 64-bit build
// the real HKEY constants are sign-extended, so map them explicitly.
HKEY ToHkey(RegKey key) {
    switch (key) {
        case kHkeyClassesRoot:
            return HKEY_CLASSES_ROOT;
        case kHkeyCurrentUser:
            return HKEY_CURRENT_USER;
        case kHkeyLocalMachine:
            return HKEY_LOCAL_MACHINE;
        case kHkeyUsers:
            return HKEY_USERS;
        default:
            return reinterpret_cast<HKEY>(key);
    }
}

// The 64-bit test build stands in for the 32-bit program on 64-bit Windows:
// a mask that names no view opens the 32-bit one there, as it does for a
// 32-bit process.
std::uint32_t WithView(std::uint32_t sam) {
#ifdef _WIN64
    if ((sam & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)) == 0) sam |= KEY_WOW64_32KEY;
#endif
    return sam;
}

}  // namespace

RegStatus Win32Registry::OpenKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                                 RegKey* key) {
    HKEY opened = nullptr;
    const LONG status = RegOpenKeyExW(ToHkey(parent), Wide(sub_key), 0, WithView(sam), &opened);
    if (status == ERROR_SUCCESS) *key = reinterpret_cast<RegKey>(opened);
    return status;
}

RegStatus Win32Registry::CreateKey(RegKey parent, const std::u16string& sub_key, std::uint32_t sam,
                                   RegKey* key) {
    HKEY opened = nullptr;
    const LONG status = RegCreateKeyExW(ToHkey(parent), Wide(sub_key), 0, nullptr, 0, WithView(sam),
                                        nullptr, &opened, nullptr);
    if (status == ERROR_SUCCESS) *key = reinterpret_cast<RegKey>(opened);
    return status;
}

RegStatus Win32Registry::QueryInfoKey(RegKey key, std::uint32_t* sub_keys, std::uint32_t* values) {
    DWORD keys = 0, value_count = 0;
    const LONG status = RegQueryInfoKeyW(ToHkey(key), nullptr, nullptr, nullptr, &keys, nullptr,
                                         nullptr, &value_count, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        if (sub_keys) *sub_keys = keys;
        if (values) *values = value_count;
    }
    return status;
}

RegStatus Win32Registry::EnumKey(RegKey key, std::uint32_t index, std::uint32_t capacity,
                                 std::u16string* name) {
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    DWORD length = capacity;
    const LONG status = RegEnumKeyExW(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr,
                                      nullptr, nullptr);
    if (status == ERROR_SUCCESS) *name = FromWide(buffer.data(), length);
    return status;
}

RegStatus Win32Registry::EnumValue(RegKey key, std::uint32_t index, std::uint32_t capacity,
                                   std::u16string* name) {
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    DWORD length = capacity;
    const LONG status = RegEnumValueW(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr,
                                      nullptr, nullptr);
    if (status == ERROR_SUCCESS) *name = FromWide(buffer.data(), length);
    return status;
}

RegStatus Win32Registry::QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                                    std::uint8_t* data, std::uint32_t* size) {
    DWORD value_type = 0;
    DWORD bytes = size ? *size : 0;
    const LONG status = RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &value_type, data,
                                         size ? &bytes : nullptr);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (type) *type = value_type;
        if (size) *size = bytes;
    }
    return status;
}

RegStatus Win32Registry::SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                                  const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExW(ToHkey(key), Wide(name), 0, type, data, size);
}

RegStatus Win32Registry::DeleteValue(RegKey key, const std::u16string& name) {
    return RegDeleteValueW(ToHkey(key), Wide(name));
}

RegStatus Win32Registry::DeleteKey(RegKey key, const std::u16string& sub_key, std::uint32_t sam) {
    return RegDeleteKeyExW(ToHkey(key), Wide(sub_key),
                           WithView(sam) & (KEY_WOW64_64KEY | KEY_WOW64_32KEY), 0);
}

RegStatus Win32Registry::DeleteTree(RegKey key, const std::u16string& sub_key) {
    return RegDeleteTreeW(ToHkey(key), Wide(sub_key));
}

RegStatus Win32Registry::CloseKey(RegKey key) {
    return RegCloseKey(ToHkey(key));
}

}  // namespace purgeon
