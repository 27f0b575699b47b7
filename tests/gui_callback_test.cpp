// The workers' forwarders: each reaches the one registered main window with
// 0 as its first argument, in the order the worker issues them.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

#include "analysis/Thread_Uninstall_Analyze.h"
#include "platform/text.h"
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
    ~Registration() { RegisterCallbackMainWindow(static_cast<ShellExeCallbackWindow*>(nullptr)); }
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

class RecordingAnalyzeWindow : public AnalyzeCallbackWindow {
  public:
    void Callback_UninstallSoftware_Start(std::int32_t first) override { Add("Start", first, u""); }
    // The last call: signals the test and touches nothing after that.
    void Callback_UninstallSoftware_End(std::int32_t first) override {
        Add("End", first, u"");
        const std::shared_ptr<std::promise<void>> signal = ended;
        signal->set_value();
    }
    void Callback_InstalledSoftwareFilePath(std::int32_t first,
                                            const std::u16string& path) override {
        Add("FilePath", first, path);
    }
    void Callback_InstalledSoftwareFileCount(std::int32_t first, const std::u16string& path,
                                             std::uint32_t count) override {
        Add("FileCount", first, path + u", " + FromUtf8(std::to_string(count)));
    }
    void Callback_InstalledSoftwareRegPath(std::int32_t first,
                                           const std::u16string& entry) override {
        Add("RegPath", first, entry);
    }
    void Callback_InstalledSoftwareRegCount(std::int32_t first, const std::u16string& entry,
                                            std::uint32_t count) override {
        Add("RegCount", first, entry + u", " + FromUtf8(std::to_string(count)));
    }
    std::vector<std::string> calls;
    std::shared_ptr<std::promise<void>> ended = std::make_shared<std::promise<void>>();

  private:
    void Add(const char* name, std::int32_t first, const std::u16string& rest) {
        calls.push_back(std::string(name) + "(" + std::to_string(first) +
                        (rest.empty() ? "" : ", " + ToUtf8(rest)) + ")");
    }
};

TEST(GuiCallback, AnalysisForwardersReachTheMainWindowInIssueOrder) {
    testing::MemoryMachine machine;
    machine.files.AddFile(u"C:\\App\\a.exe");
    K_Class_SoftwareInfo_List list;
    auto record = std::make_unique<K_Class_SoftwareInfo>();
    record->m_strSoftwareName = u"App";
    record->m_strNamelow = u"app";
    record->m_strInstallLocation = u"C:\\App\\";
    record->m_strInstallRegPath = u"HKLM|Uninstall\\App";
    list.Add(std::move(record));
    RecordingAnalyzeWindow window;
    RegisterCallbackMainWindow(&window);
    auto* worker = new TThread_Uninstall_Analyze(machine.ports(), list);
    worker->m_CallbackPtr_Start = AnalyzeCallback_Start;
    worker->m_CallbackPtr_End = AnalyzeCallback_End;
    worker->m_CallbackPtr_FileFolderList = AnalyzeCallback_FileFolderList;
    worker->m_CallbackPtr_FileFolderCount = AnalyzeCallback_FileFolderCount;
    worker->m_CallbackPtr_RegList = AnalyzeCallback_RegList;
    worker->m_CallbackPtr_RegCount = AnalyzeCallback_RegCount;
    worker->mpu_pro_SetUninstallSoftware(u"app");
    std::future<void> ended = window.ended->get_future();
    worker->Start();
    const bool done = ended.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    RegisterCallbackMainWindow(static_cast<AnalyzeCallbackWindow*>(nullptr));
    ASSERT_TRUE(done);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{
                  "Start(0)", "FileCount(0, C:\\App\\, 1)", "FileCount(0, C:\\App\\a.exe, 2)",
                  "RegCount(0, HKLM|Uninstall\\App, 1)", "FilePath(0, C:\\App\\)",
                  "FilePath(0, C:\\App\\a.exe)", "RegPath(0, HKLM|Uninstall\\App)", "End(0)"}));
    EXPECT_EQ(AnalyzeCallback_RegCount(u"x", 1), 0);  // none registered now: nothing happens
    EXPECT_EQ(window.calls.size(), 8u);
}

}  // namespace
}  // namespace purgeon
