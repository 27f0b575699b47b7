// The decisions of the administration-tool launchers, with Windows played by
// the test: which candidate files are looked for, which commands are opened
// in which order, the Vista test of Backup, and file-system redirection
// switched off first and back on last on every return path. The launchers'
// source is compiled into this program with HOSTKIT_TEST_HOOKS.
#include <windows.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "services.h"
#include "tools.h"

namespace purgeon::hostkit {
namespace {

// The Windows the launchers see: folder ids 0x24, 0x25, 0x2B map to short
// fake folders; a set of files exists; everything asked is logged in order.
struct FakeWindows {
    bool wow64 = true;
    bool disable_works = true;
    bool folders_known = true;
    std::set<std::wstring> files;
    OSVERSIONINFOW version{};
    bool version_known = true;
    std::vector<std::wstring> log;
};
FakeWindows* g_fake = nullptr;

PVOID const kSavedValue = reinterpret_cast<PVOID>(0x5EED);

BOOL FakeIsWow64() {
    return g_fake->wow64;
}

bool FakeDisable(PVOID* saved) {
    g_fake->log.push_back(L"redirection off");
    if (!g_fake->disable_works) return false;
    *saved = kSavedValue;
    return true;
}

bool FakeRevert(PVOID saved) {
    g_fake->log.push_back(saved == kSavedValue ? L"redirection on"
                                               : L"redirection on, wrong value");
    return true;
}

BOOL WINAPI FakeFolder(HWND, LPWSTR path, int csidl, BOOL create) {
    const wchar_t* folder = csidl == 0x24   ? L"W:"
                            : csidl == 0x25 ? L"W:\\Sys"
                            : csidl == 0x2B ? L"P:\\Common"
                                            : nullptr;
    if (!g_fake->folders_known || folder == nullptr || create) return FALSE;
    wcscpy(path, folder);
    return TRUE;
}

BOOL WINAPI FakeExists(LPCWSTR path) {
    g_fake->log.push_back(std::wstring(L"exists? ") + path);
    return g_fake->files.count(path) != 0;
}

HINSTANCE WINAPI FakeShellExecute(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                  LPCWSTR directory, INT show) {
    std::wstring entry = L"open ";
    entry += file;
    if (parameters != nullptr) entry += std::wstring(L" | ") + parameters;
    // Always no owner, verb "open", no folder, shown normally.
    if (owner != nullptr || std::wstring(verb) != L"open" || directory != nullptr ||
        show != SW_SHOWNORMAL) {
        entry += L" (unexpected arguments)";
    }
    g_fake->log.push_back(entry);
    return reinterpret_cast<HINSTANCE>(2);  // a failure, which must not matter
}

BOOL WINAPI FakeVersion(LPOSVERSIONINFOW info) {
    g_fake->log.push_back(L"version");
    if (info->dwOSVersionInfoSize != 276 || !g_fake->version_known) return FALSE;
    info->dwMajorVersion = g_fake->version.dwMajorVersion;
    info->dwPlatformId = g_fake->version.dwPlatformId;
    return TRUE;
}

class ToolLauncherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = ToolLauncherSystemForTest();
        ToolLauncherSystemForTest() = {&FakeIsWow64, &FakeDisable,      &FakeRevert, &FakeFolder,
                                       &FakeExists,  &FakeShellExecute, &FakeVersion};
        g_fake = &fake_;
        SetVersion(6, 2);
    }
    void TearDown() override {
        ToolLauncherSystemForTest() = saved_;
        g_fake = nullptr;
    }
    void SetVersion(DWORD major, DWORD platform) {
        fake_.version.dwMajorVersion = major;
        fake_.version.dwPlatformId = platform;
    }
    // The log without the redirection entries, after checking that they
    // frame it: off first and on last exactly when the switch worked, and no
    // file looked at before the switch.
    std::vector<std::wstring> Requests() {
        std::vector<std::wstring> log = fake_.log;
        if (!fake_.wow64) {
            for (const auto& entry : log) EXPECT_EQ(entry.find(L"redirection"), std::wstring::npos);
            return log;
        }
        EXPECT_FALSE(log.empty());
        if (log.empty()) return log;
        EXPECT_EQ(log.front(), L"redirection off");
        log.erase(log.begin());
        if (fake_.disable_works) {
            EXPECT_FALSE(log.empty());
            if (log.empty()) return log;
            EXPECT_EQ(log.back(), L"redirection on");
            log.pop_back();
        }
        for (const auto& entry : log) EXPECT_EQ(entry.find(L"redirection"), std::wstring::npos);
        return log;
    }

