#include "ui/Form_UninstallProcess_Leftovers.h"

namespace purgeon {

const char16_t kUninstallStepStartText[] =
    u"Locate and launch the original uninstall program. Please choose to restart later if it asks "
    u"to reboost your computer, or launch Purgeon again after startup.";
const char16_t kUninstallStepScanText[] =
    u"The original uninstall process is complete. Please click Scan Leftovers button to "
    u"thoroughly search the program's leftover files, folders and registry entries.";

namespace {
// The button's vertical middle (rounded toward zero) less the lift.
int MarkerTop(const TFrm_UninstallProcess_Leftovers::StepButton& button) {
    return button.top + button.height / 2 - TFrm_UninstallProcess_Leftovers::kMarkerLift;
}
}  // namespace

void TFrm_UninstallProcess_Leftovers::FormShow() {
    for (StepButton* button : {&ImgBtn_StepTip1, &ImgBtn_StepTip2}) {
        button->enabled = true;
        button->down = false;
    }
    ImgBtn_Close_Visible = false;
    Label_StepTip1_StartTip = kUninstallStepStartText;
    Label_StepTip2_ScanTip = kUninstallStepScanText;
    Gif_Step.left = ImgBtn_StepTip1.left - kMarkerGap;
    Gif_Step.top = MarkerTop(ImgBtn_StepTip1);
    Gif_Step.playing = true;
    Gif_Step.visible = true;
    visible = true;
}

void TFrm_UninstallProcess_Leftovers::Mark(StepButton& button) {
    button.enabled = false;
    button.down = true;
    Gif_Step.top = MarkerTop(button);
}

void TFrm_UninstallProcess_Leftovers::WM_UninstallStep(std::uintptr_t wparam) {
    if (wparam == 2)
        Mark(ImgBtn_StepTip1);
    else if (wparam == 3)
        Mark(ImgBtn_StepTip2);
}

void TFrm_UninstallProcess_Leftovers::mpu_pro_UpdateStepTip_Complete() {
    Gif_Step.visible = false;
    Gif_Step.playing = false;
    ImgBtn_Close_Visible = true;
}

void TFrm_UninstallProcess_Leftovers::ImgBtn_CloseClick() {
    visible = false;
}

void TFrm_UninstallProcess_Leftovers::FormCloseQuery() {
    if (ImgBtn_Close_Visible) visible = false;
}

}  // namespace purgeon
