// The image button: a real BUTTON (BS_OWNERDRAW), so it gets the focus with
// Tab, clicks with Space and Enter (through the dialog keys), BM_CLICK from
// tests, and its window text as the name screen readers announce. It draws
// one of four pictures (normal, hover, pressed, disabled: artwork ids
// base+0..3) over its parent's background, shows a hand cursor, tracks the
// hover with TrackMouseEvent and draws a dotted focus cue when it has the
// keyboard focus. A click reaches the parent as WM_COMMAND / BN_CLICKED.
#pragma once

#include <windows.h>

#include <string>

namespace purgeon {

class ImageButton {
  public:
    ImageButton() = default;
    ~ImageButton();
    ImageButton(const ImageButton&) = delete;
    ImageButton& operator=(const ImageButton&) = delete;

    bool Create(HWND parent, int id, const std::wstring& caption, int x, int y, int width,
                int height, int art_base);
    HWND hwnd() const { return hwnd_; }
    void Enable(bool enabled);
    // A button without pictures (art_base 0) shows its window text in this
    // font and colour instead: a link.
    void SetTextLook(HFONT font, COLORREF colour) {
        text_font_ = font;
        text_colour_ = colour;
    }

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self);
    void Draw(const DRAWITEMSTRUCT& item);

    HWND hwnd_ = nullptr;
    int art_base_ = 0;
    bool hover_ = false;
    HFONT text_font_ = nullptr;
    COLORREF text_colour_ = 0;
};

}  // namespace purgeon