    FakeWindows fake_;
    ToolLauncherSystem saved_{};
};

using Launcher = BYTE(__stdcall*)();

struct LauncherCase {
    const char* what;
    Launcher launcher;
    std::set<std::wstring> existing;
    BYTE result;
    std::vector<std::wstring> requests;  // existence checks and launches, in order
};

const std::vector<LauncherCase>& LauncherCases() {
    static const std::vector<LauncherCase> cases = {
        {"registry editor",
         &Tool_RunRegistryEditor,
         {L"W:\\regedit.exe"},
         1,
         {L"exists? W:\\regedit.exe", L"open regedit.exe"}},
        {"registry editor missing", &Tool_RunRegistryEditor, {}, 0, {L"exists? W:\\regedit.exe"}},
        {"DirectX diagnostics",
         &Tool_RunDxDiag,
         {L"W:\\Sys\\dxdiag.exe"},
         1,
         {L"exists? W:\\Sys\\dxdiag.exe", L"open dxdiag.exe"}},
        {"system information",
         &Tool_RunSystemInformation,
         {L"P:\\Common\\Microsoft Shared\\MSInfo\\msinfo32.exe"},
         1,
         {L"exists? P:\\Common\\Microsoft Shared\\MSInfo\\msinfo32.exe", L"open msinfo32.exe"}},
        {"system configuration, old place",
         &Tool_RunSystemConfiguration,
         {L"W:\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe"},
         1,
         {L"exists? W:\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe",
          L"open W:\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe", L"open msconfig"}},
        {"system configuration, new place",
         &Tool_RunSystemConfiguration,
         {L"W:\\Sys\\msconfig.exe"},
         1,
         {L"exists? W:\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe",
          L"exists? W:\\Sys\\msconfig.exe", L"open W:\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe",
          L"open msconfig"}},
        {"system configuration missing",
         &Tool_RunSystemConfiguration,
         {},
         0,
         {L"exists? W:\\PCHealth\\HelpCtr\\Binaries\\msconfig.exe",
          L"exists? W:\\Sys\\msconfig.exe"}},
        {"disk cleanup",
         &Tool_RunDiskCleanup,
         {L"W:\\Sys\\cleanmgr.exe"},
         1,
         {L"exists? W:\\Sys\\cleanmgr.exe", L"open cleanmgr.exe"}},
        {"defragmenter, new one only",
         &Tool_RunDefragmenter,
         {L"W:\\Sys\\dfrgui.exe"},
         1,
         {L"exists? W:\\Sys\\dfrg.msc", L"exists? W:\\Sys\\dfrgui.exe", L"open dfrg.msc",
          L"open dfrgui.exe"}},
        {"defragmenter missing",
         &Tool_RunDefragmenter,
         {},
         0,
         {L"exists? W:\\Sys\\dfrg.msc", L"exists? W:\\Sys\\dfrgui.exe"}},
        {"computer management",
         &Tool_RunComputerManagement,
         {L"W:\\Sys\\compmgmt.msc"},
         1,
         {L"exists? W:\\Sys\\compmgmt.msc", L"open compmgmt.msc"}},
        {"system restore, new place",
         &Tool_RunSystemRestore,
         {L"W:\\Sys\\rstrui.exe"},
         1,
         {L"exists? W:\\Sys\\Restore\\rstrui.exe", L"exists? W:\\Sys\\rstrui.exe",
          L"open W:\\Sys\\Restore\\rstrui.exe", L"open rstrui.exe"}},
        {"system restore, old place",
         &Tool_RunSystemRestore,
         {L"W:\\Sys\\Restore\\rstrui.exe"},
         1,
         {L"exists? W:\\Sys\\Restore\\rstrui.exe", L"open W:\\Sys\\Restore\\rstrui.exe",
          L"open rstrui.exe"}},
        {"group policy editor",
         &Tool_RunGroupPolicyEditor,
         {L"W:\\Sys\\gpedit.msc"},
         1,
         {L"exists? W:\\Sys\\gpedit.msc", L"open gpedit.msc"}},
        {"group policy editor missing",
         &Tool_RunGroupPolicyEditor,
         {L"W:\\gpedit.msc"},
         0,
         {L"exists? W:\\Sys\\gpedit.msc"}},
    };
    return cases;
}

