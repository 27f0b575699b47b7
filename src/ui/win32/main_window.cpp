#include "ui/win32/main_window.h"

#include <utility>

#include "platform/win32/wide.h"
#include "ui/win32/program_file.h"

namespace purgeon {
namespace {

// The frame's bands from top to bottom; the page area takes what is left.
constexpr int kTitleBarHeight = 32;
constexpr int kMenuBarHeight = 68;
constexpr int kStatusBarHeight = 18;
constexpr int kCaptionIndent = 10;

constexpr COLORREF kTitleBarColour = RGB(61, 61, 61);
constexpr COLORREF kMenuBarColour = RGB(45, 112, 178);
constexpr COLORREF kPageColour = RGB(255, 255, 255);
constexpr COLORREF kStatusBarColour = RGB(61, 61, 61);
constexpr COLORREF kLightText = RGB(255, 255, 255);

void FillBand(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    // ExtTextOut with ETO_OPAQUE fills a rectangle without creating a brush.
    const RECT rect{left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void DrawLabel(HDC dc, const wchar_t* text, RECT rect, UINT align) {
    DrawTextW(dc, text, -1, &rect, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// A memory bitmap the size of the client area: the frame is painted there
// first and copied in one go, so it never flickers.
class BackBuffer {
  public:
    BackBuffer(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)), bitmap_(CreateCompatibleBitmap(target, width, height)) {
        if (dc_ && bitmap_) old_ = SelectObject(dc_, bitmap_);
    }
    ~BackBuffer() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;

    HDC dc() const { return old_ ? dc_ : nullptr; }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace

MainWindow::MainWindow(TFrm_Main_PG& form, std::u16string exe_path)
    : form_(form), exe_path_(std::move(exe_path)) {}

MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
}

bool MainWindow::Create(HINSTANCE instance) {
    // Tahoma with a character height of 11 pixels (8 points at 96 dpi).
    font_ = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, L"Tahoma");

    // No border: the window rectangle is the client area.
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD ex_style = WS_EX_APPWINDOW | WS_EX_LAYERED;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    const int x = screen.left + (screen.right - screen.left - width) / 2;
    const int y = screen.top + (screen.bottom - screen.top - height) / 2;

    if (!CreateBase(instance, kClassName, ex_style, kCaption, style, x, y, width, height)) {
        return false;
    }
    // A layered window stays invisible until its attributes are set.
    SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(form_.m_ulAlphaBlend), LWA_ALPHA);
    return true;
}

LRESULT MainWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            form_.FormCreate(exe_path_);
            return 0;
        case WM_SHOWWINDOW:
            if (wparam) {
                FileVersion version;
                ReadFileVersion(exe_path_, &version);  // 0.0.0.0 without a version resource
                form_.FormShow(version);
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            RECT client;
            GetClientRect(hwnd_, &client);
            BackBuffer buffer(dc, client.right, client.bottom);
            if (buffer.dc()) {
                Paint(buffer.dc(), client);
                BitBlt(dc, 0, 0, client.right, client.bottom, buffer.dc(), 0, 0, SRCCOPY);
            } else {
                Paint(dc, client);
            }
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void MainWindow::Paint(HDC dc, const RECT& client) const {
    const int width = client.right;
    const int status_top = client.bottom - kStatusBarHeight;
    const int page_top = kTitleBarHeight + kMenuBarHeight;

    FillBand(dc, 0, 0, width, kTitleBarHeight, kTitleBarColour);
    FillBand(dc, 0, kTitleBarHeight, width, page_top, kMenuBarColour);
    FillBand(dc, 0, page_top, width, status_top, kPageColour);
    FillBand(dc, 0, status_top, width, client.bottom, kStatusBarColour);

    const HGDIOBJ old_font = font_ ? SelectObject(dc, font_) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLightText);
    DrawLabel(dc, kCaption, RECT{kCaptionIndent, 0, width, kTitleBarHeight}, DT_LEFT);
    DrawLabel(dc, Wide(form_.Label_Version), RECT{0, status_top, width, client.bottom}, DT_RIGHT);
    if (old_font) SelectObject(dc, old_font);
}

}  // namespace purgeon
