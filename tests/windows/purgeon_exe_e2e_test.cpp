// End to end through the real purgeon.exe, driven from outside as a user
// would: this program finds the windows of the running purgeon.exe by class
// and caption, presses its buttons, answers its message boxes and reads its
// lists (through memory in purgeon.exe's own process, as a list view's
// messages need), then checks the machine. The prefix holds the demo's real
// NSIS and Windows Installer programs (seeded by the fixture test).
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_handles.h"
#include "screen_shot.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/workflow_control_ids.h"
#include "window_test_support.h"

namespace purgeon {
namespace {

constexpr int kStepTimeoutMs = 90000;

bool WaitFor(const std::function<bool()>& done, int timeout_ms = kStepTimeoutMs) {
    for (int waited = 0; waited < timeout_ms; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

BOOL CALLBACK MatchId(HWND child, LPARAM data) {
    auto* found = reinterpret_cast<std::pair<int, HWND>*>(data);
    if (GetDlgCtrlID(child) == found->first) {
        found->second = child;
        return FALSE;
    }
    return TRUE;
}

HWND Child(HWND parent, int id) {
    std::pair<int, HWND> found{id, nullptr};
    if (parent) EnumChildWindows(parent, &MatchId, reinterpret_cast<LPARAM>(&found));
    return found.second;
}

// The text of a static control in a message box (its question or notice).
std::wstring BoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? TextOf(text) : std::wstring();
}

// Waits for purgeon.exe's message box holding `text_part`, checks it, and
// presses `button` (IDYES, IDOK...).
void Answer(DWORD pid, const std::wstring& text_part, int button) {
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        box = FindTopWindow(pid, L"#32770");
        return box != nullptr && BoxText(box).find(text_part) != std::wstring::npos;
    })) << "no message box with: "
        << ToUtf8(FromWide(text_part.c_str()));
    EXPECT_EQ(TextOf(box), L"Purgeon");
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }));
}

