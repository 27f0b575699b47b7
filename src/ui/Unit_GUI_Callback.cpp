#include "ui/Unit_GUI_Callback.h"

#include <atomic>

namespace purgeon {

namespace {

// Written on the window thread, read on the workers' threads.
std::atomic<ShellExeCallbackWindow*> g_main_window{nullptr};
std::atomic<AnalyzeCallbackWindow*> g_analyze_window{nullptr};

}  // namespace

void RegisterCallbackMainWindow(ShellExeCallbackWindow* window) {
    g_main_window.store(window);
}

void RegisterCallbackMainWindow(AnalyzeCallbackWindow* window) {
    g_analyze_window.store(window);
}

int AnalyzeCallback_Start() {
    if (AnalyzeCallbackWindow* window = g_analyze_window.load())
        window->Callback_UninstallSoftware_Start(0);
    return 0;
}

int AnalyzeCallback_End() {
    if (AnalyzeCallbackWindow* window = g_analyze_window.load())
        window->Callback_UninstallSoftware_End(0);
    return 0;
}

int AnalyzeCallback_FileFolderList(const std::u16string& path) {
    if (AnalyzeCallbackWindow* window = g_analyze_window.load())
        window->Callback_InstalledSoftwareFilePath(0, path);
    return 0;
}

int AnalyzeCallback_FileFolderCount(const std::u16string& path, std::uint32_t count) {
    if (AnalyzeCallbackWindow* window = g_analyze_window.load())
        window->Callback_InstalledSoftwareFileCount(0, path, count);
    return 0;
}

int AnalyzeCallback_RegList(const std::u16string& entry) {
    if (AnalyzeCallbackWindow* window = g_analyze_window.load())
        window->Callback_InstalledSoftwareRegPath(0, entry);
    return 0;
}

int AnalyzeCallback_RegCount(const std::u16string& entry, std::uint32_t count) {
    if (AnalyzeCallbackWindow* window = g_analyze_window.load())
        window->Callback_InstalledSoftwareRegCount(0, entry, count);
    return 0;
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
