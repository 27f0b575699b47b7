// Process port over the Tool Help snapshot and TerminateProcess.
#pragma once

#include "platform/processes.h"

namespace purgeon {

class Win32Processes : public ProcessPort {
  public:
    std::vector<ProcessEntry> Snapshot() override;
    bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) override;
    std::uint32_t CurrentProcessId() override;
};

}  // namespace purgeon