// List view access from outside: the item structure and the text buffer are
// placed in purgeon.exe's memory, since the list reads them in its process.
class RemoteList {
  public:
    RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {
        remote_ = VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteList() {
        if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    }
    int Count() const { return int(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring Text(int item, int column) {
        LVITEMW data{};
        data.iSubItem = column;
        data.cchTextMax = 900;
        data.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote_) + 256);
        WriteProcessMemory(process_, remote_, &data, sizeof(data), nullptr);
        const LRESULT length =
            SendMessageW(list_, LVM_GETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(remote_));
        std::wstring text(std::size_t(length > 0 ? length : 0), L'\0');
        if (length > 0)
            ReadProcessMemory(process_, data.pszText, text.data(), std::size_t(length) * 2,
                              nullptr);
        return text;
    }
    void Select(int item) {
        LVITEMW data{};
        data.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        data.state = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(process_, remote_, &data, sizeof(data), nullptr);
        SendMessageW(list_, LVM_SETITEMSTATE, WPARAM(item), reinterpret_cast<LPARAM>(remote_));
    }
    int Find(const std::wstring& caption, int column = 0) {
        for (int i = 0; i < Count(); ++i)
            if (Text(i, column) == caption) return i;
        return -1;
    }

  private:
    HANDLE process_;
    HWND list_;
    void* remote_ = nullptr;
};

bool Visible(HWND window) {
    return window != nullptr && IsWindowVisible(window);
}

std::wstring ProgramFilesX86() {
    wchar_t path[MAX_PATH];
    const DWORD n = ExpandEnvironmentStringsW(L"%ProgramFiles(x86)%", path, MAX_PATH);
    return n > 0 && n < MAX_PATH && path[0] != L'%' ? path : L"C:\\Program Files (x86)";
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RunValueExists(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    const bool found =
        RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

class PurgeonExe : public ::testing::Test {
  protected:
    void SetUp() override {
        std::wstring exe = Wide(OwnExecutablePath());
        exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"purgeon.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        ASSERT_TRUE(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &info_));
        process_.Reset(info_.hProcess);
        thread_.Reset(info_.hThread);
        ASSERT_TRUE(
            WaitFor([&] { return (main_ = FindTopWindow(pid(), L"TFrm_Main_PG")) != nullptr; }));
        list_ = Child(main_, kIdAppList);
        ASSERT_NE(list_, nullptr);
        // Rows keep coming while the enumeration runs, with the list-loading
        // window up and the main window disabled under it: the list is full
        // when neither holds and its count (two programs at least) stays
        // the same for a second.
        int last = -1, steady = 0;
        ASSERT_TRUE(WaitFor([&] {
            const int count = RemoteList(process_.Get(), list_).Count();
            const bool loading = Visible(FindTopWindow(pid(), L"TFrm_AppListLoadingShow"));
            steady =
                count >= 2 && count == last && !loading && IsWindowEnabled(main_) ? steady + 1 : 0;
            last = count;
            return steady >= 20;
        })) << "the program list did not fill";
    }
    void TearDown() override {
        if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.Get(), 10000) != WAIT_OBJECT_0)
                TerminateProcess(process_.Get(), 1);
        }
    }
    DWORD pid() const { return info_.dwProcessId; }
    void Press(HWND parent, int id) {
        HWND button = Child(parent, id);
        ASSERT_NE(button, nullptr) << "no control " << id;
        ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(button) && Visible(button); }));
        PostMessageW(button, BM_CLICK, 0, 0);
    }
    bool PageShown(int id) { return Visible(Child(main_, id)); }

    // The uninstall-process window once it offers Close (the runner has
    // marked its steps); nullptr when it never does.
    HWND UninstallWindowOfferingClose() {
        HWND window = nullptr;
        const bool offered = WaitFor([&] {
            window = FindTopWindow(pid(), L"TFrm_UninstallProcess_Leftovers");
            return Visible(Child(window, kIdUninstallClose));
        });
        return offered ? window : nullptr;
    }
    // Close on the uninstall-process window, then Step 3.
    void CloseToStep3(HWND process_window) {
        PostMessageW(Child(process_window, kIdUninstallClose), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return PageShown(kIdPageStep3); })) << "no Step 3";
    }

    // Custom Uninstall: the wizard, shown.
    HWND OpenWizard() {
        HWND wizard = nullptr;
        Press(main_, kIdCustomUninstall);
        EXPECT_TRUE(WaitFor([&] {
            return (wizard = FindTopWindow(pid(), L"TFrm_K_CustomUninstallWizard")) != nullptr;
        }));
        return wizard;
    }
    // The wizard names `folder` and Scan is pressed.
    void ScanFolder(HWND wizard, const std::wstring& folder) {
        SendMessageW(Child(wizard, kIdWizardFolderEdit), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(folder.c_str()));
        Press(wizard, kIdWizardScan);
    }
    // Scan of a program's folder: confirmed, analysed, Step 3.
    void ConfirmScanToStep3(const std::wstring& folder) {
        Answer(pid(),
               L"Are you sure to scan and analyze the associated program install information of " +
                   folder,
               IDYES);
        ASSERT_TRUE(WaitFor([&] { return PageShown(kIdPageStep3); })) << "no Step 3";
    }

    // Step 3: Delete, Yes, and the closing notice.
    void DeleteLeftovers(const std::wstring& name) {
        Press(main_, kIdDelete);
        Answer(pid(), L"Are you sure you want to remove all " + name, IDYES);
        Answer(pid(), L"All " + name + L" leftovers have been completely removed.", IDOK);
        RemoteList step3(process_.Get(), Child(main_, kIdStep3FilesList));
        EXPECT_EQ(step3.Count(), 0);
    }

    PROCESS_INFORMATION info_{};
    ScopedHandle process_, thread_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(PurgeonExe, UninstallsAWindowsInstallerProgramAndItsLeftovers) {
    const std::wstring folder = ProgramFilesX86() + L"\\Harbor Backup";
    ASSERT_TRUE(Exists(folder + L"\\logs\\backup.log"));
    ASSERT_TRUE(RunValueExists(L"Harbor Backup"));

    RemoteList programs(process_.Get(), list_);
    const int row = programs.Find(L"Harbor Backup");
    ASSERT_GE(row, 0);
    programs.Select(row);
    ASSERT_TRUE(WaitFor([&] { return Visible(Child(main_, kIdDetails)); }));
    EXPECT_EQ(TextOf(Child(main_, kIdDetailsName)), L"Harbor Backup");

    Press(main_, kIdRun);
    ASSERT_TRUE(WaitFor([&] { return PageShown(kIdPageStep2); })) << "no Step 2";
    RemoteList files(process_.Get(), Child(main_, kIdStep2FilesList));
    RemoteList registry(process_.Get(), Child(main_, kIdStep2RegistryList));
    EXPECT_GE(files.Find(folder + L"\\logs\\backup.log", 1), 0);
    EXPECT_GT(registry.Count(), 0);
    EXPECT_EQ(TextOf(Child(main_, kIdUninstallProgram)), L"Uninstall Program: Harbor Backup");
    EXPECT_NE(TextOf(Child(main_, kIdStep2FilesCount)).find(L" files/folders found"),
              std::wstring::npos);
    Sleep(300);
    SaveShot(main_, "step2");

    Press(main_, kIdCompleteUninstall);
    Answer(pid(), L"Are you sure you want to uninstall Harbor Backup ?", IDYES);
    // The runner marks its steps, then offers Close.
    HWND process_window = UninstallWindowOfferingClose();
    ASSERT_NE(process_window, nullptr) << "the uninstall-process window never offered Close";
    Sleep(300);
    SaveShot(process_window, "uninstall-process-done");
    ASSERT_NO_FATAL_FAILURE(CloseToStep3(process_window));
    Sleep(300);
    SaveShot(main_, "step3");

    DeleteLeftovers(L"Harbor Backup");
    EXPECT_FALSE(Exists(folder)) << "its folder is gone";
    EXPECT_FALSE(RunValueExists(L"Harbor Backup")) << "its Run value is gone";
    // The neighbours: every other demo program is still there.
    EXPECT_TRUE(RunValueExists(L"Tidy Timer"));
    EXPECT_TRUE(Exists(ProgramFilesX86() + L"\\Quill Notes\\quill.exe"));
}

