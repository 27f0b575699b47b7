#include "ui/win32/uninstall_process_window.h"

#include "artwork_ids.h"
#include "platform/win32/wide.h"
#include "platform/window_messages.h"
#include "ui/win32/fonts.h"
#include "ui/win32/workflow_control_ids.h"

namespace purgeon {

namespace {

using StepButton = TFrm_UninstallProcess_Leftovers::StepButton;

bool CreateStep(ImageButton& button, HWND parent, int id, const wchar_t* caption,
                const StepButton& state, int art) {
    if (!button.Create(parent, id, caption, state.left, state.top, state.width, state.height, art))
        return false;
    // An indicator, not something to act on: Tab passes it by.
    SetWindowLongW(button.hwnd(), GWL_STYLE,
                   GetWindowLongW(button.hwnd(), GWL_STYLE) & ~LONG(WS_TABSTOP));
    return true;
}

// Shows or hides a child by its own style bit: IsWindowVisible is false for
// every child while the window itself is hidden (before a showing).
void SetShown(HWND child, bool shown) {
    const bool is_shown = (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
    if (is_shown != shown) ShowWindow(child, shown ? SW_SHOWNA : SW_HIDE);
}

void RenderStep(ImageButton& button, const StepButton& state) {
    button.Enable(state.enabled);
    SendMessageW(button.hwnd(), BM_SETSTATE, state.down ? TRUE : FALSE, 0);
}

bool CreateStepText(Label& label, HWND parent, int id, int x, int y) {
    label.font = Fonts::Get().arial13_bold;
    label.colour = RGB(51, 51, 51);
    label.format = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;
    return label.Create(parent, id, L"", x, y, 475, 47);
}

}  // namespace

bool UninstallProcessWindow::Create(HWND main_window) {
    if (!CreateShaped(L"TFrm_UninstallProcess_Leftovers", L"Purgeon", kWidth, kHeight, main_window,
                      IDP_UNINSTALL_BACK, true))
        return false;
    marker_.art = IDP_STEP_MARKER;
    marker_.frame_width = TFrm_UninstallProcess_Leftovers::kMarkerSize;
    marker_.frame_count = 8;
    marker_.interval = 90;
    const auto& s1 = form_.ImgBtn_StepTip1;
    const auto& s2 = form_.ImgBtn_StepTip2;
    if (!CreateStep(step1_, hwnd_, kIdUninstallStep1, L"Step 1", s1, IDP_BTN_STEP_TIP1) ||
        !CreateStep(step2_, hwnd_, kIdUninstallStep2, L"Step 2", s2, IDP_BTN_STEP_TIP2) ||
        !CreateStepText(step1_text_, hwnd_, kIdUninstallStep1Text, s1.left + 58, s1.top - 2) ||
        !CreateStepText(step2_text_, hwnd_, kIdUninstallStep2Text, s2.left + 58, s2.top - 2) ||
        !marker_.Create(hwnd_, kIdUninstallMarker, L"", s1.left - 25, s1.top, 16, 16, 0) ||
        !close_.Create(hwnd_, kIdUninstallClose, L"Close", 226, 324, 192, 50,
                       IDP_BTN_SCAN_LEFTOVERS))
        return false;
    ShowWindow(close_.hwnd(), SW_HIDE);
    return true;
}

void UninstallProcessWindow::ShowModal(HWND owner) {
    CentreWindowOver(hwnd_, owner);
    form_.FormShow();
    Render();
    FormWindow::ShowModal(owner);
}

void UninstallProcessWindow::mpu_pro_UpdateStepTip_Complete() {
    form_.mpu_pro_UpdateStepTip_Complete();
    Render();
    if (GetActiveWindow() == hwnd_) SetFocus(close_.hwnd());
}

void UninstallProcessWindow::Render() {
    RenderStep(step1_, form_.ImgBtn_StepTip1);
    RenderStep(step2_, form_.ImgBtn_StepTip2);
    step1_text_.SetText(Wide(form_.Label_StepTip1_StartTip));
    step2_text_.SetText(Wide(form_.Label_StepTip2_ScanTip));
    const auto& marker = form_.Gif_Step;
    SetWindowPos(marker_.hwnd(), nullptr, marker.left, marker.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    marker_.Play(marker.playing);
    SetShown(marker_.hwnd(), marker.visible);
    SetShown(close_.hwnd(), form_.ImgBtn_Close_Visible);
    if (!form_.visible) CloseModal();
}

LRESULT UninstallProcessWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_UNINSTALL_STEP:
            form_.WM_UninstallStep(wparam);
            Render();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wparam) == kIdUninstallClose && HIWORD(wparam) == BN_CLICKED) {
                form_.ImgBtn_CloseClick();
                Render();
                return 0;
            }
            break;
        case WM_CLOSE:
            form_.FormCloseQuery();
            Render();
            return 0;
    }
    return ShapedWindow::MessageHandler(message, wparam, lparam);
}

}  // namespace purgeon
