// Purgeon's own child controls: a panel, a label, a picture and an
// animation, all of one window class. Each paints into a back buffer; a
// transparent one first paints what its parent shows beneath it (the parent
// answers WM_PRINTCLIENT with its background). Labels keep their text as
// window text, so screen readers and tests read it like any control's.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "ui/win32/base_window.h"

namespace purgeon {

// Paints `child`'s parent's background beneath `child` into `dc` (whose
// origin is the child's top-left corner).
void PaintParentBackground(HWND child, HDC dc);

// Answers WM_PAINT through a back buffer, so the window never flickers.
void PaintBuffered(HWND window, const std::function<void(HDC dc, const RECT& client)>& paint);

class Widget : public BaseWindow<Widget> {
  public:
    static constexpr const wchar_t* kClassName = L"PurgeonWidget";
    Widget() = default;
    virtual ~Widget();

    // Creates the control as a child of `parent` with `text` as its window
    // text; `style` is added to WS_CHILD | WS_CLIPSIBLINGS.
    bool Create(HWND parent, int id, const std::wstring& text, int x, int y, int width, int height,
                DWORD style = WS_VISIBLE);
    void Show(bool visible);
    void SetText(const std::wstring& text);
    std::wstring Text() const;

    virtual LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam);

  protected:
    // Paints the control's own look over its background.
    virtual void Paint(HDC dc, const RECT& client) = 0;
    // The control's background: its parent's beneath it when transparent,
    // else its colour.
    void PaintBackground(HDC dc, const RECT& client);

  public:
    bool transparent = true;
    COLORREF background = RGB(255, 255, 255);
};

// A container: colour or picture, optional one-pixel lines at its top and
// foot. Commands and notifications of its children go on to its parent.
class Panel : public Widget {
  public:
    int picture = 0;  // artwork id filling the panel; 0 = the colour
    bool line_top = false;
    bool line_bottom = false;
    COLORREF line_colour = RGB(204, 204, 204);

    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  protected:
    void Paint(HDC dc, const RECT& client) override;
};

class Label : public Widget {
  public:
    HFONT font = nullptr;  // borrowed
    COLORREF colour = RGB(0, 0, 0);
    UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

  protected:
    void Paint(HDC dc, const RECT& client) override;
};

// A picture from the artwork, or one image of an image list.
class Picture : public Widget {
  public:
    int art = 0;
    HIMAGELIST image_list = nullptr;  // borrowed
    int image = -1;
    void SetImage(HIMAGELIST list, int index);

  protected:
    void Paint(HDC dc, const RECT& client) override;
};

// A looping animation from a strip of equal frames laid side by side.
class Animation : public Widget {
  public:
    int art = 0;
    int frame_width = 16;
    int frame_count = 1;
    UINT interval = 80;  // ms per frame
    void Play(bool playing);
    bool playing() const { return playing_; }

    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  protected:
    void Paint(HDC dc, const RECT& client) override;

  private:
    bool playing_ = false;
    int frame_ = 0;
};

}  // namespace purgeon
