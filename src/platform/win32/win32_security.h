// Security port over the Win32 security API: a folder made with a protected
// DACL for Administrators and SYSTEM (ConvertStringSecurityDescriptorToSecurity
// DescriptorW), its DACL read back (GetNamedSecurityInfoW), and the removal's
// machine-wide named mutex.
#pragma once

#include <windows.h>

#include "platform/security.h"

namespace purgeon {

class Win32Security : public SecurityPort {
  public:
    Win32Security() = default;
    ~Win32Security() override;
    Win32Security(const Win32Security&) = delete;
    Win32Security& operator=(const Win32Security&) = delete;

    bool CreateAdminOnlyDirectory(const std::u16string& path) override;
    bool OnlyAdminsMayWrite(const std::u16string& path) override;
    bool KeepsAccessRights(const std::u16string& path) override;
    bool AcquireRemovalLock(std::uint32_t wait_ms) override;
    void ReleaseRemovalLock() override;

  private:
    HANDLE mutex_ = nullptr;
    int held_ = 0;
};

}  // namespace purgeon
