// The dimming overlay: a black, partly transparent window laid over the main
// window, through which another window is shown modally (index 1: About).
// The view shows and places it and runs its 50 ms timer; the sequence is
// here, so the native tests can follow it step by step.
#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace purgeon {

class ShadowView {
  public:
    virtual ~ShadowView() = default;
    // Shows the overlay modally; returns when it has closed.
    virtual void ShowOverlayModal() = 0;
    // Puts the overlay at the main window's top-left corner, over it.
    virtual void PlaceOverMainWindow() = 0;
    virtual void EnableTimer(bool enabled) = 0;
    // Centres the About window over the main window and shows it modally.
    virtual void ShowAboutModal() = 0;
    virtual void CloseOverlay() = 0;
};

class TFrm_Shadow {
  public:
    static constexpr std::uint32_t kAboutWindow = 1;
    static constexpr std::uint8_t kOpacity = 188;
    static constexpr std::uint32_t kTimerInterval = 50;  // ms

    TFrm_Shadow(ShadowView& view, ClockPort& clock) : view_(view), clock_(clock) {}

    // Stores the index and shows the overlay modally; returns when it has
    // closed again.
    void Interface_ShadowFormShowModal(std::uint32_t dwFormIndex);
    void FormShow();
    // 50 ms after the showing: timer off, another 50 ms, the chosen window
    // (modal), then the overlay closes. Any index but 1 shows nothing.
    void Timer1Timer();

    std::uint32_t m_dwShowModalFormIndex = 0;

  private:
    ShadowView& view_;
    ClockPort& clock_;
};

}  // namespace purgeon
