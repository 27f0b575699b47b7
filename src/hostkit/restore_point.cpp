// System Restore points around a change: Dll_SR_Init loads the System Restore
// client and sets up COM security, Dll_SR_Begin starts a restore point of the
// kind application uninstall, Dll_SR_Cancel or Dll_SR_End closes it. Results
// and diagnostics go to standard output; failures (and the two closing
// notices) also show a message box captioned "SR" that waits for the user.
#include "restore_point.h"

#include <aclapi.h>

#include <cwchar>

#include "hostkit_exports.h"
#include "services.h"

namespace purgeon::hostkit {

namespace {

constexpr UINT kSrBoxStyle = MB_ICONERROR | MB_TOPMOST;  // 0x40010
static_assert(kSrBoxStyle == 0x40010);
constexpr DWORD kComExecuteRights = 3;      // COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL
constexpr DWORD kComCapabilities = 0x3000;  // EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL
constexpr DWORD kAuthnLevelPacketPrivacy = 6;
constexpr DWORD kImpLevelIdentify = 2;
constexpr DWORD kStatusServiceDisabled = 1058;  // ERROR_SERVICE_DISABLED
constexpr size_t kMaxDescriptionChars = MAX_DESC_W - 1;

SystemRestoreClient g_client = {
    L"srclient.dll", &CoInitializeSecurity, &MessageBoxW, false, nullptr, nullptr, {}};

// Waits until the user closes it.
void ShowBox(const wchar_t* text) {
    g_client.message_box(nullptr, text, L"SR", kSrBoxStyle);
}

// The text on standard output, then in a message box.
void Report(const char* line, const wchar_t* text) {
    PrintStdout("%s\n", line);
    ShowBox(text);
}

// Process-wide COM security as System Restore requires it: COM calls allowed
// for Administrators, Local Service, Network Service, Self and Local System.
bool InitializeComSecurity(CoInitializeSecurityFn co_initialize_security) {
    static constexpr WELL_KNOWN_SID_TYPE kTrustees[] = {WinBuiltinAdministratorsSid,
                                                        WinLocalServiceSid, WinNetworkServiceSid,
                                                        WinSelfSid, WinLocalSystemSid};
    constexpr ULONG kCount = sizeof(kTrustees) / sizeof(kTrustees[0]);
    BYTE sids[kCount][SECURITY_MAX_SID_SIZE];
    EXPLICIT_ACCESSW entries[kCount] = {};
    for (ULONG i = 0; i < kCount; ++i) {
        DWORD size = SECURITY_MAX_SID_SIZE;
        if (!CreateWellKnownSid(kTrustees[i], nullptr, sids[i], &size)) return false;
        entries[i].grfAccessPermissions = kComExecuteRights;
        entries[i].grfAccessMode = SET_ACCESS;
        entries[i].grfInheritance = NO_INHERITANCE;
        entries[i].Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
        entries[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entries[i].Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        entries[i].Trustee.ptstrName = reinterpret_cast<LPWSTR>(sids[i]);
    }
    PACL acl = nullptr;
    if (SetEntriesInAclW(kCount, entries, nullptr, &acl) != ERROR_SUCCESS) return false;
    PSID administrators = sids[0];
    SECURITY_DESCRIPTOR descriptor;
    const bool ok = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                    SetSecurityDescriptorOwner(&descriptor, administrators, FALSE) &&
                    SetSecurityDescriptorGroup(&descriptor, administrators, FALSE) &&
                    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
                    SUCCEEDED(co_initialize_security(&descriptor, -1, nullptr, nullptr,
                                                     kAuthnLevelPacketPrivacy, kImpLevelIdentify,
                                                     nullptr, kComCapabilities, nullptr));
    LocalFree(acl);
    return ok;
}

// The closing request of a restore point started by Dll_SR_Begin.
RESTOREPOINTINFOW EndRequest(DWORD restore_point_type) {
    RESTOREPOINTINFOW request{};
    request.dwEventType = END_SYSTEM_CHANGE;
    request.dwRestorePtType = restore_point_type;
    request.llSequenceNumber = g_client.last_status.llSequenceNumber;
    return request;
}

bool Ready() {
    return g_client.initialised && g_client.set_restore_point != nullptr;
}

}  // namespace

#ifdef HOSTKIT_TEST_HOOKS
SystemRestoreClient& SystemRestoreClientForTest() {
    return g_client;
}
#endif

}  // namespace purgeon::hostkit

using purgeon::hostkit::g_client;

extern "C" {

BYTE __stdcall Dll_SR_Init() {
    using namespace purgeon::hostkit;
    if (g_client.initialised) return TRUE;
    g_client.module = LoadLibraryW(g_client.library_name);
    if (g_client.module == nullptr) {
        Report("System Restore is not present.", L"System Restore is not present.");
    } else if ((g_client.set_restore_point =
                    reinterpret_cast<SrSetRestorePointFn>(reinterpret_cast<void*>(
                        GetProcAddress(g_client.module, "SRSetRestorePointW")))) == nullptr) {
        Report("Failed to find SRSetRestorePointW.", L"Failed to find SRSetRestorePointW.");
    } else if (!InitializeComSecurity(g_client.co_initialize_security)) {
        Report("Unexpected error: failed to initialize COM security",
               L"Unexpected error: failed to initialize COM security.");
    } else {
        g_client.initialised = true;
    }
    if (!g_client.initialised && g_client.module != nullptr) {
        FreeLibrary(g_client.module);
        g_client.module = nullptr;
        g_client.set_restore_point = nullptr;
        ShowBox(L"FreeLibrary(g_hSrClient).");
    }
    return g_client.initialised ? TRUE : FALSE;
}

// Refuses (false, nothing shown) before a successful Dll_SR_Init and for a
// null description.
BYTE __stdcall Dll_SR_Begin(const wchar_t* description) {
    using namespace purgeon::hostkit;
    if (!Ready() || description == nullptr) return FALSE;
    g_client.last_status = STATEMGRSTATUS{};
    RESTOREPOINTINFOW request{};
    request.dwEventType = BEGIN_SYSTEM_CHANGE;
    request.dwRestorePtType = APPLICATION_UNINSTALL;
    request.llSequenceNumber = 0;
    // At most 255 characters; the zero-filled request terminates them.
    std::wcsncpy(request.szDescription, description, kMaxDescriptionChars);
    if (g_client.set_restore_point(&request, &g_client.last_status)) {
        PrintStdout("Restore point created; number=%lld.\n",
                    static_cast<long long>(g_client.last_status.llSequenceNumber));
        return TRUE;
    }
    const unsigned status = g_client.last_status.nStatus;
    if (status == kStatusServiceDisabled) {
        Report("System Restore is turned off.", L"System Restore is turned off.");
        return FALSE;
    }
    PrintStdout("Failure to create the restore point; error=%u.\n", status);
    ShowBox(L"Failure to create the restore poin.");
    return FALSE;
}

BYTE __stdcall Dll_SR_Cancel() {
    using namespace purgeon::hostkit;
    if (!Ready()) return FALSE;
    ShowBox(L"Dll_SR_Cancel--Enter.");
    RESTOREPOINTINFOW request = EndRequest(CANCELLED_OPERATION);
    if (!g_client.set_restore_point(&request, &g_client.last_status)) {
        PrintStdout("Failure to cancel the restore point; error=%u.\n",
                    static_cast<unsigned>(g_client.last_status.nStatus));
        return FALSE;
    }
    PrintStdout("Restore point canceled. Restore point data:\n");
    PrintStdout("\tSequence Number=%lld\n",
                static_cast<long long>(g_client.last_status.llSequenceNumber));
    PrintStdout("\tStatus=%u\n", static_cast<unsigned>(g_client.last_status.nStatus));
    return TRUE;
}

BYTE __stdcall Dll_SR_End() {
    using namespace purgeon::hostkit;
    if (!Ready()) return FALSE;
    RESTOREPOINTINFOW request = EndRequest(0);
    if (!g_client.set_restore_point(&request, &g_client.last_status)) {
        PrintStdout("Failure to end the restore point; error=%u.\n",
                    static_cast<unsigned>(g_client.last_status.nStatus));
        ShowBox(L"Failure to end the restore point;");
        return FALSE;
    }
    ShowBox(L"Dll_SR_End--End.");
    return TRUE;
}

}  // extern "C"
