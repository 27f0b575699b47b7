// The uninstall workflow's windows for real, in this process: the custom
// uninstall wizard with real message boxes (the test finds this process's
// "#32770" dialog, reads it and clicks its button), the analysing window
// with its counts handed over from another thread as the analysis does, and
// the uninstall-process window with WM_UNINSTALL_STEP sent from another
// thread as the runner does. Each modal display runs on this thread while a
// second thread acts as the user or the worker; that thread always ends the
// display, so a failed check never leaves the test hanging.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "artwork_ids.h"
#include "platform/memory/recording_launcher.h"
#include "platform/ports.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_dialog.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_hostkit.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell_folders.h"
#include "platform/window_messages.h"
#include "screen_shot.h"
#include "ui/Form_AnalyzingAppInstallInfo.h"
#include "ui/Form_K_CustomUninstallWizard.h"
#include "ui/Form_UninstallProcess_Leftovers.h"
#include "ui/product_site.h"
#include "ui/win32/analysing_window.h"
#include "ui/win32/artwork.h"
#include "ui/win32/secondary_windows.h"
#include "ui/win32/uninstall_process_window.h"
#include "ui/win32/wizard_window.h"
#include "ui/win32/workflow_control_ids.h"
#include "window_test_support.h"

namespace purgeon {
namespace {

std::string Utf8(const std::wstring& text) {
    return ToUtf8(FromWide(text.c_str(), text.size()));
}

std::wstring W(const std::u16string& text) {
    return std::wstring(Wide(text));
}

// Waits (polling every 20 ms, at most `seconds`) until `done` holds.
bool WaitFor(const std::function<bool()>& done, int seconds = 20) {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(seconds) * 1000;
    while (!done()) {
        if (GetTickCount64() > deadline) return false;
        Sleep(20);
    }
    return true;
}

// The first child of `parent` with this class and caption.
HWND FindByCaption(HWND parent, const wchar_t* cls, const std::wstring& caption) {
    for (HWND child = FindWindowExW(parent, nullptr, cls, nullptr); child != nullptr;
         child = FindWindowExW(parent, child, cls, nullptr))
        if (TextOf(child) == caption) return child;
    return nullptr;
}

BOOL CALLBACK MatchOwnMessageBox(HWND window, LPARAM data) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || ClassOf(window) != L"#32770")
        return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

// A visible message box of this process (class "#32770").
HWND FindOwnMessageBox() {
    HWND found = nullptr;
    EnumWindows(&MatchOwnMessageBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;  // the longest static text: the message
    bool has_ok = false, has_yes = false, has_no = false;
};

MessageBoxSeen WaitForMessageBox() {
    MessageBoxSeen seen;
    WaitFor([&] { return (seen.window = FindOwnMessageBox()) != nullptr; });
    if (seen.window == nullptr) return seen;
    Sleep(100);  // laid out and painted
    seen.caption = TextOf(seen.window);
    for (HWND child = FindWindowExW(seen.window, nullptr, L"Static", nullptr); child != nullptr;
         child = FindWindowExW(seen.window, child, L"Static", nullptr)) {
        const std::wstring text = TextOf(child);
        if (text.size() > seen.text.size()) seen.text = text;
    }
    seen.has_ok = GetDlgItem(seen.window, IDOK) != nullptr;
    seen.has_yes = GetDlgItem(seen.window, IDYES) != nullptr;
    seen.has_no = GetDlgItem(seen.window, IDNO) != nullptr;
    return seen;
}

// Clicks the box's button and waits until the box has gone.
bool Answer(const MessageBoxSeen& box, int button) {
    HWND control = GetDlgItem(box.window, button);
    if (control == nullptr) return false;
    PostMessageW(control, BM_CLICK, 0, 0);
    return WaitFor([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

// The caption of the selected item of the tree view in `dialog`.
std::wstring SelectedTreeText(HWND dialog) {
    HWND tree = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM found) -> BOOL CALLBACK {
            if (ClassOf(child) != WC_TREEVIEWW) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&tree));
    if (tree == nullptr) return {};
    const auto item =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item == nullptr) return {};
    wchar_t text[MAX_PATH] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

// Runs `act` on another thread once `window` is visible; joined on
// destruction.
class WhenShown {
  public:
    WhenShown(HWND window, std::function<void()> act)
        : thread_([window, act] {
              WaitFor([&] { return IsWindowVisible(window) != FALSE; });
              Sleep(150);  // the first paint
              act();
          }) {}
    ~WhenShown() { thread_.join(); }

  private:
    std::thread thread_;
};

POINT ClientOrigin(HWND window) {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    return origin;
}

// A child's top-left corner in its window's client coordinates.
POINT PlaceIn(HWND window, HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    const POINT origin = ClientOrigin(window);
    return {rect.left - origin.x, rect.top - origin.y};
}

SIZE ClientSize(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

// How many pixels of `window` on the screen have exactly this colour.
int CountColour(HWND window, std::uint32_t rgb) {
    int width = 0, height = 0;
    int count = 0;
    for (std::uint32_t p : ScreenPixels(window, width, height))
        if (p == rgb) ++count;
    return count;
}

// The screen's pixel at the window's top-left corner.
std::uint32_t TopLeftPixel(HWND window) {
    int width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ScreenPixels(window, width, height);
    return pixels.empty() ? 0 : pixels[0];
}

bool IsShapedByTheColourKey(HWND window) {
    if (!(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED)) return false;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, &key, &alpha, &flags) && (flags & LWA_COLORKEY) &&
           key == RGB(166, 202, 240);
}

// Stands in for the main window: a plain 738 x 560 window at (100, 100).
class WorkflowWindowsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

    void SetUp() override {
        ASSERT_TRUE(main_window.CreateForm(L"PurgeonTestMain", L"Purgeon", 738, 560, nullptr, 0));
        SetWindowPos(main_window.hwnd(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(main_window.hwnd(), SW_SHOW);
        UpdateWindow(main_window.hwnd());
    }

    HWND main() const { return main_window.hwnd(); }

    // Where a window of this size lands when centred on the main window.
    static POINT CentredOnMain(int width, int height) {
        return {100 + (738 - width) / 2, 100 + (560 - height) / 2};
    }

    Win32Machine machine;
    RecordingLauncher launcher;  // the support page is not opened for real
    Ports ports = machine.ports(launcher);
    FormWindow main_window;
};

// --- The custom uninstall wizard ------------------------------------------------

TEST_F(WorkflowWindowsTest, TheWizardRefusesWindowsFoldersAndConfirmsAnotherWithRealMessageBoxes) {
    CustomWizardWindow wizard;
    ASSERT_TRUE(wizard.Create(main(), ports));
    HWND window = wizard.hwnd();
    EXPECT_EQ(TextOf(window), L"Custom Uninstall");
    EXPECT_EQ(ClientSize(window).cx, 643);
    EXPECT_EQ(ClientSize(window).cy, 418);
    EXPECT_TRUE(IsShapedByTheColourKey(window));
    EXPECT_FALSE(IsWindowVisible(window));

    std::u16string chooser_answer = u"C:\\Program Files (x86)";
    int chooser_calls = 0;
    wizard.set_folder_chooser([&](HWND owner) -> std::optional<std::u16string> {
        ++chooser_calls;
        EXPECT_EQ(owner, window);
        return chooser_answer;
    });

    HWND edit = wizard.folder_edit();
    HWND scan = FindByCaption(window, L"Button", L"Scan");
    HWND close = FindByCaption(window, L"Button", L"Close");
    HWND browse = FindByCaption(window, L"Button", L"Browse...");
    HWND link = GetDlgItem(window, kIdWizardSupportLink);
    ASSERT_NE(scan, nullptr);
    ASSERT_NE(close, nullptr);
    ASSERT_NE(browse, nullptr);
    ASSERT_NE(link, nullptr);

    struct Refusal {
        std::u16string text;
        std::u16string notice;
    };
    const std::u16string need = kCustomUninstallNeedFolderText;
    const std::vector<Refusal> refusals = {
        {u"", need},
        {u"   ", need},
        {u"C:\\", FormatWithText(kCustomUninstallRefusedText, u"C:\\")},
        {u"  c:\\windows ", FormatWithText(kCustomUninstallRefusedText, u"  c:\\windows ")},
        {u"C:\\windows\\system32\\",
         FormatWithText(kCustomUninstallRefusedText, u"C:\\windows\\system32\\")},
        {u"D:\\Windows\\Temp\\",
         FormatWithText(kCustomUninstallRefusedText, u"D:\\Windows\\Temp\\")},
    };

    POINT placed{};
    std::wstring shown_edit = L"?", link_text, intro, support;
    std::vector<MessageBoxSeen> notices;
    MessageBoxSeen chooser_refusal, declined, confirmed;
    std::wstring after_no;
    std::vector<HWND> tab_order;
    bool stayed_open = true;
    std::uint32_t corner = 0;
    {
        WhenShown user(window, [&] {
            RECT rect;
            GetWindowRect(window, &rect);
            placed = {rect.left, rect.top};
            shown_edit = TextOf(edit);
            link_text = link ? TextOf(link) : L"";
            intro = TextOf(GetDlgItem(window, kIdWizardIntro));
            support = TextOf(GetDlgItem(window, kIdWizardSupportText));
            HWND focus = edit;
            for (int i = 0; i < 5; ++i) {
                tab_order.push_back(focus);
                focus = GetNextDlgTabItem(window, focus, FALSE);
            }
            tab_order.push_back(focus);

            for (const Refusal& r : refusals) {
                SetWindowTextW(edit, Wide(r.text));
                PostMessageW(scan, BM_CLICK, 0, 0);
                notices.push_back(WaitForMessageBox());
                Answer(notices.back(), IDOK);
                stayed_open = stayed_open && IsWindowVisible(window);
            }
            // The chooser's folder gets its final "\" and is refused too.
            PostMessageW(browse, BM_CLICK, 0, 0);
            WaitFor([&] { return TextOf(edit) == L"C:\\Program Files (x86)\\"; }, 5);
            PostMessageW(scan, BM_CLICK, 0, 0);
            chooser_refusal = WaitForMessageBox();
            Answer(chooser_refusal, IDOK);

            // No keeps the window open with the text.
            SetWindowTextW(edit, L"C:\\WindowsApps");
            PostMessageW(scan, BM_CLICK, 0, 0);
            declined = WaitForMessageBox();
            Answer(declined, IDNO);
            Sleep(100);
            after_no = TextOf(edit);
            stayed_open = stayed_open && IsWindowVisible(window);

            // A folder from the chooser, confirmed with Yes.
            chooser_answer = u"C:\\Acme Tools";
            PostMessageW(browse, BM_CLICK, 0, 0);
            WaitFor([&] { return TextOf(edit) == L"C:\\Acme Tools\\"; }, 5);
            SendMessageW(link, WM_NULL, 0, 0);  // let it paint
            Sleep(200);
            SaveShot(window, "wizard");
            corner = TopLeftPixel(window);
            PostMessageW(link, BM_CLICK, 0, 0);
            PostMessageW(scan, BM_CLICK, 0, 0);
            confirmed = WaitForMessageBox();
            SaveShot(GetDesktopWindow(), "wizard-confirmation");
            Answer(confirmed, IDYES);
            // Whatever happened above, the display ends.
            if (!WaitFor([&] { return !IsWindowVisible(window); }, 5))
                PostMessageW(close, BM_CLICK, 0, 0);
        });
        EXPECT_TRUE(wizard.ShowModal(main()));
    }
    EXPECT_EQ(placed.x, CentredOnMain(643, 418).x);
    EXPECT_EQ(placed.y, CentredOnMain(643, 418).y);
    EXPECT_EQ(shown_edit, L"");
    // The rounded corner shows the white window beneath, not the colour key.
    EXPECT_EQ(corner, 0xFFFFFFu);
    EXPECT_EQ(link_text, W(kSupportPageUrl));
    EXPECT_EQ(intro, W(kCustomUninstallIntroText));
    EXPECT_EQ(support, W(kCustomUninstallSupportText));
    // Tab goes round the folder box, Browse..., the link, Scan and Close.
    EXPECT_EQ(tab_order, (std::vector<HWND>{edit, browse, link, scan, close, edit}));

    ASSERT_EQ(notices.size(), refusals.size());
    for (std::size_t i = 0; i < refusals.size(); ++i) {
        const auto& box = notices[i];
        ASSERT_NE(box.window, nullptr) << ToUtf8(refusals[i].text);
        EXPECT_EQ(box.caption, L"Purgeon");
        EXPECT_EQ(box.text, W(refusals[i].notice)) << ToUtf8(refusals[i].text);
        EXPECT_TRUE(box.has_ok && !box.has_yes && !box.has_no) << "a notice has only OK";
    }
    EXPECT_TRUE(stayed_open) << "refusals and No keep the wizard open";
    EXPECT_EQ(chooser_calls, 2);
    EXPECT_EQ(chooser_refusal.text,
              W(FormatWithText(kCustomUninstallRefusedText, u"C:\\Program Files (x86)\\")));
    EXPECT_EQ(declined.text, W(FormatWithText(kCustomUninstallConfirmText, u"C:\\WindowsApps")));
    EXPECT_TRUE(declined.has_yes && declined.has_no && !declined.has_ok);
    EXPECT_EQ(after_no, L"C:\\WindowsApps");
    EXPECT_EQ(confirmed.text, W(FormatWithText(kCustomUninstallConfirmText, u"C:\\Acme Tools\\")));
    EXPECT_EQ(wizard.mpu_str_SelCustomUinstallPath(), u"C:\\Acme Tools\\");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(main())) << "the main window takes input again";
    const auto launches = launcher.Launches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].file, kSupportPageUrl);

    // The next showing starts empty; Close after a refusal hands back nothing.
    std::wstring second_edit = L"?";
    MessageBoxSeen refused;
    {
        WhenShown user(window, [&] {
            second_edit = TextOf(edit);
            SetWindowTextW(edit, L"C:\\");
            PostMessageW(scan, BM_CLICK, 0, 0);
            refused = WaitForMessageBox();
            Answer(refused, IDOK);
            PostMessageW(close, BM_CLICK, 0, 0);
        });
        EXPECT_FALSE(wizard.ShowModal(main()));
    }
    EXPECT_EQ(second_edit, L"");
    EXPECT_NE(refused.window, nullptr);
    EXPECT_EQ(wizard.mpu_str_SelCustomUinstallPath(), u"C:\\");
}

TEST_F(WorkflowWindowsTest, TheShellsFolderChooserPutsThePickedFolderWithItsBackslash) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"PurgeonChooserTest";
    CreateDirectoryW(folder.c_str(), nullptr);
    wchar_t long_folder[MAX_PATH] = {};
    GetLongPathNameW(folder.c_str(), long_folder, MAX_PATH);

