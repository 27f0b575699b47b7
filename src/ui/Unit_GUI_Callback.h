// The plain procedures a worker is given to reach the main window. Each
// forwarder calls one notification method of the single registered main
// window with 0 as its first argument and returns 0, which the worker
// ignores. The analysis worker's six and the uninstaller watcher's four live
// here; the enumeration's join them when the program list has its window.
#pragma once

#include <cstdint>
#include <string>

namespace purgeon {

// The main window's notification methods that the watcher's forwarders call
// (on the watcher's thread; the window hands their effect to its own thread).
class ShellExeCallbackWindow {
  public:
    virtual ~ShellExeCallbackWindow() = default;
    virtual void Callback_Step_UninstallSoftware_Start(std::int32_t Param_nTemp1) = 0;
    virtual void Callback_Step_UninstallSoftware_End(std::int32_t Param_nTemp1) = 0;
    virtual void Callback_UninstallStepTip_Start(std::int32_t Param_nTemp1,
                                                 std::int32_t int_param_StepType) = 0;
    virtual void Callback_UninstallStepTip_End(std::int32_t Param_nTemp1,
                                               std::int32_t int_param_StepType) = 0;
};

// The main window's notification methods that the analysis forwarders call
// (on the analysis worker's thread).
class AnalyzeCallbackWindow {
  public:
    virtual ~AnalyzeCallbackWindow() = default;
    virtual void Callback_UninstallSoftware_Start(std::int32_t Param_nTemp1) = 0;
    virtual void Callback_UninstallSoftware_End(std::int32_t Param_nTemp1) = 0;
    virtual void Callback_InstalledSoftwareFilePath(
        std::int32_t Param_nTemp1, const std::u16string& str_param_SoftwareFilePath) = 0;
    virtual void Callback_InstalledSoftwareFileCount(
        std::int32_t Param_nTemp1, const std::u16string& str_param_SoftwareFilePath,
        std::uint32_t int_param_Count) = 0;
    virtual void Callback_InstalledSoftwareRegPath(
        std::int32_t Param_nTemp1, const std::u16string& str_param_SoftwareRegPath) = 0;
    virtual void Callback_InstalledSoftwareRegCount(std::int32_t Param_nTemp1,
                                                    const std::u16string& str_param_SoftwareRegPath,
                                                    std::uint32_t int_param_Count) = 0;
};

// Registers the single main window (null unregisters). Done on the window
// thread before any worker that uses the forwarders starts; the window stays
// registered, and alive, until no such worker runs. Without a registered
// window the forwarders do nothing.
void RegisterCallbackMainWindow(ShellExeCallbackWindow* window);
void RegisterCallbackMainWindow(AnalyzeCallbackWindow* window);

int AnalyzeCallback_Start();
int AnalyzeCallback_End();
int AnalyzeCallback_FileFolderList(const std::u16string& path);
int AnalyzeCallback_FileFolderCount(const std::u16string& path, std::uint32_t count);
int AnalyzeCallback_RegList(const std::u16string& entry);
int AnalyzeCallback_RegCount(const std::u16string& entry, std::uint32_t count);

int ShellExeCallback_Start();
int ShellExeCallback_End();
int ShellExeCallback_StepTip_Start(std::int32_t int_param_StepType);
int ShellExeCallback_StepTip_End(std::int32_t int_param_StepType);

}  // namespace purgeon
