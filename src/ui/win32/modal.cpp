#include "ui/win32/modal.h"

namespace purgeon {

void DispatchWithDialogKeys(MSG& msg) {
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top != nullptr && IsDialogMessageW(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void RunModal(HWND window, HWND owner, ModalState& state) {
    if (window == nullptr || state.active_) return;
    state.active_ = true;
    state.ended_ = false;
    const bool owner_was_enabled = owner != nullptr && IsWindowEnabled(owner);
    if (owner_was_enabled) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);

    bool quit = false;
    WPARAM quit_code = 0;
    MSG msg;
    while (!state.ended_ && IsWindow(window)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quit_code = msg.wParam;
            break;
        }
        if (got == -1) break;
        DispatchWithDialogKeys(msg);
    }
    if (owner_was_enabled) EnableWindow(owner, TRUE);
    if (IsWindow(window)) ShowWindow(window, SW_HIDE);
    if (owner != nullptr && IsWindowVisible(owner)) SetActiveWindow(owner);
    state.active_ = false;
    if (quit) PostQuitMessage(int(quit_code));
}

}  // namespace purgeon
