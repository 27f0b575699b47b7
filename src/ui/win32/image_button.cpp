#include "ui/win32/image_button.h"

#include <commctrl.h>

#include "artwork_ids.h"
#include "platform/win32/win32_handles.h"
#include "ui/win32/artwork.h"
#include "ui/win32/base_window.h"
#include "ui/win32/controls.h"

namespace purgeon {

namespace {
constexpr UINT_PTR kSubclassId = 0x50475242;  // "PGRB"
}

ImageButton::~ImageButton() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, &ImageButton::SubclassProc, kSubclassId);
        DestroyWindow(hwnd_);
    }
}

bool ImageButton::Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width,
                         int height, int art_base) {
    art_base_ = art_base;
    hwnd_ = CreateWindowExW(0, L"BUTTON", caption.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, x, y, width, height,
                            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return false;
    SetWindowSubclass(hwnd_, &ImageButton::SubclassProc, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
    return true;
}

void ImageButton::Enable(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

LRESULT CALLBACK ImageButton::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<ImageButton*>(data);
    switch (message) {
        case kReflectedDrawItem:
            self->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
            if (!self->hover_) {
                self->hover_ = true;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&track);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            self->hover_ = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &ImageButton::SubclassProc, kSubclassId);
            self->hwnd_ = nullptr;
            break;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

void ImageButton::Draw(const DRAWITEMSTRUCT& item) {
    const RECT& rect = item.rcItem;
    HDC dc = item.hDC;
    PaintParentBackground(hwnd_, dc);
    int state = ART_NORMAL;
    if (item.itemState & ODS_DISABLED)
        state = ART_DISABLED;
    else if (item.itemState & ODS_SELECTED)
        state = ART_PRESSED;
    else if (hover_)
        state = ART_HOVER;
    if (art_base_ != 0) {
        Artwork& art = Artwork::Instance();
        if (!art.Draw(dc, art_base_ + state, 0, 0) && state != ART_NORMAL)
            art.Draw(dc, art_base_ + ART_NORMAL, 0, 0);
    } else {
        wchar_t text[256];
        const int length = GetWindowTextW(hwnd_, text, 256);
        ScopedSelectObject font(dc, text_font_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, text_colour_);
        RECT area = rect;
        DrawTextW(dc, text, length, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT cue = rect;
        InflateRect(&cue, -2, -2);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &cue);
    }
}

}  // namespace purgeon
