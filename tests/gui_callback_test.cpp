// The watcher's forwarders: each reaches the one registered main window with
// 0 as its first argument, in the order the watcher issues them.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

#include "support/memory_machine.h"
#include "ui/Unit_GUI_Callback.h"
#include "uninstall/Thread_ShellUninstall.h"

namespace purgeon {
namespace {

class RecordingWindow : public ShellExeCallbackWindow {
  public:
    void Callback_Step_UninstallSoftware_Start(std::int32_t first) override {
        Add("Start", first, -1);
    }
    // The last call: signals the test, touching nothing of this window after
    // that (the test may destroy it at once).
    void Callback_Step_UninstallSoftware_End(std::int32_t first) override {
        Add("End", first, -1);
        const std::shared_ptr<std::promise<void>> signal = ended;
        signal->set_value();
    }
    void Callback_UninstallStepTip_Start(std::int32_t first, std::int32_t step) override {
        Add("StepTip_Start", first, step);
    }
    void Callback_UninstallStepTip_End(std::int32_t first, std::int32_t step) override {
        Add("StepTip_End", first, step);
    }
    std::vector<std::string> calls;
    std::shared_ptr<std::promise<void>> ended = std::make_shared<std::promise<void>>();

  private:
    void Add(const char* name, std::int32_t first, std::int32_t step) {
        calls.push_back(std::string(name) + "(" + std::to_string(first) +
                        (step < 0 ? "" : ", " + std::to_string(step)) + ")");
    }
};

// Leaves no window registered behind, whatever the test does.
struct Registration {
    explicit Registration(ShellExeCallbackWindow* window) { RegisterCallbackMainWindow(window); }
    ~Registration() { RegisterCallbackMainWindow(nullptr); }
};

TEST(GuiCallback, WatcherForwardersReachTheMainWindowInIssueOrder) {
    testing::MemoryMachine machine;
    K_Class_SoftwareInfo_List list;
    RecordingWindow window;
    Registration registration(&window);
    // The watcher runs on a thread of its own and frees itself, as in the
    // program; the clock makes its waits instant.
    auto* watcher = new TThread_ShellExeUninstaller(machine.ports(), list);
    watcher->m_CallbackPtr_Start = ShellExeCallback_Start;
    watcher->m_CallbackPtr_End = ShellExeCallback_End;
    watcher->m_CallbackPtr_StepTip_Start = ShellExeCallback_StepTip_Start;
    watcher->m_CallbackPtr_StepTip_End = ShellExeCallback_StepTip_End;
    std::future<void> ended = window.ended->get_future();
    watcher->Start();
    ASSERT_EQ(ended.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"Start(0)", "StepTip_Start(0, 2)", "StepTip_End(0, 2)",
                                        "StepTip_Start(0, 3)", "StepTip_End(0, 3)", "End(0)"}));
}

TEST(GuiCallback, ForwardersReturnZeroAndNeedAWindow) {
    RecordingWindow window;
    {
        Registration registration(&window);
        EXPECT_EQ(ShellExeCallback_StepTip_Start(7), 0);
        EXPECT_EQ(ShellExeCallback_End(), 0);
    }
    EXPECT_EQ(ShellExeCallback_Start(), 0);  // none registered now: nothing happens
    EXPECT_EQ(ShellExeCallback_StepTip_End(3), 0);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"StepTip_Start(0, 7)", "End(0)"}));
}

}  // namespace
}  // namespace purgeon
