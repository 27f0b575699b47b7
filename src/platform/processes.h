// Process port: a snapshot of the running processes with their executables'
// full paths, and ending one by id (CreateToolhelp32Snapshot /
// QueryFullProcessImageNameW / OpenProcess / TerminateProcess).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace purgeon {

struct ProcessEntry {
    std::uint32_t id = 0;
    std::uint32_t parent_id = 0;
    std::u16string exe_name;  // the executable's file name, without a folder
    // The executable's full path ("C:\\Program Files\\App\\app.exe"); empty
    // when the system does not tell it (a process of another user, a system
    // process). A decision to end a process goes by this path, never by the
    // file name alone.
    std::u16string image_path{};
};

class ProcessPort {
  public:
    virtual ~ProcessPort() = default;
    // Every running process once; empty when no snapshot can be taken.
    virtual std::vector<ProcessEntry> Snapshot() = 0;
    // Opens the process with terminate access and ends it with `exit_code`;
    // false when it cannot be opened or ended.
    virtual bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) = 0;
    virtual std::uint32_t CurrentProcessId() = 0;
};

}  // namespace purgeon
