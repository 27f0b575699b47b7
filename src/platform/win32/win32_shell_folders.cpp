#include "platform/win32/win32_shell_folders.h"

#include <windows.h>
// After <windows.h>, which they build on.
#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

#include "platform/win32/wide.h"

namespace purgeon {

namespace {

constexpr UINT kSystemDirectoryBufferLength = 256;
constexpr std::size_t kFolderPathBufferLength = 261;

}  // namespace

std::u16string Win32ShellFolders::SystemDirectory() {
    wchar_t buffer[kSystemDirectoryBufferLength] = {};
    const UINT length = GetSystemDirectoryW(buffer, kSystemDirectoryBufferLength);
    // A length at or above the buffer's is the size it would have needed.
    if (length == 0 || length >= kSystemDirectoryBufferLength) return {};
    return FromWide(buffer, length);
}

std::u16string Win32ShellFolders::SpecialFolder(int csidl) {
#ifdef _WIN64
    // The 64-bit test build stands in for the 32-bit program on 64-bit
    // Windows, which is told the "(x86)" Program Files and Common Files.
    if (csidl == CSIDL_PROGRAM_FILES) csidl = CSIDL_PROGRAM_FILESX86;
    if (csidl == CSIDL_PROGRAM_FILES_COMMON) csidl = CSIDL_PROGRAM_FILES_COMMONX86;
#endif
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || items == nullptr) return {};
    wchar_t buffer[kFolderPathBufferLength] = {};
    const BOOL found = SHGetPathFromIDListW(items, buffer);
    CoTaskMemFree(items);
    if (!found) return {};
    return FromWide(buffer, wcsnlen(buffer, kFolderPathBufferLength - 1));
}

}  // namespace purgeon
