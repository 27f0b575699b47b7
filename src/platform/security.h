// Security port: what keeping undo sets safely needs of Windows. Sets are
// written by an elevated removal and read back by an elevated restore, so
// their folders must be ones that only administrators can change, and only
// one removal may work on the machine at a time.
#pragma once

#include <cstdint>
#include <string>

namespace purgeon {

constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;  // INFINITE

class SecurityPort {
  public:
    virtual ~SecurityPort() = default;

    // CreateDirectoryW with a protected DACL (nothing inherited) that grants
    // full control to the Administrators group and to SYSTEM, to everything
    // below it too, and to no one else. False when the folder exists already
    // or cannot be made.
    virtual bool CreateAdminOnlyDirectory(const std::u16string& path) = 0;

    // GetNamedSecurityInfoW: true when the folder's owner is Administrators
    // or SYSTEM and its DACL lets no one else write, delete or change
    // anything in it (a missing DACL lets everyone). False when it cannot be
    // read.
    virtual bool OnlyAdminsMayWrite(const std::u16string& path) = 0;

    // Whether the system kept the DACL CreateAdminOnlyDirectory gave
    // `path`: it reads back with its entry for Administrators. A volume
    // that keeps no access rights (FAT, some network shares; Wine, which
    // makes them up from the Unix permissions) does not, and no folder on it
    // can be kept from others.
    virtual bool KeepsAccessRights(const std::u16string& path) = 0;

    // The machine-wide lock of the removal (a named mutex in the global
    // namespace), waited for up to `wait_ms` milliseconds (0: not at all,
    // kWaitForever). True when this process holds it, also when its last
    // holder ended without letting go. Held until ReleaseRemovalLock.
    virtual bool AcquireRemovalLock(std::uint32_t wait_ms) = 0;
    virtual void ReleaseRemovalLock() = 0;
};

// Holds the removal lock for one scope.
class ScopedRemovalLock {
  public:
    ScopedRemovalLock(SecurityPort& security, std::uint32_t wait_ms)
        : security_(security), held_(security.AcquireRemovalLock(wait_ms)) {}
    ~ScopedRemovalLock() {
        if (held_) security_.ReleaseRemovalLock();
    }
    ScopedRemovalLock(const ScopedRemovalLock&) = delete;
    ScopedRemovalLock& operator=(const ScopedRemovalLock&) = delete;
    bool held() const { return held_; }

  private:
    SecurityPort& security_;
    bool held_;
};

}  // namespace purgeon
