// Process port for native tests: a process list the test scripts. A test
// can make the list change as (virtual) time passes by calling Start and
// Stop from a clock hook.
#pragma once

#include <mutex>
#include <vector>

#include "platform/processes.h"

namespace purgeon {

class MemoryProcesses : public ProcessPort {
  public:
    MemoryProcesses();

    // Adds a process and returns its id; `parent_id` 0 = no known parent.
    // `exe_name` may be a full path: the process then has that image path
    // and its file name; a bare name gives a process whose path is unknown.
    std::uint32_t Start(const std::u16string& exe_name, std::uint32_t parent_id = 0);
    void Stop(std::uint32_t process_id);
    bool IsRunning(std::uint32_t process_id) const;
    std::vector<std::uint32_t> Terminated() const;  // ids ended through the port, in order
    int SnapshotCount() const;

    std::vector<ProcessEntry> Snapshot() override;
    bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) override;
    std::uint32_t CurrentProcessId() override { return self_id_; }

  private:
    mutable std::mutex mutex_;
    std::vector<ProcessEntry> processes_;
    std::vector<std::uint32_t> terminated_;
    std::uint32_t next_id_ = 1000;
    std::uint32_t self_id_ = 0;
    int snapshots_ = 0;
};

}  // namespace purgeon
