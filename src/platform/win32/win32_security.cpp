#include "platform/win32/win32_security.h"

// After <windows.h>, which they build on.
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/wide.h"

namespace purgeon {

namespace {

// Protected (no inherited entries): full control for Administrators and
// SYSTEM, on the folder and everything made in it.
constexpr wchar_t kAdminOnlyDescriptor[] = L"D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
// In the global namespace, so that every session's removal sees the same one.
constexpr wchar_t kRemovalMutexName[] = L"Global\\Purgeon.Removal";
// What lets a trustee change the folder or what it holds.
constexpr ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                     FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE |
                                     WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsAdminOrSystem(PSID sid) {
    return sid != nullptr && (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
                              IsWellKnownSid(sid, WinLocalSystemSid));
}

}  // namespace

Win32Security::~Win32Security() {
    while (held_ > 0) ReleaseRemovalLock();
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

bool Win32Security::CreateAdminOnlyDirectory(const std::u16string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdminOnlyDescriptor, SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    const BOOL made = CreateDirectoryW(Wide(path), &attributes);
    LocalFree(descriptor);
    return made != FALSE;
}

bool Win32Security::OnlyAdminsMayWrite(const std::u16string& path) {
    std::wstring name(Wide(path));
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    // No DACL at all grants everyone everything; an owner may always
    // rewrite the DACL.
    bool only_admins = dacl != nullptr && IsAdminOrSystem(owner);
    for (DWORD index = 0; only_admins && index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry)) {
            only_admins = false;
            break;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;  // denials take away only
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID trustee = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kWriteRights) != 0 && !IsAdminOrSystem(trustee)) only_admins = false;
    }
    LocalFree(descriptor);
    return only_admins;
}

bool Win32Security::KeepsAccessRights(const std::u16string& path) {
    std::wstring name(Wide(path));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    bool kept = false;
    for (DWORD index = 0; dacl != nullptr && index < dacl->AceCount && !kept; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry)) break;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID trustee = const_cast<DWORD*>(&allowed->SidStart);
        kept = allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
               (allowed->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS &&
               IsWellKnownSid(trustee, WinBuiltinAdministratorsSid);
    }
    LocalFree(descriptor);
    return kept;
}

bool Win32Security::AcquireRemovalLock(std::uint32_t wait_ms) {
    if (mutex_ == nullptr) {
        mutex_ = CreateMutexW(nullptr, FALSE, kRemovalMutexName);
        if (mutex_ == nullptr) return false;
    }
    const DWORD waited = WaitForSingleObject(mutex_, wait_ms);
    // Abandoned: the last holder ended while it held the lock; its removal
    // is over either way.
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
    ++held_;
    return true;
}

void Win32Security::ReleaseRemovalLock() {
    if (held_ == 0 || mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    --held_;
}

}  // namespace purgeon
