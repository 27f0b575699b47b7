// What Windows tests need of the Linux host under Wine: the Unix path of a
// Windows path, and the few Linux programs they run (to make Unix symbolic
// links, which Wine shows as reparse-point folders). Elsewhere every helper
// answers "not here".
//
// The test prefixes have no drive Z: for the Linux root (scripts/wine-prefix.sh):
// the programs are reached through links in T:\host-tools, where T: is the
// build folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/wide.h"

namespace purgeon::wine_host {

// The Unix path of a Windows path under Wine; empty elsewhere.
inline std::string UnixPath(const std::u16string& path) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unix_file_name = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unix_file_name) return "";
    char* name = unix_file_name(Wide(path));
    if (!name) return "";
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// The Windows path of a host program ("ln", "rm"): T:\host-tools\NAME, or
// Z:\bin\NAME in a prefix that still has Z:; empty when there is neither.
inline std::wstring Tool(const wchar_t* name) {
    for (const std::wstring folder : {L"T:\\host-tools\\", L"Z:\\bin\\"}) {
        const std::wstring path = folder + name;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    }
    return L"";
}

// Wine runs a Unix program handed to CreateProcessW (without a handle to
// wait on), splitting the command line as Windows does. Test-only: the
// paths are ours and hold no double quote.
inline bool RunProgram(const std::wstring& program, const std::string& command) {
    if (program.empty()) return false;
    std::vector<wchar_t> command_line(command.begin(), command.end());
    command_line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    return true;
}

// A Unix symbolic link at `link` to the folder `target` (Windows paths),
// made by the host's ln; true once Wine shows it as a reparse-point folder.
inline bool MakeUnixFolderLink(const std::u16string& link, const std::u16string& target) {
    auto is_link = [&] {
        const DWORD attributes = GetFileAttributesW(Wide(link));
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                   (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    };
    const std::string unix_link = UnixPath(link), unix_target = UnixPath(target);
    if (unix_link.empty() || unix_target.empty()) return false;
    if (!RunProgram(Tool(L"ln"), "ln -s \"" + unix_target + "\" \"" + unix_link + "\""))
        return false;
    // No process handle to wait on: poll for the link.
    for (int i = 0; i < 100 && !is_link(); ++i) Sleep(50);
    return is_link();
}

// Removes a Unix link (Wine's RemoveDirectoryW cannot); true once it is gone.
inline bool RemoveUnixLink(const std::u16string& link) {
    const std::string unix_link = UnixPath(link);
    if (unix_link.empty() || !RunProgram(Tool(L"rm"), "rm \"" + unix_link + "\"")) return false;
    for (int i = 0; i < 100 && GetFileAttributesW(Wide(link)) != INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    return GetFileAttributesW(Wide(link)) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace purgeon::wine_host