    CustomWizardWindow wizard;  // with the shell's own chooser
    ASSERT_TRUE(wizard.Create(main(), ports));
    HWND window = wizard.hwnd();
    HWND edit = wizard.folder_edit();
    HWND browse = FindByCaption(window, L"Button", L"Browse...");
    HWND close = FindByCaption(window, L"Button", L"Close");
    ASSERT_NE(browse, nullptr);
    std::wstring after_cancel = L"?", after_ok;
    bool cancel_seen = false, ok_seen = false;
    {
        WhenShown user(window, [&] {
            SetWindowTextW(edit, L"typed");
            PostMessageW(browse, BM_CLICK, 0, 0);
            HWND chooser = nullptr;
            cancel_seen = WaitFor([&] { return (chooser = FindOwnMessageBox()) != nullptr; });
            if (chooser) {
                Sleep(300);
                PostMessageW(GetDlgItem(chooser, IDCANCEL), BM_CLICK, 0, 0);
                WaitFor([&] { return !IsWindow(chooser); }, 5);
            }
            Sleep(100);
            after_cancel = TextOf(edit);

            PostMessageW(browse, BM_CLICK, 0, 0);
            chooser = nullptr;
            ok_seen = WaitFor([&] { return (chooser = FindOwnMessageBox()) != nullptr; });
            if (chooser) {
                // Until the chooser's tree has the folder selected (it fills
                // the tree after it appears).
                WaitFor(
                    [&] {
                        SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE,
                                     reinterpret_cast<LPARAM>(long_folder));
                        Sleep(100);
                        return SelectedTreeText(chooser) == L"PurgeonChooserTest";
                    },
                    10);
                PostMessageW(GetDlgItem(chooser, IDOK), BM_CLICK, 0, 0);
                WaitFor([&] { return !IsWindow(chooser); }, 5);
            }
            Sleep(100);
            after_ok = TextOf(edit);
            PostMessageW(close, BM_CLICK, 0, 0);
        });
        EXPECT_FALSE(wizard.ShowModal(main()));
    }
    RemoveDirectoryW(folder.c_str());
    EXPECT_TRUE(cancel_seen && ok_seen) << "the shell's folder chooser appeared";
    EXPECT_EQ(after_cancel, L"typed") << "a cancelled chooser changes nothing";
    EXPECT_EQ(lstrcmpiW(after_ok.c_str(), (std::wstring(long_folder) + L"\\").c_str()), 0)
        << Utf8(after_ok) << " for " << Utf8(long_folder);
}

