#include "platform/memory/memory_processes.h"

#include <algorithm>

namespace purgeon {

MemoryProcesses::MemoryProcesses() {
    self_id_ = Start(u"purgeon.exe");
}

std::uint32_t MemoryProcesses::Start(const std::u16string& exe_name, std::uint32_t parent_id) {
    std::lock_guard lock(mutex_);
    const std::uint32_t id = next_id_;
    next_id_ += 4;
    const size_t slash = exe_name.find_last_of(u"\\/");
    if (slash == std::u16string::npos) {
        processes_.push_back({id, parent_id, exe_name, u""});
    } else {
        processes_.push_back({id, parent_id, exe_name.substr(slash + 1), exe_name});
    }
    return id;
}

void MemoryProcesses::Stop(std::uint32_t process_id) {
    std::lock_guard lock(mutex_);
    std::erase_if(processes_, [process_id](const ProcessEntry& p) { return p.id == process_id; });
}

bool MemoryProcesses::IsRunning(std::uint32_t process_id) const {
    std::lock_guard lock(mutex_);
    return std::any_of(processes_.begin(), processes_.end(),
                       [process_id](const ProcessEntry& p) { return p.id == process_id; });
}

std::vector<std::uint32_t> MemoryProcesses::Terminated() const {
    std::lock_guard lock(mutex_);
    return terminated_;
}

int MemoryProcesses::SnapshotCount() const {
    std::lock_guard lock(mutex_);
    return snapshots_;
}

std::vector<ProcessEntry> MemoryProcesses::Snapshot() {
    std::lock_guard lock(mutex_);
    ++snapshots_;
    return processes_;
}

bool MemoryProcesses::Terminate(std::uint32_t process_id, std::uint32_t) {
    std::lock_guard lock(mutex_);
    const auto before = processes_.size();
    std::erase_if(processes_, [process_id](const ProcessEntry& p) { return p.id == process_id; });
    if (processes_.size() == before) return false;
    terminated_.push_back(process_id);
    return true;
}

}  // namespace purgeon