TEST_F(PurgeonExe, ACustomUninstallRemovesWhatIsInTheNamedFolder) {
    const std::wstring folder = ProgramFilesX86() + L"\\Quill Notes\\";
    ASSERT_TRUE(Exists(folder + L"quill.exe"));
    HWND wizard = OpenWizard();
    ASSERT_NE(wizard, nullptr);
    // A Windows folder is refused.
    ScanFolder(wizard, L"C:\\Windows");
    Answer(pid(), L"is highly associated with Windows system", IDOK);
    // The program's folder is confirmed and analysed.
    ScanFolder(wizard, folder);
    ASSERT_NO_FATAL_FAILURE(ConfirmScanToStep3(folder));
    Sleep(300);
    SaveShot(main_, "step3-custom");
    EXPECT_NE(TextOf(Child(main_, kIdStep3CustomTip)).find(L"Purgeon has successfully detected"),
              std::wstring::npos);
    RemoteList leftovers(process_.Get(), Child(main_, kIdStep3FilesList));
    EXPECT_GE(leftovers.Find(folder + L"quill.exe", 1), 0);

    DeleteLeftovers(folder);
    EXPECT_FALSE(Exists(folder + L"quill.exe"));
    EXPECT_TRUE(Exists(ProgramFilesX86() + L"\\Microsoft Sample Runtime (Demo)"))
        << "a neighbour in Program Files is untouched";
}

// The NSIS uninstaller's own window (its copy runs as another process):
// the dialog whose button 1 bears `caption`, once that button is enabled.
struct NsisSearch {
    DWORD purgeon_pid;
    const wchar_t* caption;
    HWND button;
};

BOOL CALLBACK MatchNsisButton(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<NsisSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == s->purgeon_pid || !IsWindowVisible(window) || ClassOf(window) != L"#32770")
        return TRUE;
    HWND button = GetDlgItem(window, 1);
    std::wstring text = button ? TextOf(button) : L"";
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    if (text == s->caption && IsWindowEnabled(button)) {
        s->button = button;
        return FALSE;
    }
    return TRUE;
}

