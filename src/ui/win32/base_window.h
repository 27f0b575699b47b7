// BaseWindow<T>: one window class per view type. `this` is stored at
// WM_NCCREATE (passed as the CreateWindowExW parameter) and every message is
// forwarded to T::MessageHandler. No exception leaves the window procedure.
//
// Owner-drawn children draw themselves: WM_DRAWITEM is handed to the control
// it concerns as kReflectedDrawItem (same parameters). WM_COMMAND and
// WM_NOTIFY reach T::MessageHandler, which acts on the control's ID.
#pragma once

#include <windows.h>

namespace purgeon {

// WM_DRAWITEM as the owner-drawn control itself receives it.
constexpr UINT kReflectedDrawItem = WM_APP + 0x2B;

template <typename T>
class BaseWindow {
  public:
    HWND hwnd() const { return hwnd_; }

  protected:
    BaseWindow() = default;
    ~BaseWindow() = default;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    // Registers `class_name` on first use and creates the window, owned by
    // (or, with WS_CHILD, a child of) `owner`; null on failure (including a
    // MessageHandler that fails WM_CREATE).
    HWND CreateBase(HINSTANCE instance, const wchar_t* class_name, DWORD ex_style,
                    const wchar_t* caption, DWORD style, int x, int y, int width, int height,
                    HWND owner = nullptr, HMENU menu_or_id = nullptr) {
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof(existing);
        if (!GetClassInfoExW(instance, class_name, &existing)) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = &BaseWindow::WindowProc;
            wc.hInstance = instance;
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
            wc.lpszClassName = class_name;
            if (!RegisterClassExW(&wc)) return nullptr;
        }
        return CreateWindowExW(ex_style, class_name, caption, style, x, y, width, height, owner,
                               menu_or_id, instance, static_cast<T*>(this));
    }

    HWND hwnd_ = nullptr;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        T* self = nullptr;
        if (message == WM_NCCREATE) {
            self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);

        if (message == WM_DRAWITEM && wparam != 0) {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
            if (item->CtlType != ODT_MENU && item->hwndItem != nullptr) {
                SendMessageW(item->hwndItem, kReflectedDrawItem, wparam, lparam);
                return TRUE;
            }
        }

        LRESULT result;
        try {
            result = self->MessageHandler(message, wparam, lparam);
        } catch (...) {
            // A window that cannot finish its creation is not created.
            if (message == WM_NCCREATE) return FALSE;
            if (message == WM_CREATE) return -1;
            result = DefWindowProcW(hwnd, message, wparam, lparam);
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }
};

}  // namespace purgeon
