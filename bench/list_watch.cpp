// Starts purgeon.exe and times it until its program list is full: the list
// view holds the expected number of rows, the list-loading window is gone
// and the main window is enabled again. Prints "listed MS ROWS" (or
// "timeout MS ROWS") and then waits until purgeon.exe ends, which the
// benchmark script asks for, after reading the process's peak memory, with a
// line on standard input: the main window is then closed (and the process
// ended if it does not close), so that the next run finds no instance.
// Built by bench/list-window.sh with MinGW; no part of the product.
//   list_watch.exe PURGEON-EXE EXPECTED-ROWS [TIMEOUT-SECONDS]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "window_test_support.h"

namespace purgeon {
namespace {

BOOL CALLBACK MatchListView(HWND window, LPARAM data) {
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) && wcscmp(name, WC_LISTVIEWW) == 0 &&
        (GetWindowLongW(window, GWL_STYLE) & LVS_TYPEMASK) == LVS_ICON) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace
}  // namespace purgeon

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: list_watch PURGEON-EXE EXPECTED-ROWS [TIMEOUT-SECONDS]\n");
        return 2;
    }
    const long expected = std::wcstol(argv[2], nullptr, 10);
    const double timeout_ms = (argc > 3 ? std::wcstod(argv[3], nullptr) : 300.0) * 1000.0;
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::fprintf(stderr, "list_watch: cannot start purgeon.exe (%lu)\n", GetLastError());
        return 1;
    }
    auto elapsed_ms = [&] {
        QueryPerformanceCounter(&now);
        return double(now.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
    };
    using purgeon::FindTopWindow;
    HWND list = nullptr;
    long rows = 0;
    bool listed = false;
    while (elapsed_ms() < timeout_ms) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0) break;
        HWND main = FindTopWindow(info.dwProcessId, L"TFrm_Main_PG");
        if (main && !list)
            EnumChildWindows(main, purgeon::MatchListView, reinterpret_cast<LPARAM>(&list));
        if (list) {
            DWORD_PTR count = 0;
            if (SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 2000, &count))
                rows = long(count);
            // Only visible windows are found.
            const bool loading_shown =
                FindTopWindow(info.dwProcessId, L"TFrm_AppListLoadingShow") != nullptr;
            if (rows >= expected && !loading_shown && IsWindowEnabled(main)) {
                listed = true;
                break;
            }
        }
        Sleep(20);
    }
    std::printf("%s %.0f %ld\n", listed ? "listed" : "timeout", elapsed_ms(), rows);
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin)) {
        // No one to say when: close at once.
    }
    if (HWND main = FindTopWindow(info.dwProcessId, L"TFrm_Main_PG"))
        PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, INFINITE);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return listed ? 0 : 1;
}
