// The restore-point exports' decisions with a stand-in for
// SRSetRestorePointW (Wine's is a stub that always fails), for the library
// name and for CoInitializeSecurity: the requests built, the texts written to
// standard output and shown in "SR" message boxes, and the init state. The
// exports' source is compiled into this program with HOSTKIT_TEST_HOOKS; the
// message boxes are real and answered by a helper thread.
#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "hostkit_exports.h"
#include "hostkit_services_support.h"
#include "restore_point.h"

namespace purgeon::hostkit {
namespace {

using test::Captured;
using test::MessageBoxAnswerer;

// What the stand-in SRSetRestorePointW saw and will answer.
struct FakeSystemRestore {
    std::vector<RESTOREPOINTINFOW> requests;
    BOOL succeed = TRUE;
    bool write_status = true;
    DWORD status = 0;
    INT64 sequence = 0;
};
FakeSystemRestore* g_restore = nullptr;

BOOL WINAPI FakeSetRestorePoint(PRESTOREPOINTINFOW request, PSTATEMGRSTATUS status) {
    g_restore->requests.push_back(*request);
    if (g_restore->write_status) {
        status->nStatus = g_restore->status;
        status->llSequenceNumber = g_restore->sequence;
    }
    return g_restore->succeed;
}

// The COM security the stand-in CoInitializeSecurity was given.
struct SecuritySeen {
    bool called = false;
    bool valid_descriptor = false;
    bool owner_is_administrators = false;
    bool group_is_administrators = false;
    std::vector<std::pair<WELL_KNOWN_SID_TYPE, ACCESS_MASK>> allowed;  // from the DACL
    LONG auth_services = 0;
    bool no_service_list = false;
    DWORD authn_level = 0, imp_level = 0, capabilities = 0;
    HRESULT answer = S_OK;
};
SecuritySeen* g_security = nullptr;

HRESULT WINAPI FakeCoInitializeSecurity(PSECURITY_DESCRIPTOR descriptor, LONG auth_services,
                                        SOLE_AUTHENTICATION_SERVICE* services, void*,
                                        DWORD authn_level, DWORD imp_level, void* auth_list,
                                        DWORD capabilities, void*) {
    SecuritySeen& seen = *g_security;
    seen.called = true;
    seen.valid_descriptor = descriptor != nullptr && IsValidSecurityDescriptor(descriptor);
    seen.auth_services = auth_services;
    seen.no_service_list = services == nullptr && auth_list == nullptr;
    seen.authn_level = authn_level;
    seen.imp_level = imp_level;
    seen.capabilities = capabilities;
    if (!seen.valid_descriptor) return seen.answer;

    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(admins);
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size);
    PSID owner = nullptr, group = nullptr;
    BOOL defaulted = FALSE;
    seen.owner_is_administrators = GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) &&
                                   owner != nullptr && EqualSid(owner, admins);
    seen.group_is_administrators = GetSecurityDescriptorGroup(descriptor, &group, &defaulted) &&
                                   group != nullptr && EqualSid(group, admins);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present && dacl) {
        const WELL_KNOWN_SID_TYPE known[] = {WinBuiltinAdministratorsSid, WinLocalServiceSid,
                                             WinNetworkServiceSid, WinSelfSid, WinLocalSystemSid};
        for (DWORD i = 0; i < dacl->AceCount; ++i) {
            void* ace = nullptr;
            if (!GetAce(dacl, i, &ace)) continue;
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
            for (WELL_KNOWN_SID_TYPE type : known) {
                if (IsWellKnownSid(&allowed->SidStart, type)) {
                    seen.allowed.emplace_back(type, allowed->Mask);
                }
            }
        }
    }
    return seen.answer;
}

// The arguments of every message box, then the real box (which the test's
// answerer closes): Wine does not show MB_TOPMOST in the window's style.
std::vector<std::wstring> g_box_calls;

int WINAPI RecordingMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    wchar_t flags[16];
    swprintf(flags, 16, L"0x%x", style);
    g_box_calls.push_back((owner == nullptr ? L"no owner, " : L"owner, ") + std::wstring(caption) +
                          L", " + flags);
    return MessageBoxW(owner, text, caption, style);
}

class RestorePointLogicTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CoInitialize(nullptr);
        Reset();
        g_restore = &restore_;
        g_security = &security_;
    }
    void TearDown() override {
        for (const std::wstring& call : g_box_calls) EXPECT_EQ(call, L"no owner, SR, 0x40010");
        Reset();
        g_restore = nullptr;
        g_security = nullptr;
        CoUninitialize();
    }
    static void Reset() {
        SystemRestoreClient& client = SystemRestoreClientForTest();
        if (client.module != nullptr) FreeLibrary(client.module);
        client = {L"srclient.dll",
                  &FakeCoInitializeSecurity,
                  &RecordingMessageBox,
                  false,
                  nullptr,
                  nullptr,
                  {}};
        g_box_calls.clear();
    }
    // Initialised for real (the library and SRSetRestorePointW are looked up),
    // then the stand-in answers in place of SRSetRestorePointW.
    void InitWithStandIn() {
        ASSERT_EQ(Dll_SR_Init(), 1);
        ASSERT_NE(SystemRestoreClientForTest().set_restore_point, nullptr);
        SystemRestoreClientForTest().set_restore_point = &FakeSetRestorePoint;
        boxes_.Take();
    }
    // Calls `body` and returns its result, with standard output in printed_.
    template <typename Body>
    auto Call(Body&& body) {
        return Captured(printed_, body);
    }

    FakeSystemRestore restore_;
    SecuritySeen security_;
    std::string printed_;
    MessageBoxAnswerer boxes_;
};

TEST_F(RestorePointLogicTest, InitLoadsTheClientSetsUpComSecurityOnceAndThenJustSaysYes) {
    ASSERT_EQ(Call(Dll_SR_Init), 1);
    EXPECT_EQ(printed_, "");
    SystemRestoreClient& client = SystemRestoreClientForTest();
    EXPECT_TRUE(client.initialised);
    EXPECT_EQ(client.module, GetModuleHandleW(L"srclient.dll"));
    EXPECT_EQ(reinterpret_cast<void*>(client.set_restore_point),
              reinterpret_cast<void*>(GetProcAddress(client.module, "SRSetRestorePointW")));

    ASSERT_TRUE(security_.called);
    EXPECT_TRUE(security_.valid_descriptor);
    EXPECT_TRUE(security_.owner_is_administrators);
    EXPECT_TRUE(security_.group_is_administrators);
    const std::vector<std::pair<WELL_KNOWN_SID_TYPE, ACCESS_MASK>> allowed = {
        {WinBuiltinAdministratorsSid, 3},
        {WinLocalServiceSid, 3},
        {WinNetworkServiceSid, 3},
        {WinSelfSid, 3},
        {WinLocalSystemSid, 3}};
    EXPECT_EQ(security_.allowed, allowed) << "COM execute and local execute for each of the five";
    EXPECT_EQ(security_.auth_services, -1);
    EXPECT_TRUE(security_.no_service_list);
    EXPECT_EQ(security_.authn_level, 6u);  // packet privacy
    EXPECT_EQ(security_.imp_level, 2u);    // identify
    EXPECT_EQ(security_.capabilities, 0x3000u);

    // Once initialised, nothing is looked at again.
    security_ = SecuritySeen{};
    const HMODULE module = client.module;
    client.library_name = L"purgeon-no-such-library.dll";
    EXPECT_EQ(Call(Dll_SR_Init), 1);
    EXPECT_FALSE(security_.called);
    EXPECT_EQ(client.module, module);
    EXPECT_EQ(printed_, "");
    EXPECT_TRUE(boxes_.Take().empty());
}

