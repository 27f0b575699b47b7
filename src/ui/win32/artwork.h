// The owner of Purgeon's pictures: each PNG resource (RCDATA, numbers in
// res/artwork_ids.h) is decoded once, on first use, with WIC into a
// premultiplied 32-bit DIB section and kept until the program ends. Pictures
// are drawn with AlphaBlend, so their soft edges lie over whatever is below.
// Window thread only; COM must be initialised on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace purgeon {

struct ArtPicture {
    HBITMAP bitmap = nullptr;  // premultiplied BGRA, top-down
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> straight;  // the same pixels, straight alpha
};

class Artwork {
  public:
    // The program's one instance, loading from the executable's resources.
    static Artwork& Instance();

    // The picture with resource number `id`, or null when the executable has
    // none (or it does not decode).
    const ArtPicture* Find(int id);

    // Draws the whole picture with its top-left corner at (x, y); false when
    // there is no such picture.
    bool Draw(HDC dc, int id, int x, int y);
    // Draws the part (src_x, src_y, width, height) of the picture at (x, y).
    bool DrawPart(HDC dc, int id, int src_x, int src_y, int width, int height, int x, int y);
    // A new icon of the picture (the caller destroys it); null when none.
    HICON MakeIcon(int id);

  private:
    Artwork() = default;
    std::map<int, ArtPicture> pictures_;
    std::map<int, bool> missing_;
    std::vector<ScopedBitmap> owned_;
};

}  // namespace purgeon
