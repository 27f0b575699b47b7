#include "platform/memory/memory_security.h"

#include "platform/text.h"

namespace purgeon {

namespace {

std::u16string Key(const std::u16string& path) {
    std::u16string key = AsciiUpper(path);
    while (key.size() > 3 && key.back() == u'\\') key.pop_back();
    return key;
}

}  // namespace

void MemorySecurity::SetAdminOnly(const std::u16string& path, bool admin_only) {
    std::lock_guard lock(mutex_);
    if (admin_only)
        admin_only_.insert(Key(path));
    else
        admin_only_.erase(Key(path));
}

void MemorySecurity::SetHeldElsewhere(bool held) {
    std::lock_guard lock(mutex_);
    held_elsewhere_ = held;
}

bool MemorySecurity::held() const {
    std::lock_guard lock(mutex_);
    return held_here_ > 0;
}

void MemorySecurity::SetKeepsAccessRights(bool keeps) {
    std::lock_guard lock(mutex_);
    keeps_access_rights_ = keeps;
}

bool MemorySecurity::CreateAdminOnlyDirectory(const std::u16string& path) {
    if (files_.GetAttributes(path) != kInvalidFileAttributes || !files_.CreateDirectory(path))
        return false;
    SetAdminOnly(path, keeps_access_rights_);
    return true;
}

bool MemorySecurity::KeepsAccessRights(const std::u16string& path) {
    return OnlyAdminsMayWrite(path);
}

bool MemorySecurity::OnlyAdminsMayWrite(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    return admin_only_.count(Key(path)) > 0;
}

bool MemorySecurity::AcquireRemovalLock(std::uint32_t) {
    // Nothing else runs in a test while it waits: a lock held elsewhere
    // stays held, however long the wait.
    std::lock_guard lock(mutex_);
    if (held_elsewhere_) return false;
    ++held_here_;
    return true;
}

void MemorySecurity::ReleaseRemovalLock() {
    std::lock_guard lock(mutex_);
    if (held_here_ > 0) --held_here_;
}

}  // namespace purgeon
