// Values of the machine-wide Run key. The key is opened with the plain
// all-access mask, so a 32-bit caller on 64-bit Windows works on the 32-bit
// view (Wow6432Node), as Windows' own 32-bit programs do.
#include <windows.h>

#include <cwchar>

#include "services.h"
#include "wow64.h"

namespace purgeon::hostkit {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

HKEY OpenRunKey() {
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, kSamAllAccess, &key) == ERROR_SUCCESS
               ? key
               : nullptr;
}

}  // namespace

int __stdcall RunKey_DeleteValue(const wchar_t* value_name) {
    if (value_name == nullptr) return 0;
    HKEY key = OpenRunKey();
    if (key == nullptr) return 0;
    const LONG status = RegDeleteValueW(key, value_name);
    RegCloseKey(key);
    // A value that is already gone counts as deleted.
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

int __stdcall RunKey_SetValue(const wchar_t* value_name, const wchar_t* command) {
    if (value_name == nullptr || command == nullptr) return 0;
    HKEY key = OpenRunKey();
    if (key == nullptr) return 0;
    int result = 0;
    const size_t length = std::wcslen(command);
    if (length != 0 && length <= MAXDWORD / sizeof(wchar_t)) {
        // The terminating zero is not stored.
        result = RegSetValueExW(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                static_cast<DWORD>(length * sizeof(wchar_t))) == ERROR_SUCCESS
                     ? 1
                     : 0;
    }
    RegCloseKey(key);
    return result;
}

}  // namespace purgeon::hostkit
