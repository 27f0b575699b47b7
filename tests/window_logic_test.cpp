#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/memory/fake_clock.h"
#include "ui/Form_Shadow.h"
#include "ui/window_geometry.h"

namespace purgeon {
namespace {

struct CentreCase {
    WindowRect owner;
    int width, height;
    int left, top;
};

TEST(CentreOver, TruncatesTowardZeroAndFollowsTheOwnerOffScreen) {
    const CentreCase cases[] = {
        {{100, 100, 738, 560}, 463, 123, 237, 318},    // the list-loading window
        {{0, 0, 738, 560}, 641, 550, 48, 5},           // About: 97 div 2 = 48
        {{-300, -50, 738, 560}, 463, 123, -163, 168},  // owner partly off the screen
        // Wider and taller than the owner: -45 div 2 = -22 and -17 div 2 = -8
        // (toward zero, not -23 and -9).
        {{10, 10, 500, 100}, 545, 117, -12, 2},
    };
    for (const CentreCase& c : cases) {
        const WindowRect placed = CentreOver(c.owner, c.width, c.height);
        EXPECT_EQ(placed, (WindowRect{c.left, c.top, c.width, c.height}))
            << c.owner.left << "," << c.owner.top << " " << c.width << "x" << c.height;
    }
}

TEST(MinimiseFade, PassesThroughFiveOpacities) {
    EXPECT_EQ(MinimiseFadeOpacities(), (std::vector<std::uint8_t>{205, 155, 105, 55, 5}));
}

// Records the overlay's steps with the time they happened at.
class RecordingShadowView : public ShadowView {
  public:
    RecordingShadowView(FakeClock& clock) : clock_(clock) {}
    void ShowOverlayModal() override {
        Log("show");
        shadow->FormShow();
        // The 50 ms timer fires while the overlay's modal loop runs.
        clock_.Sleep(50);
        if (timer_on_) shadow->Timer1Timer();
        Log("returned");
    }
    void PlaceOverMainWindow() override { Log("place"); }
    void EnableTimer(bool enabled) override {
        timer_on_ = enabled;
        Log(enabled ? "timer on" : "timer off");
    }
    void ShowAboutModal() override { Log("about"); }
    void CloseOverlay() override { Log("close"); }

    void Log(const std::string& step) {
        steps.push_back(step + "@" + std::to_string(clock_.TickCount()));
    }
    TFrm_Shadow* shadow = nullptr;
    std::vector<std::string> steps;

  private:
    FakeClock& clock_;
    bool timer_on_ = false;
};

TEST(ShadowOverlay, IndexOneShowsAboutAfterAboutAHundredMillisecondsAnyOtherOnlyCloses) {
    for (std::uint32_t index : {1u, 2u}) {
        FakeClock clock;
        RecordingShadowView view(clock);
        TFrm_Shadow shadow(view, clock);
        view.shadow = &shadow;
        shadow.Interface_ShadowFormShowModal(index);
        EXPECT_EQ(shadow.m_dwShowModalFormIndex, index);
        std::vector<std::string> expected = {"show@0",       "place@0",   "timer on@0",
                                             "timer off@50", "about@100", "close@100",
                                             "returned@100"};
        if (index != 1) expected.erase(expected.begin() + 4);
        EXPECT_EQ(view.steps, expected) << "index " << index;
    }
}

}  // namespace
}  // namespace purgeon
