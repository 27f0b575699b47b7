#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/win32/wide.h"

namespace purgeon {

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
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, std::move(name)});
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
