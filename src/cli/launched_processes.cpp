#include "cli/launched_processes.h"

#include "uninstall/Unit_K_ProcessProc.h"

namespace purgeon {

void LaunchedProcesses::Begin() {
    self_ = processes_.CurrentProcessId();
    before_.clear();
    seen_ids_.clear();
    followed_.clear();
    order_.clear();
    for (const auto& entry : processes_.Snapshot()) {
        before_.insert(IdentityOf(entry));
        seen_ids_.insert(entry.id);
    }
}

std::vector<ProcessEntry> LaunchedProcesses::Look(bool adopt_orphans) {
    const std::vector<ProcessEntry> snapshot = processes_.Snapshot();
    std::map<std::uint32_t, const ProcessEntry*> alive;
    for (const auto& entry : snapshot) alive[entry.id] = &entry;

    // A followed parent counts only while its id is not taken by another
    // process: a child of that other process is none of ours.
    auto is_followed_parent = [&](std::uint32_t parent_id) {
        if (parent_id == self_) return true;
        const auto followed = followed_.find(parent_id);
        if (followed == followed_.end()) return false;
        const auto now = alive.find(parent_id);
        return now == alive.end() || IdentityOf(*now->second) == IdentityOf(followed->second);
    };
    auto is_followed = [&](const ProcessEntry& entry) {
        const auto followed = followed_.find(entry.id);
        return followed != followed_.end() && IdentityOf(followed->second) == IdentityOf(entry);
    };
    auto is_orphan_of_the_launch = [&](const ProcessEntry& entry) {
        return adopt_orphans && entry.parent_id != 0 && seen_ids_.count(entry.parent_id) == 0 &&
               alive.count(entry.parent_id) == 0;
    };

    // Repeat until nothing new is found, so that a chain is followed
    // whatever order the snapshot lists it in.
    for (bool found = true; found;) {
        found = false;
        for (const auto& entry : snapshot) {
            if (entry.id == self_ || before_.count(IdentityOf(entry)) != 0 || is_followed(entry) ||
                IsProtectedProcessName(entry.exe_name))
                continue;
            if (!is_followed_parent(entry.parent_id) && !is_orphan_of_the_launch(entry)) continue;
            followed_[entry.id] = entry;
            order_.push_back(entry);
            found = true;
        }
    }
    for (const auto& entry : snapshot) seen_ids_.insert(entry.id);
    std::vector<ProcessEntry> running;
    for (const auto& entry : snapshot) {
        if (is_followed(entry)) running.push_back(entry);
    }
    return running;
}

WaitOutcome WaitForLaunchedProcesses(LaunchedProcesses& launched, ClockPort& clock,
                                     std::uint64_t timeout_ms, std::uint32_t poll_ms,
                                     std::vector<ProcessEntry>* still_running) {
    const std::uint64_t start = clock.TickCount();
    std::vector<ProcessEntry> running = launched.PollAfterLaunch();
    for (;;) {
        if (still_running) *still_running = running;
        if (running.empty()) return WaitOutcome::kEnded;
        if (clock.TickCount() - start >= timeout_ms) return WaitOutcome::kTimedOut;
        clock.Sleep(poll_ms);
        running = launched.Poll();
    }
}

}  // namespace purgeon
