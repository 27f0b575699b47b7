// The uninstall-process window TFrm_UninstallProcess_Leftovers: shown
// modally while the program's own uninstaller runs; the runner marks its
// steps with WM_UNINSTALL_STEP (sent from its thread), the end of the run
// offers Close, and Close ends the display. A thin view over
// TFrm_UninstallProcess_Leftovers (the logic); window thread only.
#pragma once

#include <windows.h>

#include "ui/Form_UninstallProcess_Leftovers.h"
#include "ui/win32/controls.h"
#include "ui/win32/image_button.h"
#include "ui/win32/shaped_window.h"

namespace purgeon {

class UninstallProcessWindow : public ShapedWindow {
  public:
    static constexpr int kWidth = 644, kHeight = 418;

    // Creates the window hidden, owned by the main window.
    bool Create(HWND main_window);
    TFrm_UninstallProcess_Leftovers& form() { return form_; }
    // Centres the window on `owner`, runs FormShow and shows it modally;
    // returns when the user has pressed Close.
    void ShowModal(HWND owner);
    // The run has ended: the marker is hidden and Close shown.
    void mpu_pro_UpdateStepTip_Complete();

    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    void Render();

    TFrm_UninstallProcess_Leftovers form_;
    ImageButton step1_;
    ImageButton step2_;
    Label step1_text_;
    Label step2_text_;
    Animation marker_;
    ImageButton close_;
};

}  // namespace purgeon
