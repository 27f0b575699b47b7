// Two controls of the workflow's windows, of the same Widget kind as the
// others: a picture that shows an icon stretched to its size, and a label
// that draws its window text as a line of FONT/B rich text (the text stays
// the window text, so tests and screen readers read the line as written).
#pragma once

#include <windows.h>

#include <map>
#include <tuple>

#include "platform/win32/win32_handles.h"
#include "ui/win32/controls.h"

namespace purgeon {

class IconPicture : public Widget {
  public:
    // Borrowed; null shows only what lies beneath.
    void SetIcon(HICON icon);
    HICON icon() const { return icon_; }

  protected:
    void Paint(HDC dc, const RECT& client) override;

  private:
    HICON icon_ = nullptr;
};

class RichTextLabel : public Widget {
  public:
    // A FONT size (points) drawn at 96 dpi: 12 -> 16 pixels.
    static int PixelsOfSize(int size) { return MulDiv(size, 96, 72); }

  protected:
    void Paint(HDC dc, const RECT& client) override;

  private:
    HFONT FontFor(const std::wstring& face, int pixels, bool bold);
    std::map<std::tuple<std::wstring, int, bool>, ScopedFont> fonts_;
};

}  // namespace purgeon
