// The real main window and its secondary windows, in this process, over the
// real ports, in a Wine prefix where real NSIS and Windows Installer
// programs are installed (the demo programs, seeded by the fixture test).
// Controls are found by their captions and IDs, pressed with BM_CLICK, and
// the program list is read back with LVM_ messages.
//
// Wine 8 neither draws nor keeps list view groups (LVM_ENABLEGROUPVIEW,
// LVM_INSERTGROUP and LVM_ISGROUPVIEWENABLED return 0, and an item inserted
// with a group id reads back group 0), so the group ids are checked in the
// window's own record of the rows it inserted; captions and images are read
// back from the control itself.
#include "ui/win32/main_window.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ports.h"
#include "platform/text.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/win32_text_compare.h"
#include "platform/window_messages.h"
#include "screen_shot.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/secondary_windows.h"
#include "window_test_support.h"

namespace purgeon {
namespace {

std::string Utf8(const std::wstring& text) {
    return ToUtf8(FromWide(text.c_str(), text.size()));
}

std::wstring AsciiLowerW(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = wchar_t(c + 32);
    return text;
}

// The first descendant of `parent` of window class `cls` with this caption.
struct ChildSearch {
    const wchar_t* cls;
    const std::wstring* caption;
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
    auto* s = reinterpret_cast<ChildSearch*>(data);
    if (s->caption != nullptr) {
        wchar_t name[64];
        GetClassNameW(child, name, 64);
        if (lstrcmpiW(name, s->cls) != 0 || TextOf(child) != *s->caption) return TRUE;
    } else if (GetDlgCtrlID(child) != s->id) {
        return TRUE;
    }
    s->found = child;
    return FALSE;
}

HWND FindByCaption(HWND parent, const wchar_t* cls, const std::wstring& caption) {
    ChildSearch search{cls, &caption, 0, nullptr};
    EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindById(HWND parent, int id) {
    ChildSearch search{nullptr, nullptr, id, nullptr};
    EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ListRow {
    std::wstring caption;
    int image;
};

std::vector<ListRow> ReadList(HWND list) {
    std::vector<ListRow> rows;
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        wchar_t text[260] = {};
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = 260;
        ListView_GetItem(list, &item);
        rows.push_back({text, item.iImage});
    }
    return rows;
}

void CALLBACK ShootAbout(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND about_window = FindWindowW(L"TFrm_About", nullptr);
    if (about_window && IsWindowVisible(about_window)) SaveShot(GetDesktopWindow(), "about");
}

void CALLBACK ShootLoading(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND window = FindWindowW(L"TFrm_AppListLoadingShow", nullptr);
    if (window && IsWindowVisible(window)) SaveShot(window, "list-loading");
}

// Runs `action` on another thread once `ready` holds (checked every 20 ms,
// for at most 20 s), while this thread is inside a modal loop.
class WhenReady {
  public:
    WhenReady(std::function<bool()> ready, std::function<void()> action)
        : thread_([this, ready, action] {
              for (int i = 0; i < 1000 && !ready(); ++i) Sleep(20);
              ran_ = ready();
              action();
          }) {}
    ~WhenReady() { thread_.join(); }
    bool ran() const { return ran_; }

  private:
    std::atomic<bool> ran_{false};
    std::thread thread_;
};

// The program's windows as purgeon.exe makes them, without the splash pause.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(main_window.Create(GetModuleHandleW(nullptr)));
        ASSERT_TRUE(shadow.Create(main_window.hwnd(), about));
        ASSERT_TRUE(about.Create(main_window.hwnd(), machine.launcher));
        ASSERT_TRUE(loading.Create(main_window.hwnd()));
        main_window.SetSecondaryWindows(&loading, &shadow);
        ShowWindow(main_window.hwnd(), SW_SHOW);
        UpdateWindow(main_window.hwnd());
        ASSERT_TRUE(WaitForList());
    }

    // Waits until the enumeration has ended and the list-loading window is
    // down again.
    bool WaitForList() {
        return PumpUntil([&] {
            return !main_window.form().enumeration_running() && !IsWindowVisible(loading.hwnd());
        });
    }

    HWND main() const { return main_window.hwnd(); }
    HWND list() const { return main_window.app_list(); }

    std::vector<std::wstring> Captions() const {
        std::vector<std::wstring> captions;
        for (const ListRow& row : ReadList(list())) captions.push_back(row.caption);
        return captions;
    }

    void TypeInSearchBox(const std::wstring& text) {
        SetWindowTextW(main_window.search_edit(), text.c_str());
        Pump();
    }

