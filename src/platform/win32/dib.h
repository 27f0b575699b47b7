// The header of an uncompressed device-independent bitmap, as
// CreateDIBSection and GetDIBits take it.
#pragma once

#include <windows.h>

namespace purgeon {

// `bits` per pixel, no colour table (BI_RGB). A negative height gives
// top-down rows: pixel (x, y) of a 32-bit one is pixels[y * width + x].
inline BITMAPINFO DibInfo(LONG width, LONG height, WORD bits = 32) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace purgeon
