// The window-thread ports on real Windows: a worker's Send runs on the window
// thread while that thread pumps messages (its own loop or a modal message
// box), posts arrive, message boxes show what they were given and return the
// button pressed. Needs a display (scripts/test-windows.sh starts Xvfb).
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_dialog.h"
#include "platform/win32/win32_dispatcher.h"

namespace purgeon {
namespace {

constexpr DWORD kTimeoutMs = 10000;

// Pumps this thread's messages until `done` holds; false on timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = kTimeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    while (!done()) {
        if (GetTickCount64() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// Joins on scope exit, so that a failed assertion cannot leave a joinable
// thread behind (std::terminate).
class Worker {
  public:
    explicit Worker(std::function<void()> body) : thread_(std::move(body)) {}
    ~Worker() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

TEST(Win32Dispatcher, AWorkersSendRunsOnTheWindowThreadAndWaitsForIt) {
    Win32Dispatcher dispatcher;
    ASSERT_NE(dispatcher.Window(), 0u);
    const DWORD window_thread = GetCurrentThreadId();

    std::mutex mutex;
    std::vector<DWORD> ran_on;
    using Entry = std::pair<std::string_view, int>;
    std::vector<Entry> log;
    std::atomic<bool> finished{false};
    Worker worker([&] {
        for (int i = 0; i < 3; ++i) {
            dispatcher.Send([&, i] {
                std::lock_guard lock(mutex);
                ran_on.push_back(GetCurrentThreadId());
                log.emplace_back("run", i);
            });
            // Send has returned, so the work must already have run.
            std::lock_guard lock(mutex);
            log.emplace_back("returned", i);
        }
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
    worker.Join();

    EXPECT_EQ(ran_on, std::vector<DWORD>(3, window_thread));
    EXPECT_EQ(log, (std::vector<Entry>{{"run", 0},
                                       {"returned", 0},
                                       {"run", 1},
                                       {"returned", 1},
                                       {"run", 2},
                                       {"returned", 2}}));
}

TEST(Win32Dispatcher, AWorkerWaitsWhileTheWindowThreadDoesNotPump) {
    Win32Dispatcher dispatcher;
    std::atomic<bool> ran{false}, returned{false};
    Worker worker([&] {
        dispatcher.Send([&] { ran = true; });
        returned = true;
    });
    Sleep(200);  // not pumping: the sent message cannot be served
    EXPECT_FALSE(ran.load());
    EXPECT_FALSE(returned.load());
    ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
    EXPECT_TRUE(ran.load());
}

TEST(Win32Dispatcher, SendOnTheWindowThreadRunsAtOnce) {
    Win32Dispatcher dispatcher;
    DWORD ran_on = 0;
    dispatcher.Send([&] { ran_on = GetCurrentThreadId(); });
    EXPECT_EQ(ran_on, GetCurrentThreadId());
}

TEST(Win32Dispatcher, AnExceptionInTheWorkReachesTheSenderNotTheWindowProcedure) {
    Win32Dispatcher dispatcher;
    std::atomic<bool> finished{false};
    std::string caught;
    int runs_after = 0;
    Worker worker([&] {
        try {
            dispatcher.Send([] { throw std::runtime_error("from the work"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        dispatcher.Send([&] { ++runs_after; });  // the window still serves
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
    worker.Join();
    EXPECT_EQ(caught, "from the work");
    EXPECT_EQ(runs_after, 1);
}

TEST(Win32Dispatcher, PostedMessagesArriveWithTheirParameters) {
    Win32Dispatcher dispatcher;
    const HWND target =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(target, nullptr);
    constexpr UINT kMessage = WM_USER + 336;

    bool posted = false;
    Worker worker(
        [&] { posted = dispatcher.Post(reinterpret_cast<WindowId>(target), kMessage, 1, 0); });
    worker.Join();
    EXPECT_TRUE(posted);
    EXPECT_TRUE(dispatcher.Post(reinterpret_cast<WindowId>(target), kMessage, 2, -5));

    std::vector<std::pair<WPARAM, LPARAM>> received;
    MSG msg;
    while (PeekMessageW(&msg, target, kMessage, kMessage, PM_REMOVE)) {
        received.emplace_back(msg.wParam, msg.lParam);
    }
    EXPECT_EQ(received, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 0}, {2, -5}}));
    DestroyWindow(target);

    // A window that does not exist takes nothing.
    EXPECT_FALSE(dispatcher.Post(reinterpret_cast<WindowId>(target), kMessage, 0, 0));
}

TEST(Win32Clock, SleepsForReal) {
    Win32Clock clock;
    const std::uint64_t before = clock.TickCount();
    clock.Sleep(100);
    const std::uint64_t slept = clock.TickCount() - before;
    EXPECT_GE(slept, 80u);  // GetTickCount64 may step in 10-16 ms ticks
    EXPECT_LT(slept, 5000u);
}

// --- Message boxes -------------------------------------------------------------

struct FoundBox {
    HWND dialog = nullptr;
    std::wstring text;  // the static text shown
};

BOOL CALLBACK CollectStaticText(HWND child, LPARAM context) {
    wchar_t class_name[32] = {};
    GetClassNameW(child, class_name, 32);
    if (lstrcmpiW(class_name, L"Static") == 0) {
        wchar_t text[256] = {};
        GetWindowTextW(child, text, 256);
        auto* found = reinterpret_cast<FoundBox*>(context);
        if (text[0] != 0) found->text += text;
    }
    return TRUE;
}

// Waits for a message box (dialog class "#32770") with this caption.
FoundBox WaitForBox(const wchar_t* caption) {
    FoundBox found;
    const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (found.dialog == nullptr && GetTickCount64() < deadline) {
        found.dialog = FindWindowW(L"#32770", caption);
        if (found.dialog == nullptr) Sleep(20);
    }
    if (found.dialog != nullptr)
        EnumChildWindows(found.dialog, CollectStaticText, reinterpret_cast<LPARAM>(&found));
    return found;
}

void Press(HWND dialog, int button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

TEST(Win32Dialog, ShowsTheTextAndButtonsAndReturnsTheButtonPressed) {
    struct Case {
        std::uint32_t flags;
        int press;
        std::vector<int> buttons;  // present
        std::vector<int> absent;
    } cases[] = {
        {kMbYesNo | kMbIconQuestion, kIdYes, {IDYES, IDNO}, {IDOK}},
        {kMbYesNo | kMbIconQuestion, kIdNo, {IDYES, IDNO}, {IDOK}},
        {kMbOk | kMbIconInformation, kIdOk, {IDOK}, {IDYES, IDNO}},
    };
    const std::u16string text = u"Entfernen? \u00fc\u4e2d";
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "flags " << c.flags << ", pressing " << c.press);
        Win32Dialog dialog;
        int answer = -1;
        Worker shower([&] { answer = dialog.MessageBox(0, text, u"Purgeon Test Box", c.flags); });
        const FoundBox box = WaitForBox(L"Purgeon Test Box");
        ASSERT_NE(box.dialog, nullptr) << "no message box appeared";
        EXPECT_EQ(box.text, std::wstring(text.begin(), text.end()));
        for (int id : c.buttons) EXPECT_NE(GetDlgItem(box.dialog, id), nullptr) << "button " << id;
        for (int id : c.absent) EXPECT_EQ(GetDlgItem(box.dialog, id), nullptr) << "button " << id;
        Press(box.dialog, c.press);
        shower.Join();
        EXPECT_EQ(answer, c.press);
    }
}

// The product's pattern: the window thread sits in a modal box while a
// worker hands it work; the box's own message loop serves the Send.
TEST(Win32Dispatcher, AModalMessageBoxServesAWorkersSend) {
    Win32Dispatcher dispatcher;
    Win32Dialog dialog;
    const DWORD window_thread = GetCurrentThreadId();
    DWORD ran_on = 0;
    bool box_found = false;
    std::atomic<bool> finished{false};
    Worker worker([&] {
        const FoundBox box = WaitForBox(L"Purgeon Modal Box");
        box_found = box.dialog != nullptr;
        dispatcher.Send([&] { ran_on = GetCurrentThreadId(); });
        if (box_found) Press(box.dialog, IDOK);
        finished = true;
    });
    const int answer = dialog.MessageBox(0, u"Working...", u"Purgeon Modal Box", kMbOk);
    // Should the box have failed, the Send still needs a pumping thread.
    ASSERT_TRUE(PumpUntil([&] { return finished.load(); }));
    worker.Join();
    ASSERT_TRUE(box_found);
    EXPECT_EQ(answer, kIdOk);
    EXPECT_EQ(ran_on, window_thread);
}

}  // namespace
}  // namespace purgeon