    Win32Machine machine;
    Ports ports = machine.ports();
    Win32TextCompare text_compare;
    MainWindow main_window{ports, text_compare, OwnExecutablePath()};
    AboutWindow about;
    ShadowWindow shadow{machine.clock};
    LoadingWindow loading;
};

const wchar_t* const kDemoPrograms[] = {L"Harbor Backup", L"Lumen Image Viewer",
                                        L"Microsoft Sample Runtime (Demo)", L"Quill Notes",
                                        L"Tidy Timer"};

TEST_F(MainWindowTest, ListsTheInstalledProgramsWithTheirIconsAndGroups) {
    const std::vector<ListRow> rows = ReadList(list());
    const auto& record = main_window.form().ListView_InstalledApp;
    ASSERT_EQ(rows.size(), record.size());
    for (const wchar_t* name : kDemoPrograms) {
        bool found = false;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].caption != name) continue;
            found = true;
            EXPECT_GE(rows[i].image, 0) << Utf8(name);
            const int group = std::wstring(name).find(L"Microsoft") == 0 ? 1 : 0;
            EXPECT_EQ(record[i].group_id, group) << Utf8(name);
        }
        EXPECT_TRUE(found) << Utf8(name) << " is not listed";
    }
    // In name order, each row's image as the window inserted it.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].caption,
                  std::wstring(record[i].caption.begin(), record[i].caption.end()));
        EXPECT_EQ(rows[i].image, record[i].image_index);
        if (i > 0) {
            EXPECT_LT(AsciiLowerW(rows[i - 1].caption), AsciiLowerW(rows[i].caption));
        }
    }
    EXPECT_FALSE(IsWindowVisible(loading.hwnd())) << "the list-loading window is closed";
    EXPECT_EQ(TextOf(FindById(main(), kIdVersion)).rfind(L"Version: ", 0), 0u);

    // A keyboard selection shows the details, as a click does.
    int lumen = -1;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].caption == L"Lumen Image Viewer") lumen = int(i);
    ASSERT_GE(lumen, 0);
    SetFocus(list());
    ListView_SetItemState(list(), lumen, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    Pump();
    HWND details = FindById(main(), kIdDetails);
    ASSERT_NE(details, nullptr);
    EXPECT_TRUE(IsWindowVisible(details));
    EXPECT_EQ(TextOf(FindById(details, kIdDetailsName)), L"Lumen Image Viewer");
    EXPECT_EQ(TextOf(FindById(details, kIdDetailsVersion)).rfind(L"Version: ", 0), 0u);
    EXPECT_NE(TextOf(FindById(details, kIdDetailsVersion)), L"Version: N/A");
    EXPECT_EQ(TextOf(FindById(details, kIdDetailsPublisher)).rfind(L"Publisher: ", 0), 0u);
    EXPECT_EQ(TextOf(FindById(details, kIdDetailsLocation)).rfind(L"Install Location: ", 0), 0u);
    SaveShot(main(), "main-window-details");
}

TEST_F(MainWindowTest, TheSearchFiltersTheListAndClearingItReloads) {
    const std::size_t all = ReadList(list()).size();
    HWND strip_text = FindById(main(), kIdStatusText);
    HWND strip = FindById(main(), kIdStatusStrip);

    SetFocus(main_window.search_edit());  // entering the box
    Pump();
    EXPECT_EQ(TextOf(main_window.search_edit()), L"");
    EXPECT_TRUE(IsWindowVisible(strip));
    EXPECT_EQ(TextOf(strip_text), L"Please enter the software keywords, such as Visual Studio...");

    TypeInSearchBox(L"i");  // Lumen Image Viewer, Microsoft Sample Runtime, Quill, Tidy Timer
    std::vector<std::wstring> hits = Captions();
    EXPECT_LT(hits.size(), all + 1);
    for (const auto& caption : hits) EXPECT_NE(AsciiLowerW(caption).find(L"i"), std::wstring::npos);
    TypeInSearchBox(L"lumen");
    EXPECT_EQ(Captions(), std::vector<std::wstring>{L"Lumen Image Viewer"});
    EXPECT_EQ(TextOf(strip_text), L"Please enter the software keywords, such as Visual Studio...");
    SaveShot(main(), "search-with-hits");

    TypeInSearchBox(L"lumenx");
    EXPECT_TRUE(Captions().empty());
    EXPECT_EQ(TextOf(strip_text), L"Sorry, no software found.");
    SaveShot(main(), "search-without-hits");

    TypeInSearchBox(L"");  // deleting the text reloads the full list
    ASSERT_TRUE(WaitForList());
    EXPECT_EQ(ReadList(list()).size(), all);

    SetFocus(list());  // leaving the box
    Pump();
    EXPECT_EQ(TextOf(main_window.search_edit()), L"Search...");
    EXPECT_FALSE(IsWindowVisible(strip));
}

