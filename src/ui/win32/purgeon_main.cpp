// purgeon.exe: one instance per session; the windows of the start-up table
// created once, in order; the splash; the message loop.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "platform/ports.h"
#include "platform/win32/own_executable.h"
#include "platform/win32/win32_machine.h"
#include "platform/win32/win32_security.h"
#include "platform/win32/win32_text_compare.h"
#include "ui/win32/analysing_window.h"
#include "ui/win32/main_window.h"
#include "ui/win32/modal.h"
#include "ui/win32/secondary_windows.h"
#include "ui/win32/uninstall_process_window.h"
#include "ui/win32/update_window.h"
#include "ui/win32/wizard_window.h"

namespace purgeon {
namespace {

constexpr std::uint32_t kSplashMilliseconds = 1500;

int RunProgram(HINSTANCE instance) {
    // The machine as the program sees it; every port lives until the end.
    Win32Machine machine;
    const Ports ports = machine.ports();

    // 1. The data module holds nothing that the windows use.
    // 2. The main window; its creation runs FormCreate.
    Win32TextCompare text_compare;
    MainWindow main_window(ports, text_compare, OwnExecutablePath());
    Win32Security security;  // the removal's machine-wide lock, shared with purgeon-cli
    main_window.form().set_security(&security);
    if (!main_window.Create(instance)) return 1;
    HWND main = main_window.hwnd();
    // 3.-5. The workflow's windows (custom uninstall wizard, analysing
    // window, uninstall-process window), hidden until the workflow shows them.
    CustomWizardWindow wizard;
    AnalysingWindow analysing;
    UninstallProcessWindow uninstall_process;
    wizard.Create(main, ports);
    analysing.Create(main);
    uninstall_process.Create(main);
    main_window.SetWorkflowWindows(&analysing, &uninstall_process, &wizard);
    // 6.-7. The overlay and the About window it shows.
    AboutWindow about;
    ShadowWindow shadow(machine.clock);
    shadow.Create(main, about);
    about.Create(main, machine.launcher);
    // 8. The update window.
    UpdateCheckWindow update;
    WireUpdateCheck(main_window, update, ports);
    // 9. The list-loading window.
    LoadingWindow loading;
    loading.Create(main);
    main_window.SetSecondaryWindows(&loading, &shadow);

    // The splash: painted at once, then 1500 ms in which no message is
    // processed, then hidden.
    SplashWindow splash;
    if (splash.Create()) splash.ShowFor(machine.clock, kSplashMilliseconds);

    // The first action of the loop's run: the main window appears, and its
    // first showing fills the program list.
    ShowWindow(main, SW_SHOW);
    ::UpdateWindow(main);
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        DispatchWithDialogKeys(msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace
}  // namespace purgeon

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The named mutex keeps a second instance from starting. Its handle is
    // never closed: it must stay open for as long as this process runs.
    CreateMutexW(nullptr, FALSE, L"Purgeon");
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // WIC and the shell
    try {
        return purgeon::RunProgram(instance);
    } catch (...) {
        return 1;
    }
}
