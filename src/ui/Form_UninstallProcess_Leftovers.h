// The uninstall-process window, free of any window toolkit: two step
// indicators, their texts, the marker that points at the step in progress
// and the Close button that appears when the run has ended. Positions are
// client pixels; the view moves its controls to them after each call, and
// the modal display ends when `visible` turns false.
#pragma once

#include <cstdint>
#include <string>

namespace purgeon {

extern const char16_t kUninstallStepStartText[];
extern const char16_t kUninstallStepScanText[];

class TFrm_UninstallProcess_Leftovers {
  public:
    struct StepButton {
        int left;
        int top;
        int width;
        int height;
        bool enabled;
        bool down;  // the step has been reached
    };
    struct Marker {
        int left;
        int top;
        bool visible;
        bool playing;
    };
    static constexpr int kMarkerGap = 25;  // the marker's left edge before the buttons'
    static constexpr int kMarkerLift = 10;
    static constexpr int kMarkerSize = 16;

    // Both steps pending, the marker at step 1 and running, Close hidden.
    void FormShow();
    // WM_UNINSTALL_STEP: 2 marks the first step, 3 the second, any other
    // value changes nothing.
    void WM_UninstallStep(std::uintptr_t wparam);
    // The run has ended: the marker goes, Close comes.
    void mpu_pro_UpdateStepTip_Complete();
    void ImgBtn_CloseClick();
    // WM_CLOSE from the system (Alt+F4): honoured like Close, but only once
    // Close is offered, so the run cannot be left while it goes on.
    void FormCloseQuery();

    StepButton ImgBtn_StepTip1{58, 92, 42, 42, true, false};
    StepButton ImgBtn_StepTip2{58, 180, 42, 42, true, false};
    std::u16string Label_StepTip1_StartTip;
    std::u16string Label_StepTip2_ScanTip;
    Marker Gif_Step{0, 0, false, false};
    bool ImgBtn_Close_Visible = false;
    bool visible = false;  // shown; false ends the modal display

  private:
    void Mark(StepButton& button);
};

}  // namespace purgeon