TEST_F(MainWindowTest, EveryControlIsFoundByItsCaption) {
    const wchar_t* const captions[] = {L"Run",     L"Refresh", L"Custom Uninstall",  L"Search",
                                       L"Support", L"Help",    L"Check for Updates", L"Minimize",
                                       L"Close"};
    for (const wchar_t* caption : captions) {
        HWND button = FindByCaption(main(), L"Button", caption);
        ASSERT_NE(button, nullptr) << Utf8(caption);
        EXPECT_TRUE(IsWindowVisible(button)) << Utf8(caption);
        EXPECT_TRUE(GetWindowLongW(button, GWL_STYLE) & WS_TABSTOP) << Utf8(caption);
    }
    // Tab moves the focus from one control to the next.
    SetFocus(FindByCaption(main(), L"Button", L"Refresh"));
    HWND next = GetNextDlgTabItem(main(), GetFocus(), FALSE);
    EXPECT_NE(next, nullptr);
    EXPECT_NE(next, GetFocus());
}

TEST_F(MainWindowTest, TheTraysAboutShowsAboutOverTheDimmedWindowAndCloseEndsBoth) {
    SetWindowPos(main(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump();
    RECT shadow_rect{}, about_rect{};
    bool shadow_was_visible = false;
    WhenReady closer([&] { return IsWindowVisible(about.hwnd()) != FALSE; },
                     [&] {
                         shadow_was_visible = IsWindowVisible(shadow.hwnd()) != FALSE;
                         GetWindowRect(shadow.hwnd(), &shadow_rect);
                         GetWindowRect(about.hwnd(), &about_rect);
                         Sleep(300);  // let it paint for the screenshot
                         SendMessageW(main(), WM_NULL, 0, 0);
                         HWND close = FindByCaption(about.hwnd(), L"Button", L"Close");
                         if (close) PostMessageW(close, BM_CLICK, 0, 0);
                     });
    // The shot is taken from the modal loop's thread, between two messages.
    UINT_PTR shot_timer = SetTimer(nullptr, 0, 250, &ShootAbout);
    // The tray menu's "About Purgeon" entry.
    PostMessageW(main(), WM_COMMAND, MAKEWPARAM(kIdTrayAbout, 0), 0);
    Pump();  // runs the overlay's modal loop until About has been closed
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(shadow.hwnd()); }, 30));
    KillTimer(nullptr, shot_timer);
    EXPECT_TRUE(shadow_was_visible);
    EXPECT_EQ(shadow_rect.left, 100);
    EXPECT_EQ(shadow_rect.top, 100);
    EXPECT_EQ(shadow_rect.right - shadow_rect.left, 738);
    // About (641 x 550) centred over the 738 x 560 main window at (100, 100).
    EXPECT_EQ(about_rect.left, 100 + (738 - 641) / 2);
    EXPECT_EQ(about_rect.top, 100 + (560 - 550) / 2);
    EXPECT_FALSE(IsWindowVisible(about.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(main())) << "the main window takes input again";
}

TEST_F(MainWindowTest, TheLoadingWindowAndTheSplashLookFinished) {
    // The list-loading window as the enumeration shows it, closed by the
    // worker's message.
    WhenReady closer([&] { return IsWindowVisible(loading.hwnd()) != FALSE; },
                     [&] {
                         Sleep(400);
                         PostMessageW(loading.hwnd(), WM_CLOSE_LOADING_WINDOW, 0, 0);
                     });
    UINT_PTR shot_timer = SetTimer(nullptr, 0, 300, &ShootLoading);
    loading.ShowModal(main());
    KillTimer(nullptr, shot_timer);
    EXPECT_TRUE(closer.ran());
    EXPECT_FALSE(IsWindowVisible(loading.hwnd()));
    RECT rect;
    GetWindowRect(loading.hwnd(), &rect);
    RECT main_rect;
    GetWindowRect(main(), &main_rect);
    EXPECT_EQ(rect.left, main_rect.left + (738 - 463) / 2);
    EXPECT_EQ(rect.top, main_rect.top + (560 - 123) / 2);

    SplashWindow splash;
    ASSERT_TRUE(splash.Create());
    ShowWindow(splash.hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(splash.hwnd());
    Pump();
    SaveShot(splash.hwnd(), "splash");
    ShowWindow(splash.hwnd(), SW_HIDE);
}

}  // namespace
}  // namespace purgeon
