#include "ui/window_geometry.h"

namespace purgeon {

WindowRect CentreOver(const WindowRect& owner, int width, int height) {
    // C++ integer division truncates toward zero, as the layout rule wants.
    return {owner.left + (owner.width - width) / 2, owner.top + (owner.height - height) / 2, width,
            height};
}

std::vector<std::uint8_t> MinimiseFadeOpacities() {
    std::vector<std::uint8_t> steps;
    for (std::uint32_t alpha = 255; alpha > 50;) {
        alpha -= 50;
        steps.push_back(static_cast<std::uint8_t>(alpha));
    }
    return steps;
}

}  // namespace purgeon