TEST_F(ToolLauncherTest, EachLauncherChecksItsCandidatesAndOpensItsCommands) {
    struct Mode {
        const char* what;
        bool wow64, disable_works;
    } modes[] = {{"under WOW64", true, true},
                 {"32-bit Windows", false, true},
                 {"redirection switch fails", true, false}};
    for (const Mode& mode : modes) {
        for (const LauncherCase& c : LauncherCases()) {
            SCOPED_TRACE(::testing::Message() << c.what << ", " << mode.what);
            fake_ = FakeWindows{};
            SetVersion(6, 2);
            fake_.wow64 = mode.wow64;
            fake_.disable_works = mode.disable_works;
            fake_.files = c.existing;
            EXPECT_EQ(c.launcher(), c.result);
            EXPECT_EQ(Requests(), c.requests);
        }
    }
}

TEST_F(ToolLauncherTest, AnUnknownFolderMeansTheToolIsMissing) {
    fake_.folders_known = false;
    fake_.files = {L"\\regedit.exe", L"W:\\regedit.exe"};
    EXPECT_EQ(Tool_RunRegistryEditor(), 0);
    EXPECT_EQ(Requests(), std::vector<std::wstring>{});
}

TEST_F(ToolLauncherTest, BackupOpensTheBackupCenterFromVistaOnAndNeedsNtbackupBefore) {
    const std::wstring ntbackup = L"open ntbackup.exe";
    const std::wstring center = L"open control.exe | /name Microsoft.BackupAndRestoreCenter";
    const std::wstring check = L"exists? W:\\Sys\\ntbackup.exe";
    struct Case {
        const char* what;
        DWORD major, platform;
        bool version_known;
        bool has_ntbackup;
        BYTE result;
        std::vector<std::wstring> requests;
    } cases[] = {
        {"Vista", 6, 2, true, false, 1, {L"version", ntbackup, center}},
        {"Windows 10", 10, 2, true, false, 1, {L"version", ntbackup, center}},
        {"XP with ntbackup", 5, 2, true, true, 1, {L"version", ntbackup, check, center}},
        {"XP without ntbackup", 5, 2, true, false, 0, {L"version", ntbackup, check}},
        {"not an NT platform", 6, 1, true, false, 0, {L"version", ntbackup, check}},
        {"version unknown", 6, 2, false, true, 1, {L"version", ntbackup, check, center}},
    };
    for (const Case& c : cases) {
        for (bool wow64 : {true, false}) {
            SCOPED_TRACE(::testing::Message() << c.what << (wow64 ? ", WOW64" : ", 32-bit"));
            fake_ = FakeWindows{};
            fake_.wow64 = wow64;
            SetVersion(c.major, c.platform);
            fake_.version_known = c.version_known;
            if (c.has_ntbackup) fake_.files = {L"W:\\Sys\\ntbackup.exe"};
            EXPECT_EQ(Tool_RunBackup(), c.result);
            EXPECT_EQ(Requests(), c.requests);
        }
    }
}

}  // namespace
}  // namespace purgeon::hostkit