HWND FindNsisButton(DWORD purgeon_pid, const wchar_t* caption) {
    NsisSearch search{purgeon_pid, caption, nullptr};
    EnumWindows(&MatchNsisButton, reinterpret_cast<LPARAM>(&search));
    return search.button;
}

TEST_F(PurgeonExe, UninstallsAnNsisProgramThroughItsOwnUninstallersPages) {
    wchar_t local[MAX_PATH];
    ExpandEnvironmentStringsW(L"%LOCALAPPDATA%", local, MAX_PATH);
    const std::wstring folder = std::wstring(local) + L"\\Programs\\Tidy Timer";
    ASSERT_TRUE(Exists(folder + L"\\history.csv"));
    ASSERT_TRUE(RunValueExists(L"Tidy Timer"));

    RemoteList programs(process_.Get(), list_);
    const int row = programs.Find(L"Tidy Timer");
    ASSERT_GE(row, 0);
    programs.Select(row);
    Press(main_, kIdRun);
    ASSERT_TRUE(WaitFor([&] { return PageShown(kIdPageStep2); })) << "no Step 2";
    Press(main_, kIdCompleteUninstall);
    Answer(pid(), L"Are you sure you want to uninstall Tidy Timer ?", IDYES);
    // The uninstaller asks on its own page, then offers Close when done.
    HWND button = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (button = FindNsisButton(pid(), L"Uninstall")) != nullptr; }))
        << "the NSIS uninstaller's page never came";
    PostMessageW(button, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return (button = FindNsisButton(pid(), L"Close")) != nullptr; }));
    PostMessageW(button, BM_CLICK, 0, 0);

    HWND process_window = UninstallWindowOfferingClose();
    ASSERT_NE(process_window, nullptr) << "the uninstall-process window never offered Close";
    ASSERT_NO_FATAL_FAILURE(CloseToStep3(process_window));
    DeleteLeftovers(L"Tidy Timer");
    EXPECT_FALSE(Exists(folder + L"\\history.csv")) << "the file its uninstaller left is gone";
    EXPECT_FALSE(RunValueExists(L"Tidy Timer"));
    EXPECT_TRUE(Exists(L"C:\\Program Files\\Lumen Image Viewer")) << "a neighbour is untouched";
}

