// The fonts of Purgeon's windows, made once and kept until the program ends.
// Heights are character heights in pixels at 96 dpi (negative lfHeight).
#pragma once

#include <windows.h>

namespace purgeon {

struct Fonts {
    HFONT tahoma11;           // the windows' own font
    HFONT tahoma13;           // the search box
    HFONT tahoma13_bold;      // the status strip
    HFONT arial13;            // the list-loading window's text
    HFONT arial13_bold;       // the selected program's name
    HFONT arial13_bold_link;  // the About window's link (underlined)

    static const Fonts& Get();
};

}  // namespace purgeon