TEST_F(RestorePointLogicTest, AFailedInitReportsReleasesTheClientAndIsTriedAgain) {
    struct Case {
        const char* what;
        const wchar_t* library;
        HRESULT security_answer;
        std::string printed;
        std::vector<std::wstring> boxes;
    } cases[] = {
        {"no System Restore",
         L"purgeon-no-such-library.dll",
         S_OK,
         "System Restore is not present.\n",
         {L"System Restore is not present."}},
        {"a library without SRSetRestorePointW",
         L"kernel32.dll",
         S_OK,
         "Failed to find SRSetRestorePointW.\n",
         {L"Failed to find SRSetRestorePointW.", L"FreeLibrary(g_hSrClient)."}},
        {"COM security refused",
         L"srclient.dll",
         RPC_E_TOO_LATE,
         "Unexpected error: failed to initialize COM security\n",
         {L"Unexpected error: failed to initialize COM security.", L"FreeLibrary(g_hSrClient)."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        SystemRestoreClient& client = SystemRestoreClientForTest();
        client.library_name = c.library;
        security_ = SecuritySeen{};
        security_.answer = c.security_answer;

        const BYTE result = Call(Dll_SR_Init);
        const std::vector<test::AnsweredBox> boxes = boxes_.Take();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed_, c.printed);
        std::vector<std::wstring> texts;
        for (const auto& box : boxes) {
            texts.push_back(box.text);
            EXPECT_EQ(box.caption, L"SR");
            EXPECT_TRUE(box.error_icon) << "MB_ICONERROR";
        }
        EXPECT_EQ(texts, c.boxes);
        EXPECT_EQ(g_box_calls, std::vector<std::wstring>(c.boxes.size(), L"no owner, SR, 0x40010"));
        g_box_calls.clear();
        EXPECT_FALSE(client.initialised);
        EXPECT_EQ(client.module, nullptr);
        EXPECT_EQ(client.set_restore_point, nullptr);

        // Refused until an init succeeds; the next init tries again.
        EXPECT_EQ(Call([] { return Dll_SR_Begin(L"x"); }), 0);
        client.library_name = L"srclient.dll";
        security_.answer = S_OK;
        EXPECT_EQ(Call(Dll_SR_Init), 1);
        EXPECT_EQ(printed_, "");
        EXPECT_TRUE(boxes_.Take().empty());
    }
}

TEST_F(RestorePointLogicTest, BeginAndEndMakeOneRestorePointWhoseNumberTravels) {
    InitWithStandIn();
    restore_.sequence = 0x10000002ALL;  // beyond 32 bits
    ASSERT_EQ(Call([] { return Dll_SR_Begin(L"Removing Example App"); }), 1);
    EXPECT_EQ(printed_, "Restore point created; number=4294967338.\n");
    EXPECT_TRUE(boxes_.Take().empty());

    restore_.sequence = 0;  // End's own result overwrites the record
    ASSERT_EQ(Call(Dll_SR_End), 1);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(boxes_.TakeTexts(), std::vector<std::wstring>{L"Dll_SR_End--End."});

    ASSERT_EQ(restore_.requests.size(), 2u);
    const RESTOREPOINTINFOW& begin = restore_.requests[0];
    EXPECT_EQ(begin.dwEventType, 100u);    // BEGIN_SYSTEM_CHANGE
    EXPECT_EQ(begin.dwRestorePtType, 1u);  // APPLICATION_UNINSTALL
    EXPECT_EQ(begin.llSequenceNumber, 0);
    EXPECT_EQ(std::wstring(begin.szDescription), L"Removing Example App");
    const RESTOREPOINTINFOW& end = restore_.requests[1];
    EXPECT_EQ(end.dwEventType, 101u);  // END_SYSTEM_CHANGE
    EXPECT_EQ(end.dwRestorePtType, 0u);
    EXPECT_EQ(end.llSequenceNumber, 0x10000002ALL);
    EXPECT_EQ(end.szDescription[0], L'\0');
}

TEST_F(RestorePointLogicTest, CancelAnnouncesItselfThenReportsTheRecord) {
    InitWithStandIn();
    restore_.sequence = 77;
    ASSERT_EQ(Call([] { return Dll_SR_Begin(L"x"); }), 1);

    restore_.status = 0;
    restore_.sequence = 78;
    ASSERT_EQ(Call(Dll_SR_Cancel), 1);
    EXPECT_EQ(printed_,
              "Restore point canceled. Restore point data:\n"
              "\tSequence Number=78\n"
              "\tStatus=0\n");
    EXPECT_EQ(boxes_.TakeTexts(), std::vector<std::wstring>{L"Dll_SR_Cancel--Enter."});
    ASSERT_EQ(restore_.requests.size(), 2u);
    EXPECT_EQ(restore_.requests[1].dwEventType, 101u);
    EXPECT_EQ(restore_.requests[1].dwRestorePtType, 13u);  // CANCELLED_OPERATION
    EXPECT_EQ(restore_.requests[1].llSequenceNumber, 77);
}

TEST_F(RestorePointLogicTest, FailuresSayWhatFailedWithTheStatus) {
    struct Case {
        const char* what;
        BYTE (*call)();
        DWORD status;
        std::string printed;
        std::vector<std::wstring> boxes;
    } cases[] = {
        {"begin, service disabled",
         [] { return Dll_SR_Begin(L"x"); },
         1058,
         "System Restore is turned off.\n",
         {L"System Restore is turned off."}},
        {"begin",
         [] { return Dll_SR_Begin(L"x"); },
         5,
         "Failure to create the restore point; error=5.\n",
         {L"Failure to create the restore poin."}},
        {"cancel",
         [] { return Dll_SR_Cancel(); },
         6,
         "Failure to cancel the restore point; error=6.\n",
         {L"Dll_SR_Cancel--Enter."}},
        {"end",
         [] { return Dll_SR_End(); },
         1058,
         "Failure to end the restore point; error=1058.\n",
         {L"Failure to end the restore point;"}},
    };
    InitWithStandIn();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        restore_.succeed = FALSE;
        restore_.status = c.status;
        EXPECT_EQ(Call(c.call), 0);
        EXPECT_EQ(printed_, c.printed);
        EXPECT_EQ(boxes_.TakeTexts(), c.boxes);
    }
}

