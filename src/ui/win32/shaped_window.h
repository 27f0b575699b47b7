// A borderless workflow window shaped by its background picture: pixels of
// the colour key clSkyBlue are transparent (a layered window with
// LWA_COLORKEY), and a left-button press on the background drags it.
#pragma once

#include <windows.h>

#include "ui/win32/secondary_windows.h"

namespace purgeon {

constexpr COLORREF kShapeColourKey = RGB(166, 202, 240);  // clSkyBlue

class ShapedWindow : public FormWindow {
  public:
    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  protected:
    // Creates the window hidden, owned by `owner`, showing `picture` over
    // the colour key; `draggable` lets the background move it.
    bool CreateShaped(const wchar_t* class_name, const wchar_t* caption, int width, int height,
                      HWND owner, int picture, bool draggable);

  private:
    bool draggable_ = false;
};

}  // namespace purgeon
