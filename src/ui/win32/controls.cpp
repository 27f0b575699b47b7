#include "ui/win32/controls.h"

#include <windowsx.h>

#include <vector>

#include "platform/win32/win32_handles.h"
#include "ui/win32/artwork.h"

namespace purgeon {

namespace {
constexpr UINT_PTR kAnimationTimer = 1;
}

void PaintParentBackground(HWND child, HDC dc) {
    HWND parent = GetParent(child);
    if (parent == nullptr) return;
    POINT offset{0, 0};
    MapWindowPoints(child, parent, &offset, 1);
    POINT old{};
    SetViewportOrgEx(dc, -offset.x, -offset.y, &old);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void PaintBuffered(HWND window, const std::function<void(HDC dc, const RECT& client)>& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    ScopedMemoryDc buffer(CreateCompatibleDC(dc));
    ScopedBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (buffer && bitmap) {
        ScopedSelectObject selected(buffer.Get(), bitmap.Get());
        paint(buffer.Get(), client);
        BitBlt(dc, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
    } else {
        paint(dc, client);
    }
    EndPaint(window, &ps);
}

// --- Widget -------------------------------------------------------------------

Widget::~Widget() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Widget::Create(HWND parent, int id, const std::wstring& text, int x, int y, int width,
                    int height, DWORD style) {
    return CreateBase(GetModuleHandleW(nullptr), kClassName, 0, text.c_str(),
                      WS_CHILD | WS_CLIPSIBLINGS | style, x, y, width, height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))) != nullptr;
}

void Widget::Show(bool visible) {
    // The control's own visibility, not IsWindowVisible: that is false for
    // every control of a page that is not shown.
    const bool shown = (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (hwnd_ && shown != visible) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void Widget::SetText(const std::wstring& text) {
    if (hwnd_ && Text() != text) SetWindowTextW(hwnd_, text.c_str());
}

std::wstring Widget::Text() const {
    if (!hwnd_) return {};
    std::vector<wchar_t> buffer(std::size_t(GetWindowTextLengthW(hwnd_)) + 1);
    const int length = GetWindowTextW(hwnd_, buffer.data(), int(buffer.size()));
    return std::wstring(buffer.data(), std::size_t(length > 0 ? length : 0));
}

void Widget::PaintBackground(HDC dc, const RECT& client) {
    if (transparent) {
        PaintParentBackground(hwnd_, dc);
    } else {
        SetBkColor(dc, background);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    }
}

LRESULT Widget::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintBuffered(hwnd_, [this](HDC dc, const RECT& client) {
                PaintBackground(dc, client);
                Paint(dc, client);
            });
            return 0;
        case WM_PRINTCLIENT: {
            // What lies beneath this control's children.
            RECT client;
            GetClientRect(hwnd_, &client);
            HDC dc = reinterpret_cast<HDC>(wparam);
            PaintBackground(dc, client);
            Paint(dc, client);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(hwnd_, message, wparam, lparam);
            InvalidateRect(hwnd_, nullptr, FALSE);
            return result;
        }
        case WM_NCHITTEST:
            // Labels and pictures let the mouse through to what is beneath.
            return HTTRANSPARENT;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

// --- Panel ----------------------------------------------------------------------

LRESULT Panel::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            return SendMessageW(GetParent(hwnd_), message, wparam, lparam);
        case WM_NCHITTEST:
            return HTCLIENT;  // a panel is a surface, not a see-through
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            // A press on the panel's background counts as one on its parent's
            // (the title picture drags the window).
            POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            MapWindowPoints(hwnd_, GetParent(hwnd_), &point, 1);
            return SendMessageW(GetParent(hwnd_), message, wparam, MAKELPARAM(point.x, point.y));
        }
    }
    return Widget::MessageHandler(message, wparam, lparam);
}

void Panel::Paint(HDC dc, const RECT& client) {
    if (picture != 0) Artwork::Instance().Draw(dc, picture, 0, 0);
    if (line_top || line_bottom) {
        SetBkColor(dc, line_colour);
        if (line_top) {
            const RECT line{0, 0, client.right, 1};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);
        }
        if (line_bottom) {
            const RECT line{0, client.bottom - 1, client.right, client.bottom};
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);
        }
    }
}

// --- Label ----------------------------------------------------------------------

void Label::Paint(HDC dc, const RECT& client) {
    const std::wstring text = Text();
    ScopedSelectObject selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    RECT area = client;
    DrawTextW(dc, text.c_str(), int(text.size()), &area, format);
}

// --- Picture --------------------------------------------------------------------

void Picture::SetImage(HIMAGELIST list, int index) {
    image_list = list;
    image = index;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Picture::Paint(HDC dc, const RECT&) {
    if (art != 0) Artwork::Instance().Draw(dc, art, 0, 0);
    if (image_list != nullptr && image >= 0)
        ImageList_Draw(image_list, image, dc, 0, 0, ILD_TRANSPARENT);
}

// --- Animation ------------------------------------------------------------------

void Animation::Play(bool playing) {
    if (playing == playing_ || hwnd_ == nullptr) return;
    playing_ = playing;
    if (playing) {
        SetTimer(hwnd_, kAnimationTimer, interval, nullptr);
    } else {
        KillTimer(hwnd_, kAnimationTimer);
        frame_ = 0;
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT Animation::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && wparam == kAnimationTimer) {
        frame_ = (frame_ + 1) % (frame_count > 0 ? frame_count : 1);
        InvalidateRect(hwnd_, nullptr, FALSE);
        return 0;
    }
    return Widget::MessageHandler(message, wparam, lparam);
}

void Animation::Paint(HDC dc, const RECT& client) {
    Artwork::Instance().DrawPart(dc, art, frame_ * frame_width, 0, client.right, client.bottom, 0,
                                 0);
}

}  // namespace purgeon