TEST_F(RestorePointLogicTest, BeginClearsTheRecordBeforeAsking) {
    InitWithStandIn();
    SystemRestoreClientForTest().last_status.nStatus = 99;
    restore_.succeed = FALSE;
    restore_.write_status = false;  // a client that leaves the record alone
    EXPECT_EQ(Call([] { return Dll_SR_Begin(L"x"); }), 0);
    EXPECT_EQ(printed_, "Failure to create the restore point; error=0.\n");
    EXPECT_EQ(boxes_.TakeTexts(),
              std::vector<std::wstring>{L"Failure to create the restore poin."});
}

TEST_F(RestorePointLogicTest, DescriptionsAreCutAt255Characters) {
    InitWithStandIn();
    std::wstring long_text;
    for (int i = 0; i < 300; ++i) long_text += static_cast<wchar_t>(L'a' + i % 26);
    struct Case {
        std::wstring description;
        std::wstring stored;
    } cases[] = {
        {long_text, long_text.substr(0, 255)},
        {long_text.substr(0, 255), long_text.substr(0, 255)},
        {long_text.substr(0, 256), long_text.substr(0, 255)},
        {L"", L""},
    };
    for (const Case& c : cases) {
        restore_.requests.clear();
        ASSERT_EQ(Call([&] { return Dll_SR_Begin(c.description.c_str()); }), 1);
        ASSERT_EQ(restore_.requests.size(), 1u);
        const RESTOREPOINTINFOW& request = restore_.requests[0];
        EXPECT_EQ(request.szDescription[255], L'\0');
        EXPECT_EQ(std::wstring(request.szDescription), c.stored) << c.description.size();
    }
}

TEST_F(RestorePointLogicTest, WithoutInitOrDescriptionEverythingIsRefusedQuietly) {
    SystemRestoreClientForTest().set_restore_point = &FakeSetRestorePoint;  // not initialised
    EXPECT_EQ(Call([] { return Dll_SR_Begin(L"x"); }), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(Call(Dll_SR_Cancel), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_EQ(Call(Dll_SR_End), 0);
    EXPECT_EQ(printed_, "");
    InitWithStandIn();
    EXPECT_EQ(Call([] { return Dll_SR_Begin(nullptr); }), 0);
    EXPECT_EQ(printed_, "");
    EXPECT_TRUE(restore_.requests.empty());
    EXPECT_TRUE(boxes_.Take().empty());
}

}  // namespace
}  // namespace purgeon::hostkit