// --- The analysing window --------------------------------------------------------

TEST_F(WorkflowWindowsTest, TheAnalysingWindowShowsTheCountsHandedOverFromTheAnalysis) {
    AnalysingWindow analysing;
    ASSERT_TRUE(analysing.Create(main()));
    HWND window = analysing.hwnd();
    EXPECT_EQ(TextOf(window), L"Analyzing");
    EXPECT_EQ(ClientSize(window).cx, 462);
    EXPECT_EQ(ClientSize(window).cy, 223);
    EXPECT_TRUE(IsShapedByTheColourKey(window));

    ScopedIcon program_a(Artwork::Instance().MakeIcon(IDP_ICON_SUITE_RED));
    ScopedIcon program_b(Artwork::Instance().MakeIcon(IDP_ICON_SUITE_DARK));
    ASSERT_TRUE(program_a && program_b);
    analysing.SetAppLogo(program_a.Get());
    analysing.ShowFilesCount(55);  // a previous run's counts
    analysing.Prepare(1, u"Collecting and analyzing Acme Notes software's install information");

    HWND files_label = GetDlgItem(window, kIdAnalysingFilesCount);
    HWND registry_label = GetDlgItem(window, kIdAnalysingRegistryCount);
    HWND name_label = GetDlgItem(window, kIdAnalysingName);
    std::wstring name, files_at_start, registry_at_start, files_mid, registry_mid;
    POINT placed{};
    int orange = 0, grey = 0;
    {
        // The analysis's thread: counts through the dispatcher, then the end
        // of the analysis closes the window.
        WhenShown worker(window, [&] {
            RECT rect;
            GetWindowRect(window, &rect);
            placed = {rect.left, rect.top};
            name = TextOf(name_label);
            files_at_start = TextOf(files_label);
            registry_at_start = TextOf(registry_label);
            for (int count = 1; count <= 1234; ++count)
                if (count < 100 || count % 100 == 0)
                    machine.dispatcher.Send([&] { analysing.ShowFilesCount(count); });
            machine.dispatcher.Send([&] { analysing.ShowFilesCount(1234); });
            for (int count = 1; count <= 87; ++count)
                machine.dispatcher.Send([&] { analysing.ShowRegistryCount(count); });
            files_mid = TextOf(files_label);
            registry_mid = TextOf(registry_label);
            Sleep(300);
            orange = CountColour(files_label, 0xF24400);
            grey = CountColour(files_label, 0x525252);
            SaveShot(window, "analysing");
            machine.dispatcher.Send([&] { SendMessageW(window, WM_CLOSE, 0, 0); });
        });
        analysing.ShowModal(main());
    }
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(placed.x, CentredOnMain(462, 223).x);
    EXPECT_EQ(placed.y, CentredOnMain(462, 223).y);
    EXPECT_EQ(name, L"Collecting and analyzing Acme Notes software's install information");
    TFrm_AnalyzingAppInstallInfo expected;
    expected.ShowFilesCount(0);
    expected.ShowRegistryCount(0);
    EXPECT_EQ(files_at_start, W(expected.HtmlLabel_FilesCount));
    EXPECT_EQ(registry_at_start, W(expected.HtmlLabel_RegistryCount));
    expected.ShowFilesCount(1234);
    expected.ShowRegistryCount(87);
    EXPECT_EQ(files_mid, W(expected.HtmlLabel_FilesCount));
    EXPECT_EQ(registry_mid, W(expected.HtmlLabel_RegistryCount));
    EXPECT_EQ(files_mid,
              L"<FONT color=\"#F24400\" size=\"12\" face=\"Arial\"><B>1234</B></FONT><FONT "
              L"color=\"#525252\" size=\"12\" face=\"Arial\"><B>  files/folders found</B></FONT>");
    // Drawn: the number in #F24400, the words in #525252.
    EXPECT_GT(orange, 20);
    EXPECT_GT(grey, 60);
    HICON standard_logo = analysing.shown_logo();
    EXPECT_NE(standard_logo, nullptr) << "standard mode shows the program's icon";

    // A custom analysis leaves the picture as it was, even after another
    // program's icon arrived.
    analysing.SetAppLogo(program_b.Get());
    analysing.Prepare(2, u"Collecting and analyzing D:\\Apps\\Acme\\ directory.");
    std::wstring custom_name;
    {
        WhenShown worker(window, [&] {
            custom_name = TextOf(name_label);
            machine.dispatcher.Send([&] { SendMessageW(window, WM_CLOSE, 0, 0); });
        });
        analysing.ShowModal(main());
    }
    EXPECT_EQ(custom_name, L"Collecting and analyzing D:\\Apps\\Acme\\ directory.");
    EXPECT_EQ(analysing.shown_logo(), standard_logo);
}

