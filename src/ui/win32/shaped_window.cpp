#include "ui/win32/shaped_window.h"

namespace purgeon {

bool ShapedWindow::CreateShaped(const wchar_t* class_name, const wchar_t* caption, int width,
                                int height, HWND owner, int picture, bool draggable) {
    picture_ = picture;
    background_ = kShapeColourKey;  // what the picture leaves uncovered is see-through too
    draggable_ = draggable;
    if (!CreateForm(class_name, caption, width, height, owner, WS_EX_TOOLWINDOW | WS_EX_LAYERED))
        return false;
    return SetLayeredWindowAttributes(hwnd_, kShapeColourKey, 255, LWA_COLORKEY) != FALSE;
}

LRESULT ShapedWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN && draggable_) {
        // Windows moves the borderless window as if its caption were dragged.
        ReleaseCapture();
        SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
        return 0;
    }
    return FormWindow::MessageHandler(message, wparam, lparam);
}

}  // namespace purgeon
