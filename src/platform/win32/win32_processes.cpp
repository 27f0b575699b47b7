#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>
#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/wide.h"

namespace purgeon {

namespace {

// The executable's full Win32 path: QueryFullProcessImageNameW, which a
// 32-bit process may ask of a 64-bit one; else the first module of a module
// snapshot (which a 32-bit process cannot take of a 64-bit one). Empty when
// neither tells.
std::u16string ImagePath(DWORD process_id) {
    if (process_id == 0) return {};
    ScopedFile process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
    // A process that cannot be opened is not one this program could end.
    if (!process.Valid()) return {};
    std::vector<wchar_t> buffer(32768, L'\0');
    DWORD length = DWORD(buffer.size());
    if (QueryFullProcessImageNameW(process.Get(), 0, buffer.data(), &length) && length > 0 &&
        length < buffer.size())
        return FromWide(buffer.data(), length);
    const HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id);
    if (modules == INVALID_HANDLE_VALUE) return {};
    ScopedFile snapshot(modules);
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    if (!Module32FirstW(modules, &module)) return {};
    return FromWide(module.szExePath, wcsnlen(module.szExePath, MAX_PATH));
}

}  // namespace

std::vector<ProcessEntry> Win32Processes::Snapshot() {
    std::vector<ProcessEntry> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        // szExeFile is the file name; keep only what follows a folder, if any.
        std::u16string name = FromWide(entry.szExeFile);
        const size_t slash = name.find_last_of(u"\\/");
        if (slash != std::u16string::npos) name = name.substr(slash + 1);
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, std::move(name),
                             ImagePath(entry.th32ProcessID)});
    }
    CloseHandle(snapshot);
    return processes;
}

bool Win32Processes::Terminate(std::uint32_t process_id, std::uint32_t exit_code) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, process_id);
    if (process == nullptr) return false;
    const BOOL ended = TerminateProcess(process, exit_code);
    CloseHandle(process);
    return ended != FALSE;
}

std::uint32_t Win32Processes::CurrentProcessId() {
    return GetCurrentProcessId();
}

}  // namespace purgeon
