// Window arithmetic shared by the views: centring one window over another,
// and the opacities of the main window's minimise fade.
#pragma once

#include <cstdint>
#include <vector>

namespace purgeon {

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Left := owner.left + (owner.width - width) div 2, and the same for Top,
// with division truncating toward zero (a wider window sits further left).
// The result may lie off the screen: it follows the owner, not the screen.
WindowRect CentreOver(const WindowRect& owner, int width, int height);

// The opacities the fade passes through: from 255 down in steps of 50 while
// above 50, so 205, 155, 105, 55, 5; one 50 ms step each.
std::vector<std::uint8_t> MinimiseFadeOpacities();

}  // namespace purgeon
