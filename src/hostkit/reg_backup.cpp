// Backup and restore of the whole registry through the Windows registry
// editor ("regedit /e" and "regedit /s"). Both calls block until the editor
// has ended. One caller at a time: the target is shared.
#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <string>

#include "platform/win32/win32_handles.h"
#include "services.h"
#include "wow64.h"

namespace purgeon::hostkit {

namespace {

// The backup target, empty at load; an export without a file name stores the
// name it made.
std::wstring g_target_folder;
std::wstring g_target_file_name;

// Local time as 14 digits (%Y%m%d%H%M%S), the tick count since system start
// as a signed decimal, and ".reg".
std::wstring GeneratedFileName() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t name[64];
    std::swprintf(name, sizeof(name) / sizeof(name[0]), L"%04u%02u%02u%02u%02u%02u%d.reg",
                  now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                  static_cast<int>(GetTickCount()));
    return name;
}

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Runs the registry editor with `parameters` and waits without limit for it
// to end. False when it could not be started.
bool RunRegistryEditor(const std::wstring& parameters, int show) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = L"regedit.exe";
    info.lpParameters = parameters.c_str();
    info.nShow = show;
    if (!ShellExecuteExW(&info)) return false;
    const ScopedHandle process(info.hProcess);
    if (process) WaitForSingleObject(process.Get(), INFINITE);
    return true;
}

}  // namespace

BYTE __stdcall RegBackup_SetTarget(const wchar_t* folder, const wchar_t* file_name) {
    try {
        g_target_folder = folder != nullptr ? folder : L"";
        g_target_file_name = file_name != nullptr ? file_name : L"";
        return g_target_folder.empty() ? FALSE : TRUE;
    } catch (...) {  // out of memory: no exception leaves the library
        return FALSE;
    }
}

BYTE __stdcall RegBackup_Export() {
    try {
        ScopedFsRedirectionOff redirection_off;
        if (g_target_file_name.empty()) g_target_file_name = GeneratedFileName();
        if (!IsDirectory(g_target_folder)) {
            SHCreateDirectoryExW(nullptr, g_target_folder.c_str(), nullptr);
        }
        std::wstring path = g_target_folder;
        if (path.empty() || path.back() != L'\\') path += L'\\';
        path += g_target_file_name;
        RunRegistryEditor(L"/e \"" + path + L"\"", SW_SHOWNORMAL);
        // Asked while redirection is still off, so that the file looked for is
        // the one the editor wrote. An older file of the same name also
        // passes: only existence is known.
        return PathFileExistsW(path.c_str()) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

BYTE __stdcall RegBackup_Import(const wchar_t* reg_file_path) {
    try {
        ScopedFsRedirectionOff redirection_off;
        if (reg_file_path == nullptr || !PathFileExistsW(reg_file_path)) return FALSE;
        const std::wstring parameters = L"/s \"" + std::wstring(reg_file_path) + L"\"";
        return RunRegistryEditor(parameters, SW_HIDE) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace purgeon::hostkit
