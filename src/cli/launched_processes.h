// Following the processes that one launch starts, until all have ended.
// Uninstallers rarely end with the process that was launched: NSIS ones copy
// themselves to the temp folder, start the copy and end at once, and others
// hand over to helpers. So every process started after the launch whose
// parent is this process, or a process already followed, is followed too.
//
// A launch through WinExec returns only once the started program is idle or
// gone, so an uninstaller that hands over and ends can be gone before it was
// ever seen. Its heir is still found: the first look after the launch also
// takes the new processes whose parent was never seen at all (born after
// Begin and gone already). Later looks take none of those, so an unrelated
// orphan appearing while the uninstaller runs is not waited for.
//
// Processes the system runs under the protected names (the shell, console
// hosts, ...) are never followed: Wine starts its desktop shell on demand as
// a child of the first process that needs it, and that one does not end.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/processes.h"

namespace purgeon {

class LaunchedProcesses {
  public:
    explicit LaunchedProcesses(ProcessPort& processes) : processes_(processes) {}

    // Call right before the launch: what runs now is never followed.
    void Begin();
    // The first look, right after the launch returned; then Poll. Each takes
    // a snapshot, follows the new descendants in it and returns the followed
    // processes still running.
    std::vector<ProcessEntry> PollAfterLaunch() { return Look(true); }
    std::vector<ProcessEntry> Poll() { return Look(false); }
    // Every process followed so far, in the order found.
    const std::vector<ProcessEntry>& followed() const { return order_; }

  private:
    // A process id alone may be reused once its process has ended.
    using Identity = std::tuple<std::uint32_t, std::uint32_t, std::u16string>;
    static Identity IdentityOf(const ProcessEntry& entry) {
        return {entry.id, entry.parent_id, entry.exe_name};
    }
    std::vector<ProcessEntry> Look(bool adopt_orphans);

    ProcessPort& processes_;
    std::uint32_t self_ = 0;
    std::set<Identity> before_;
    std::set<std::uint32_t> seen_ids_;                // in any snapshot so far
    std::map<std::uint32_t, ProcessEntry> followed_;  // by id: the latest one
    std::vector<ProcessEntry> order_;
};

enum class WaitOutcome { kEnded, kTimedOut };

// Right after the launch: looks first with PollAfterLaunch, then every
// `poll_ms` through the clock until no followed process runs, or until
// `timeout_ms` have passed by the clock's tick count. `still_running`
// receives what ran at the last look.
WaitOutcome WaitForLaunchedProcesses(LaunchedProcesses& launched, ClockPort& clock,
                                     std::uint64_t timeout_ms, std::uint32_t poll_ms,
                                     std::vector<ProcessEntry>* still_running = nullptr);

}  // namespace purgeon
