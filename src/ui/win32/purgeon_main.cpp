// purgeon.exe: one instance per session, one main window, one message loop.
#include <windows.h>

#include "platform/win32/win32_hostkit.h"
#include "ui/Form_Main.h"
#include "ui/win32/main_window.h"
#include "ui/win32/program_file.h"

namespace {

int RunProgram(HINSTANCE instance, int show_command) {
    // The form and the Hostkit table it keeps live until the program ends.
    purgeon::Win32Hostkit hostkit;
    purgeon::TFrm_Main_PG form(hostkit);

    purgeon::MainWindow main_window(form, purgeon::OwnExecutablePath());
    if (!main_window.Create(instance)) return 1;
    ShowWindow(main_window.hwnd(), show_command);
    UpdateWindow(main_window.hwnd());

    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    // The named mutex keeps a second instance from starting. Its handle is
    // never closed: it must stay open for as long as this process runs.
    CreateMutexW(nullptr, FALSE, L"Purgeon");
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    try {
        return RunProgram(instance, show_command);
    } catch (...) {
        return 1;
    }
}
