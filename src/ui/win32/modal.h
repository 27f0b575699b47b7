// Showing a window modally over its owner: the owner is disabled, messages
// are pumped (this loop also serves the workers' hand-overs to the window
// thread) until the window ends its modal showing, the owner is enabled
// again before the window is hidden (so Windows gives the owner the focus
// back), and a WM_QUIT met on the way is posted again for the main loop.
#pragma once

#include <windows.h>

namespace purgeon {

class ModalState {
  public:
    bool active() const { return active_; }
    // Ends the modal loop running for this window (when one runs).
    void End() { ended_ = true; }

  private:
    friend void RunModal(HWND window, HWND owner, ModalState& state);
    bool active_ = false;
    bool ended_ = false;
};

// Shows `window` and runs its modal loop until `state.End()` is called or
// the window is destroyed; then enables `owner` and hides `window`.
void RunModal(HWND window, HWND owner, ModalState& state);

// The message loop's step for a window: keyboard navigation (Tab, Enter,
// Space) for the top-level window the message is for, then dispatch.
void DispatchWithDialogKeys(MSG& msg);

}  // namespace purgeon
