// The program's private window messages (WM_USER = 0x400). lParam is always
// 0; a window ignores a wParam its message does not list.
#pragma once

#include <cstdint>

namespace purgeon {

constexpr std::uint32_t WM_UPDATE_RESULT = 0x550;   // update worker -> update window; 1 = newer
constexpr std::uint32_t WM_UNINSTALL_STEP = 0x553;  // runner (sent) -> uninstall window; 2 or 3
constexpr std::uint32_t WM_SHOW_LOADING_WINDOW = 0x55E;  // enumeration worker -> main window
constexpr std::uint32_t WM_CLOSE_LOADING_WINDOW =
    0x55F;                                              // enumeration worker -> list-loading window
constexpr std::uint32_t WM_SHOW_UPDATE_WINDOW = 0x564;  // update worker -> main window

}  // namespace purgeon
