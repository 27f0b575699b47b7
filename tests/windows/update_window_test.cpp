// The update check for real, in this process: the real main window and the
// real update window, the real worker with URLDownloadToFileW, the Hostkit
// table's Net_IsConnected and the program's own version resource (this test
// carries purgeon.exe's resources), against a small HTTP server on
// 127.0.0.1 started here. The message boxes are real: a helper thread finds
// each "#32770" box, reads it and presses the answer. The browser launch on
// Yes goes to a recording launcher, so that no browser starts.
#include "ui/win32/update_window.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/memory/recording_launcher.h"
#include "platform/ports.h"
#include "platform/text.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_dialog.h"
#include "platform/win32/win32_download.h"
#include "platform/win32/win32_hostkit.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/win32_text_compare.h"
#include "purgeon_version.h"
#include "screen_shot.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/main_window.h"
#include "ui/win32/secondary_windows.h"
#include "update_http_server.h"
#include "window_test_support.h"

namespace purgeon {
namespace {

using testing::LocalHttpServer;

// A message box of this process as the helper thread found it.
struct Box {
    std::wstring caption, text;
    std::uint32_t flags = 0;  // as handed to MessageBoxW
    HWND owner = nullptr;
    bool yes_no = false;  // Yes and No buttons (else OK)
    bool button_enabled_meanwhile = true;
    bool update_window_visible = false;
    ULONGLONG at = 0;  // GetTickCount64 when found
};

struct BoxSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->pid || std::wstring(cls) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND FindBox() {
    BoxSearch search{GetCurrentProcessId(), nullptr};
    ::EnumWindows(&MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The box's message: the text of its static control that is not the icon.
BOOL CALLBACK MatchBoxText(HWND child, LPARAM param) {
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (lstrcmpiW(cls, L"Static") == 0 &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        const std::wstring text = TextOf(child);
        if (!text.empty()) {
            *reinterpret_cast<std::wstring*>(param) = text;
            return FALSE;
        }
    }
    return TRUE;
}

struct DescendantSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<DescendantSearch*>(param);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindDescendant(HWND parent, int id) {
    DescendantSearch search{id, nullptr};
    EnumChildWindows(parent, &MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Clock port whose long waits are short unless told: records each request
// and sleeps a tenth of it (the update window still shows for a moment), or
// all of it through the real clock.
class QuickClock : public ClockPort {
  public:
    void Sleep(std::uint32_t milliseconds) override {
        requested.push_back(milliseconds);
        if (real)
            real_clock_.Sleep(milliseconds);
        else
            ::Sleep(milliseconds / 10);
    }
    std::uint64_t TickCount() override { return real_clock_.TickCount(); }
    std::vector<std::uint32_t> requested;
    bool real = false;

  private:
    Win32Clock real_clock_;
};

// The real message boxes, each call's flags noted on the way. Wine shows
// MB_TOPMOST boxes like any other (its MessageBoxW reads only the system-
// and task-modal bits for the z-order), so the flags are checked here.
class FlagNotingDialog : public Win32Dialog {
  public:
    int MessageBox(WindowId owner, const std::u16string& text, const std::u16string& caption,
                   std::uint32_t box_flags) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            flags.push_back(box_flags);
        }
        return Win32Dialog::MessageBox(owner, text, caption, box_flags);
    }
    std::vector<std::uint32_t> Flags() {
        std::lock_guard<std::mutex> lock(mutex_);
        return flags;
    }
    std::vector<std::uint32_t> flags;

  private:
    std::mutex mutex_;
};

// The real Hostkit, with its connection answer overridden when told.
class ConnectionHostkit : public Win32Hostkit {
  public:
    int NetIsConnected(HostkitTable table) override {
        return forced ? *forced : Win32Hostkit::NetIsConnected(table);
    }
    std::optional<int> forced = 1;
};

std::string VersionFile(int v1, int v2, int v3, int v4) {
    std::ostringstream file;
    file << "[CUR_VERSION]\r\nVer1=" << v1 << "\r\nVer2=" << v2 << "\r\nVer3=" << v3
         << "\r\nVer4=" << v4 << "\r\n";
    return file.str();
}

class UpdateWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(server.port(), 0) << "the local HTTP server did not start";
        ASSERT_TRUE(main_window.Create(GetModuleHandleW(nullptr)));
        ASSERT_TRUE(shadow.Create(main_window.hwnd(), about));
        ASSERT_TRUE(about.Create(main_window.hwnd(), machine.launcher));
        ASSERT_TRUE(loading.Create(main_window.hwnd()));
        main_window.SetSecondaryWindows(&loading, &shadow);
        const std::wstring origin = server.Origin();
        update = std::make_unique<UpdateCheckWindow>(std::u16string(origin.begin(), origin.end()));
        ASSERT_TRUE(WireUpdateCheck(main_window, *update, update_ports));
        // The worker runs on a thread of ours, joined before the next check.
        update->form().set_worker_starter([this](WorkerThread* worker) {
            worker_ = std::thread([worker] {
                worker->Execute();
                delete worker;
            });
        });
        SetWindowPos(main(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ShowWindow(main(), SW_SHOW);
        ::UpdateWindow(main());
        ASSERT_TRUE(PumpUntil([&] {
            return !main_window.form().enumeration_running() && !IsWindowVisible(loading.hwnd());
        }));
        upgrade_button = FindDescendant(main(), kIdUpgrade);
        ASSERT_NE(upgrade_button, nullptr);
        DeleteFileW(UpdateFilePath().c_str());
    }

    void TearDown() override {
        if (worker_.joinable()) worker_.join();
        DeleteFileW(UpdateFilePath().c_str());
    }

    HWND main() const { return main_window.hwnd(); }
    std::string SavedUpdateFile() {
        std::vector<std::uint8_t> bytes;
        machine.files.ReadFile(main_window.form().m_strCurAppPath + u"Update.dat", &bytes);
        return std::string(bytes.begin(), bytes.end());
    }
    std::wstring UpdateFilePath() {
        return Wide(main_window.form().m_strCurAppPath) + std::wstring(L"Update.dat");
    }

    // Presses Upgrade, answers every box that shows with `answer` (IDYES,
    // IDNO or IDOK for a box without Yes), and returns the boxes once the
    // check is over: the worker ended and the update window is closed.
    // `while_showing` runs on the helper thread while the update window is
    // up, before the result.
    std::vector<Box> RunCheck(int answer, const std::function<void()>& while_showing = {},
                              const char* box_shot = nullptr) {
        std::vector<Box> boxes;
        std::atomic<bool> stop{false};
        std::thread helper([&] {
            bool showing_seen = false;
            while (!stop) {
                if (!showing_seen && IsWindowVisible(update->hwnd())) {
                    showing_seen = true;
                    if (while_showing) while_showing();
                }
                HWND found = FindBox();
                if (found == nullptr) {
                    Sleep(20);
                    continue;
                }
                Sleep(200);  // let it paint
                Box box;
                box.at = GetTickCount64();
                box.caption = TextOf(found);
                EnumChildWindows(found, &MatchBoxText, reinterpret_cast<LPARAM>(&box.text));
                const std::vector<std::uint32_t> flags = boxes_dialog.Flags();
                box.flags = flags.empty() ? 0 : flags.back();
                box.owner = GetWindow(found, GW_OWNER);
                box.yes_no = GetDlgItem(found, IDYES) != nullptr;
                box.button_enabled_meanwhile = IsWindowEnabled(upgrade_button) != FALSE;
                box.update_window_visible = IsWindowVisible(update->hwnd()) != FALSE;
                if (box_shot != nullptr) SaveShot(GetDesktopWindow(), box_shot);
                boxes.push_back(box);
                const int id = box.yes_no ? answer : IDOK;
                HWND button = GetDlgItem(found, id);
                if (button != nullptr)
                    PostMessageW(found, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(button));
                for (int i = 0; i < 250 && IsWindow(found) && IsWindowVisible(found); ++i)
                    Sleep(20);
            }
        });
        clicked_at = GetTickCount64();
        SendMessageW(upgrade_button, BM_CLICK, 0, 0);
        disabled_after_click = IsWindowEnabled(upgrade_button) == FALSE;
        const bool ended = PumpUntil(
            [&] {
                return update->form().m_pThread_Update.load() == nullptr &&
                       !IsWindowVisible(update->hwnd());
            },
            60);
        if (worker_.joinable()) worker_.join();
        Pump();
        stop = true;
        helper.join();
        EXPECT_TRUE(ended) << "the check did not end";
        return boxes;
    }

    LocalHttpServer server;
    Win32Machine machine;
    Ports ports = machine.ports();
    Win32TextCompare text_compare;
    MainWindow main_window{ports, text_compare, OwnExecutablePath()};
    AboutWindow about;
    ShadowWindow shadow{machine.clock};
    LoadingWindow loading;

    // What the update check works through: real but for the launcher, the
    // wait and (when told) the connection answer.
    RecordingLauncher browser;
    QuickClock quick_clock;
    ConnectionHostkit connection;
    FlagNotingDialog boxes_dialog;
    Ports update_ports{
        machine.registry, machine.files, machine.shell,     connection, machine.dispatcher,
        quick_clock,      boxes_dialog,  machine.processes, browser,    machine.code_page};
    std::unique_ptr<UpdateCheckWindow> update;

    HWND upgrade_button = nullptr;
    bool disabled_after_click = false;
    ULONGLONG clicked_at = 0;

  private:
    std::thread worker_;
};

const std::wstring kUpdateText =
    L"An important Purgeon update is available now. Click 'YES' to download the update now.";
const std::wstring kUpToDateText = L"Already up to date.";

TEST_F(UpdateWindowTest, NewerEqualAndOlderVersionFilesAreReportedAndAnswered) {
    const int major = PURGEON_VERSION_MAJOR, minor = PURGEON_VERSION_MINOR,
              release = PURGEON_VERSION_PATCH, build = PURGEON_VERSION_TWEAK;
    ASSERT_GE(major, 1) << "the older case needs a major number above 0";
    struct Case {
        std::string file;
        int answer;
        bool offered;
        const char* why;
    } const cases[] = {
        {VersionFile(major, minor, release, build + 1), IDYES, true, "a newer build, Yes"},
        {VersionFile(major, minor + 1, 0, 0), IDNO, true, "a newer minor number, No"},
        {VersionFile(major, minor, release, build), IDOK, false, "the same version"},
        {VersionFile(major - 1, 99, 99, 99), IDOK, false, "an older version"},
        {VersionFile(major, minor, release, build), IDOK, false, "the same version again"},
        {VersionFile(major + 1, 0, 0, 0), IDYES, true, "newer once more"},
    };
    std::size_t launches = 0;
    for (const Case& c : cases) {
        server.Put("/Update.dat", c.file);
        server.ClearRequests();
        const std::vector<Box> boxes = RunCheck(c.answer);
        EXPECT_TRUE(disabled_after_click) << c.why;
        EXPECT_EQ(server.Requests(), std::vector<std::string>{"/Update.dat"}) << c.why;
        ASSERT_EQ(boxes.size(), 1u) << c.why;
        const Box& box = boxes[0];
        EXPECT_EQ(box.caption, L"Purgeon") << c.why;
        EXPECT_EQ(box.text, c.offered ? kUpdateText : kUpToDateText) << c.why;
        EXPECT_EQ(box.yes_no, c.offered) << c.why;
        EXPECT_EQ(box.flags, c.offered ? 0x40034u : 0x40040u) << c.why;
        EXPECT_TRUE(box.update_window_visible) << "the window stays up under its box: " << c.why;
        EXPECT_FALSE(box.button_enabled_meanwhile) << "disabled until the result: " << c.why;
        if (c.offered) {
            EXPECT_EQ(box.owner, nullptr) << "no owner window: " << c.why;
        } else {
            EXPECT_EQ(box.owner, update->hwnd()) << "the active window: " << c.why;
        }
        EXPECT_TRUE(IsWindowEnabled(upgrade_button)) << "enabled again: " << c.why;
        EXPECT_FALSE(IsWindowVisible(update->hwnd())) << c.why;
        EXPECT_TRUE(IsWindowEnabled(main())) << c.why;

        // The file stays in the program folder, as downloaded.
        EXPECT_EQ(SavedUpdateFile(), c.file) << "a fresh download, not a cached copy: " << c.why;

        const std::vector<Launch> opened = browser.Launches();
        if (c.offered && c.answer == IDYES) ++launches;
        ASSERT_EQ(opened.size(), launches) << c.why;
        if (launches > 0) {
            EXPECT_EQ(opened.back().verb, u"open");
            const std::wstring setup = server.Origin() + L"/Purgeon_Setup.exe";
            EXPECT_EQ(opened.back().file, std::u16string(setup.begin(), setup.end()));
        }
    }
    EXPECT_EQ(quick_clock.requested, std::vector<std::uint32_t>(std::size(cases), 3000u));
    // The label goes with the first offer and stays hidden.
    EXPECT_FALSE(
        IsWindowVisible(GetDlgItem(GetDlgItem(update->hwnd(), kIdUpdatePanel), kIdUpdateText)));
}

TEST_F(UpdateWindowTest, A404IsReadAsAVersionFileWithoutTheSectionAndSoUpToDate) {
    // What the download does with a 404: Wine returns S_OK and saves the
    // server's error page; Windows may fail the call instead. Either way
    // the check ends as up to date, and without the Warning box.
    server.Remove("/Update.dat");
    Win32Download download;
    const std::wstring url = server.Origin() + L"/Update.dat";
    const std::int32_t result = download.DownloadToFile(std::u16string(url.begin(), url.end()),
                                                        FromWide(UpdateFilePath().c_str()));
    const DWORD attributes = GetFileAttributesW(UpdateFilePath().c_str());
    std::printf("404: URLDownloadToFileW gave 0x%08lX; the file %s\n", (unsigned long)result,
                attributes == INVALID_FILE_ATTRIBUTES ? "is missing" : "holds the error page");
    if (result == 0) {
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        const std::string content = SavedUpdateFile();
        EXPECT_NE(content.find("404 Not Found"), std::string::npos) << content;
    }
    DeleteFileW(UpdateFilePath().c_str());

    server.ClearRequests();
    const std::vector<Box> boxes = RunCheck(IDOK);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/Update.dat"});
    ASSERT_EQ(boxes.size(), 1u) << "no Warning box before it";
    EXPECT_EQ(boxes[0].caption, L"Purgeon");
    EXPECT_EQ(boxes[0].text, kUpToDateText);
    EXPECT_TRUE(IsWindowEnabled(upgrade_button));
}

TEST_F(UpdateWindowTest, WithoutAConnectionNothingIsDownloaded) {
    server.Put("/Update.dat", VersionFile(99, 0, 0, 0));
    connection.forced = 0;
    std::vector<Box> boxes = RunCheck(IDOK);
    EXPECT_TRUE(server.Requests().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kUpToDateText);
    EXPECT_EQ(GetFileAttributesW(UpdateFilePath().c_str()), INVALID_FILE_ATTRIBUTES);

    // The Hostkit table's own answer: what Windows says about the machine
    // decides whether the site is asked.
    connection.forced.reset();
    const int connected = machine.hostkit.NetIsConnected(main_window.form().hostkit_table());
    std::printf("Net_IsConnected here: %d\n", connected);
    server.ClearRequests();
    boxes = RunCheck(IDNO);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(server.Requests().size(), connected != 0 ? 1u : 0u);
    EXPECT_EQ(boxes[0].text, connected != 0 ? kUpdateText : kUpToDateText);
}

TEST_F(UpdateWindowTest, TheWindowIsCentredOverTheMainWindowAlsoWhenItIsWider) {
    server.Put("/Update.dat", VersionFile(0, 0, 0, 0));
    struct Case {
        int main_width;
        int left;  // 100 + (main_width - 546) div 2, truncated toward zero
    } const cases[] = {{738, 100 + 96}, {401, 100 - 72}, {400, 100 - 73}, {200, 100 - 173}};
    for (const Case& c : cases) {
        SetWindowPos(main(), nullptr, 100, 100, c.main_width, 560, SWP_NOZORDER);
        Pump();
        RECT placed{};
        RunCheck(IDOK, [&] { GetWindowRect(update->hwnd(), &placed); });
        EXPECT_EQ(placed.left, c.left) << "main window " << c.main_width << " wide";
        EXPECT_EQ(placed.top, 100 + (560 - 117) / 2);
        EXPECT_EQ(placed.right - placed.left, 546);
        EXPECT_EQ(placed.bottom - placed.top, 117);
    }
}

TEST_F(UpdateWindowTest, WithTheRealClockTheAnswerComesAfterThreeSeconds) {
    // The product's own wait, and the screenshots: the update window over the
    // main window while it waits, then the "Already up to date." box.
    quick_clock.real = true;
    server.Put("/Update.dat", VersionFile(0, 0, 0, 0));
    bool animating = false, label_visible = false;
    const std::vector<Box> boxes = RunCheck(
        IDOK,
        [&] {
            Sleep(1000);
            HWND panel = GetDlgItem(update->hwnd(), kIdUpdatePanel);
            label_visible = IsWindowVisible(GetDlgItem(panel, kIdUpdateText)) != FALSE;
            animating = update->form().Gif_Updating_Playing;
            SaveShot(GetDesktopWindow(), "update-window");
        },
        "update-up-to-date");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kUpToDateText);
    EXPECT_GE(boxes[0].at - clicked_at, 3000u) << "the worker waits 3000 ms first";
    EXPECT_LT(boxes[0].at - clicked_at, 20000u);
    EXPECT_TRUE(animating);
    EXPECT_TRUE(label_visible);
    EXPECT_EQ(TextOf(GetDlgItem(GetDlgItem(update->hwnd(), kIdUpdatePanel), kIdUpdateText)),
              L"Updating......");
    EXPECT_FALSE(update->form().Gif_Updating_Playing) << "stopped with the result";
}

}  // namespace
}  // namespace purgeon
