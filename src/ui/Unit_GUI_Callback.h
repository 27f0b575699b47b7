// The plain procedures a worker is given to reach the main window. Each
// forwarder calls one notification method of the single registered main
// window with 0 as its first argument and returns 0, which the worker
// ignores. The uninstaller watcher's four live here; the other workers'
// forwarders join them as the main window grows their methods.
#pragma once

#include <cstdint>

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

// Registers the single main window (null unregisters). Done on the window
// thread before any worker that uses the forwarders starts; the window stays
// registered, and alive, until no such worker runs. Without a registered
// window the forwarders do nothing.
void RegisterCallbackMainWindow(ShellExeCallbackWindow* window);

int ShellExeCallback_Start();
int ShellExeCallback_End();
int ShellExeCallback_StepTip_Start(std::int32_t int_param_StepType);
int ShellExeCallback_StepTip_End(std::int32_t int_param_StepType);

}  // namespace purgeon