// The samples of e2e/uninstall.sh, each beside a sibling of the same
// publisher whose names begin alike and whose values share the Run key, in
// a prefix of their own. These tests act in the window and look at what it
// shows; e2e/uninstall/check_uninstall.py's machine cases, run after them,
// check the machine as they do after purgeon-cli's uninstalls.
class PurgeonExeSamples : public PurgeonExe {
  protected:
    // Step 1 → Step 2 → the program's own uninstaller → Step 3 → Delete, for
    // the sample `name` in Program Files (x86) whose uninstaller leaves
    // `left` in its folder; `registry_part` is part of one of its Step 2
    // registry rows.
    void UninstallThroughTheWindow(const std::wstring& name, const std::wstring& left,
                                   const std::wstring& registry_part) {
        const std::wstring folder = ProgramFilesX86() + L"\\" + name;
        const std::wstring left_file = folder + L"\\" + left;
        ASSERT_TRUE(Exists(left_file));
        RemoteList programs(process_.Get(), list_);
        const int row = programs.Find(name);
        ASSERT_GE(row, 0) << "not listed";
        programs.Select(row);
        ASSERT_TRUE(WaitFor([&] { return TextOf(Child(main_, kIdDetailsName)) == name; }));
        Press(main_, kIdRun);
        ASSERT_TRUE(WaitFor([&] { return PageShown(kIdPageStep2); })) << "no Step 2";
        RemoteList files(process_.Get(), Child(main_, kIdStep2FilesList));
        RemoteList registry(process_.Get(), Child(main_, kIdStep2RegistryList));
        EXPECT_GE(files.Find(left_file, 1), 0)
            << "Step 2 lacks " << ToUtf8(FromWide(left_file.c_str()));
        bool found = false;
        for (int i = 0; i < registry.Count() && !found; ++i)
            found = registry.Text(i, 1).find(registry_part) != std::wstring::npos;
        EXPECT_TRUE(found) << "Step 2 lacks a registry row with "
                           << ToUtf8(FromWide(registry_part.c_str()));
        EXPECT_EQ(TextOf(Child(main_, kIdUninstallProgram)), L"Uninstall Program: " + name);
        // Few enough rows for the counts to show every one.
        EXPECT_EQ(TextOf(Child(main_, kIdStep2FilesCount)),
                  std::to_wstring(files.Count()) + L" files/folders found");
        EXPECT_EQ(TextOf(Child(main_, kIdStep2RegistryCount)),
                  std::to_wstring(registry.Count()) + L" registry entries found");

        Press(main_, kIdCompleteUninstall);
        Answer(pid(), L"Are you sure you want to uninstall " + name + L" ?", IDYES);
        HWND process_window = UninstallWindowOfferingClose();
        ASSERT_NE(process_window, nullptr) << "the uninstall-process window never offered Close";
        // Both steps marked done (disabled), the moving marker gone.
        EXPECT_FALSE(IsWindowEnabled(Child(process_window, kIdUninstallStep1)));
        EXPECT_FALSE(IsWindowEnabled(Child(process_window, kIdUninstallStep2)));
        EXPECT_FALSE(Visible(Child(process_window, kIdUninstallMarker)));
        ASSERT_NO_FATAL_FAILURE(CloseToStep3(process_window));
        RemoteList leftovers(process_.Get(), Child(main_, kIdStep3FilesList));
        EXPECT_GE(leftovers.Find(left_file, 1), 0)
            << "Step 3 lacks what the uninstaller left: " << ToUtf8(FromWide(left_file.c_str()));
        // What the uninstaller took (both samples' take their sample.exe) is
        // no leftover.
        EXPECT_GE(files.Find(folder + L"\\sample.exe", 1), 0);
        EXPECT_LT(leftovers.Find(folder + L"\\sample.exe", 1), 0);
        DeleteLeftovers(name);
        EXPECT_FALSE(Exists(folder));
        EXPECT_TRUE(Exists(folder + L" Extra\\" + left)) << "the sibling's file is gone";
        // Back on Step 1 the list is read again: the program is gone, its
        // sibling is there.
        Press(main_, kIdStep3Back);
        ASSERT_TRUE(WaitFor([&] { return PageShown(kIdPageStep1); }));
        EXPECT_TRUE(WaitFor([&] {
            return programs.Find(name) < 0 && programs.Find(name + L" Extra") >= 0;
        })) << "after Back the list does not show the sibling without the program";
    }
};

TEST_F(PurgeonExeSamples, UninstallsTheNsisSampleAndLeavesItsSibling) {
    UninstallThroughTheWindow(L"Purgeon Uninstall Sample NSIS", L"settings.ini",
                              L"PurgeonUninstallSampleNsis.Document");
}

TEST_F(PurgeonExeSamples, UninstallsTheWindowsInstallerSampleAndLeavesItsSibling) {
    UninstallThroughTheWindow(L"Purgeon Uninstall Sample MSI", L"user.cfg",
                              L"AppCompatFlags\\Layers");
}

TEST_F(PurgeonExeSamples, RemovesTheFolderSampleByItsFolder) {
    const std::wstring folder = L"C:\\Purgeon Uninstall Sample Folder\\";
    ASSERT_TRUE(Exists(folder + L"tool.exe"));
    HWND wizard = OpenWizard();
    ASSERT_NE(wizard, nullptr);
    ScanFolder(wizard, folder);
    ASSERT_NO_FATAL_FAILURE(ConfirmScanToStep3(folder));
    RemoteList leftovers(process_.Get(), Child(main_, kIdStep3FilesList));
    EXPECT_GE(leftovers.Find(folder + L"data\\state.ini", 1), 0);
    DeleteLeftovers(folder);
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(Exists(L"C:\\Purgeon Uninstall Sample Folder Extra\\tool.exe"));
}

}  // namespace
}  // namespace purgeon