// --- The uninstall-process window ---------------------------------------------------

TEST_F(WorkflowWindowsTest, TheRunnersStepsMoveTheMarkerAndCloseComesOnlyAtTheEnd) {
    UninstallProcessWindow process;
    ASSERT_TRUE(process.Create(main()));
    HWND window = process.hwnd();
    EXPECT_EQ(ClientSize(window).cx, 644);
    EXPECT_EQ(ClientSize(window).cy, 418);
    EXPECT_TRUE(IsShapedByTheColourKey(window));
    HWND marker = GetDlgItem(window, kIdUninstallMarker);
    HWND step1 = GetDlgItem(window, kIdUninstallStep1);
    HWND step2 = GetDlgItem(window, kIdUninstallStep2);
    HWND close = FindByCaption(window, L"Button", L"Close");
    ASSERT_NE(close, nullptr);

    struct Seen {
        POINT marker;
        bool marker_visible, step1_enabled, step1_down, step2_enabled, step2_down, close_visible;
    };
    auto look = [&] {
        return Seen{PlaceIn(window, marker),
                    IsWindowVisible(marker) != FALSE,
                    IsWindowEnabled(step1) != FALSE,
                    (SendMessageW(step1, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0,
                    IsWindowEnabled(step2) != FALSE,
                    (SendMessageW(step2, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0,
                    IsWindowVisible(close) != FALSE};
    };
    std::vector<Seen> seen;
    POINT placed{}, marker_on_screen{};
    std::wstring text1, text2;
    bool close_reachable_while_running = true, stayed_on_wm_close = false, close_tab_stop = false;
    {
        // The runner's thread.
        WhenShown runner(window, [&] {
            RECT rect;
            GetWindowRect(window, &rect);
            placed = {rect.left, rect.top};
            text1 = TextOf(GetDlgItem(window, kIdUninstallStep1Text));
            text2 = TextOf(GetDlgItem(window, kIdUninstallStep2Text));
            seen.push_back(look());  // 0: as shown
            SendMessageW(window, WM_UNINSTALL_STEP, 1, 0);
            SendMessageW(window, WM_UNINSTALL_STEP, 4, 0);
            seen.push_back(look());  // 1: unchanged
            SendMessageW(window, WM_UNINSTALL_STEP, 2, 0);
            seen.push_back(look());  // 2: step 1 reached
            GetWindowRect(marker, &rect);
            marker_on_screen = {rect.left, rect.top};
            Sleep(200);
            SaveShot(window, "uninstall-process-step2");
            // Neither Tab nor WM_CLOSE leaves the window while it runs.
            close_reachable_while_running =
                GetNextDlgTabItem(window, nullptr, FALSE) == close || IsWindowVisible(close);
            SendMessageW(window, WM_CLOSE, 0, 0);
            stayed_on_wm_close = IsWindowVisible(window) != FALSE;
            SendMessageW(window, WM_UNINSTALL_STEP, 3, 0);
            seen.push_back(look());  // 3: step 2 reached
            SendMessageW(window, WM_UNINSTALL_STEP, 1, 0);
            SendMessageW(window, WM_UNINSTALL_STEP, 4, 0);
            seen.push_back(look());  // 4: unchanged
            machine.dispatcher.Send([&] { process.mpu_pro_UpdateStepTip_Complete(); });
            seen.push_back(look());  // 5: complete
            close_tab_stop = GetNextDlgTabItem(window, nullptr, FALSE) == close;
            Sleep(200);
            SaveShot(window, "uninstall-process-done");
            PostMessageW(close, BM_CLICK, 0, 0);
            if (!WaitFor([&] { return !IsWindowVisible(window); }, 5))
                machine.dispatcher.Send([&] { process.form().ImgBtn_CloseClick(); });
        });
        process.ShowModal(main());
    }
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowEnabled(main()));
    EXPECT_EQ(placed.x, CentredOnMain(644, 418).x);
    EXPECT_EQ(placed.y, CentredOnMain(644, 418).y);
    EXPECT_EQ(text1, W(kUninstallStepStartText));
    EXPECT_EQ(text2, W(kUninstallStepScanText));
    EXPECT_FALSE(close_reachable_while_running);
    EXPECT_TRUE(stayed_on_wm_close);
    EXPECT_TRUE(close_tab_stop) << "at the end, Tab reaches Close";
    // On the screen: 25 left of the indicators (x 58), at their middle less 10.
    EXPECT_EQ(marker_on_screen.x, placed.x + 33);
    EXPECT_EQ(marker_on_screen.y, placed.y + 103);
    ASSERT_EQ(seen.size(), 6u);
    auto expect = [&](std::size_t i, POINT marker_at, bool marker_visible, bool s1_reached,
                      bool s2_reached, bool close_visible) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].marker.x, marker_at.x);
        EXPECT_EQ(seen[i].marker.y, marker_at.y);
        EXPECT_EQ(seen[i].marker_visible, marker_visible);
        EXPECT_EQ(seen[i].step1_enabled, !s1_reached);
        EXPECT_EQ(seen[i].step1_down, s1_reached);
        EXPECT_EQ(seen[i].step2_enabled, !s2_reached);
        EXPECT_EQ(seen[i].step2_down, s2_reached);
        EXPECT_EQ(seen[i].close_visible, close_visible);
    };
    expect(0, {33, 103}, true, false, false, false);
    expect(1, {33, 103}, true, false, false, false);
    expect(2, {33, 103}, true, true, false, false);
    expect(3, {33, 191}, true, true, true, false);
    expect(4, {33, 191}, true, true, true, false);
    expect(5, {33, 191}, false, true, true, true);

    // The next showing starts afresh; a run that marked only its first step
    // still ends with the marker gone and Close offered.
    std::vector<Seen> again;
    {
        WhenShown runner(window, [&] {
            again.push_back(look());
            SendMessageW(window, WM_UNINSTALL_STEP, 2, 0);
            machine.dispatcher.Send([&] { process.mpu_pro_UpdateStepTip_Complete(); });
            again.push_back(look());
            PostMessageW(close, BM_CLICK, 0, 0);
            if (!WaitFor([&] { return !IsWindowVisible(window); }, 5))
                machine.dispatcher.Send([&] { process.form().ImgBtn_CloseClick(); });
        });
        process.ShowModal(main());
    }
    seen = again;
    ASSERT_EQ(seen.size(), 2u);
    expect(0, {33, 103}, true, false, false, false);
    expect(1, {33, 103}, false, true, false, true);
}

}  // namespace
}  // namespace purgeon
