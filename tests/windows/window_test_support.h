// What the tests of real windows in their own process share: pumping the
// test thread's messages (the windows belong to it) and reading a window's
// text.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace purgeon {

// Dispatches every message waiting on this thread.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps this thread's messages until `done` holds; false after `seconds`.
inline bool PumpUntil(const std::function<bool()>& done, int seconds = 30) {
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(seconds) * 1000;
    while (!done()) {
        if (GetTickCount64() > deadline) return false;
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// The window's text, however long.
inline std::wstring TextOf(HWND window) {
    std::vector<wchar_t> text(std::size_t(GetWindowTextLengthW(window)) + 1);
    const int length = GetWindowTextW(window, text.data(), int(text.size()));
    return std::wstring(text.data(), std::size_t(length > 0 ? length : 0));
}

}  // namespace purgeon
