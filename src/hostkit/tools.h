// What the administration-tool launchers ask of Windows, gathered in one
// record so that a test build can watch and answer every request. The
// library itself always uses the real functions.
#pragma once

#include <windows.h>

namespace purgeon::hostkit {

struct ToolLauncherSystem {
    BOOL (*is_wow64)();
    bool (*disable_fs_redirection)(PVOID* saved);
    bool (*revert_fs_redirection)(PVOID saved);
    BOOL(WINAPI* get_special_folder_path)(HWND owner, LPWSTR path, int csidl, BOOL create);
    BOOL(WINAPI* path_file_exists)(LPCWSTR path);
    HINSTANCE(WINAPI* shell_execute)
    (HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show);
    BOOL(WINAPI* get_version_ex)(LPOSVERSIONINFOW info);
};

#ifdef HOSTKIT_TEST_HOOKS
// Test builds only (the tools compiled into a test program): the record the
// launchers use, for the test to replace entries of.
ToolLauncherSystem& ToolLauncherSystemForTest();
#endif

}  // namespace purgeon::hostkit
