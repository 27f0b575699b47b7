// In-memory security for the native tests: folders made admin-only are
// remembered by path (upper case); any other folder counts as one others
// may write, unless a test says otherwise. The removal lock is a flag that a
// test can hand to "another process".
#pragma once

#include <mutex>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/security.h"

namespace purgeon {

class MemorySecurity : public SecurityPort {
  public:
    explicit MemorySecurity(FileSystemPort& files) : files_(files) {}

    // Tests: a folder's DACL says only administrators may write (or not).
    void SetAdminOnly(const std::u16string& path, bool admin_only);
    // Tests: the volume keeps no access rights, as FAT or Wine.
    void SetKeepsAccessRights(bool keeps);
    // Tests: another process holds the lock (or lets it go).
    void SetHeldElsewhere(bool held);
    bool held() const;

    bool CreateAdminOnlyDirectory(const std::u16string& path) override;
    bool OnlyAdminsMayWrite(const std::u16string& path) override;
    bool KeepsAccessRights(const std::u16string& path) override;
    bool AcquireRemovalLock(std::uint32_t wait_ms) override;
    void ReleaseRemovalLock() override;

  private:
    FileSystemPort& files_;
    mutable std::mutex mutex_;
    std::set<std::u16string> admin_only_;
    bool held_elsewhere_ = false;
    bool keeps_access_rights_ = true;
    int held_here_ = 0;
};

}  // namespace purgeon
