#include "ui/Unit_GUI_Callback.h"

#include <atomic>

namespace purgeon {

namespace {

// Written on the window thread, read on the workers' threads.
std::atomic<ShellExeCallbackWindow*> g_main_window{nullptr};

}  // namespace

void RegisterCallbackMainWindow(ShellExeCallbackWindow* window) {
    g_main_window.store(window);
}

int ShellExeCallback_Start() {
    if (ShellExeCallbackWindow* window = g_main_window.load())
        window->Callback_Step_UninstallSoftware_Start(0);
    return 0;
}

int ShellExeCallback_End() {
    if (ShellExeCallbackWindow* window = g_main_window.load())
        window->Callback_Step_UninstallSoftware_End(0);
    return 0;
}

int ShellExeCallback_StepTip_Start(std::int32_t int_param_StepType) {
    if (ShellExeCallbackWindow* window = g_main_window.load())
        window->Callback_UninstallStepTip_Start(0, int_param_StepType);
    return 0;
}

int ShellExeCallback_StepTip_End(std::int32_t int_param_StepType) {
    if (ShellExeCallbackWindow* window = g_main_window.load())
        window->Callback_UninstallStepTip_End(0, int_param_StepType);
    return 0;
}

}  // namespace purgeon
