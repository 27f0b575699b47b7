// What the tests of real windows share: pumping the test thread's messages
// (the windows of the test's own process belong to it), reading a window's
// text and class, finding a process's top-level window, reading the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/dib.h"

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

inline std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

struct TopWindowSearch {
    DWORD pid;
    const std::wstring* cls;
    const std::wstring* text_part;
    HWND found;
};

inline BOOL CALLBACK MatchTopWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TopWindowSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((search->pid == 0 || pid == search->pid) && IsWindowVisible(window) &&
        ClassOf(window) == *search->cls &&
        TextOf(window).find(*search->text_part) != std::wstring::npos) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of process `pid` (0: any process) of class
// `cls` whose text holds `text_part`; nullptr when there is none. Window
// texts are read across processes, so this serves tests of other programs.
inline HWND FindTopWindow(DWORD pid, const std::wstring& cls, const std::wstring& text_part = L"") {
    TopWindowSearch search{pid, &cls, &text_part, nullptr};
    ::EnumWindows(&MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The screen's pixels under `window`: top-down rows of 0x00RRGGBB.
inline std::vector<std::uint32_t> ScreenPixels(HWND window, int& width, int& height) {
    RECT area;
    GetWindowRect(window, &area);
    width = area.right - area.left;
    height = area.bottom - area.top;
    std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = DibInfo(width, -height);
    GetDIBits(memory, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

}  // namespace purgeon
