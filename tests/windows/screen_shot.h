// Screenshots for a person to look at, saved by the window tests.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/dib.h"
#include "window_test_support.h"

namespace purgeon {

// Saves the screen area of `window` as a 24-bit BMP in $PURGEON_SHOT_DIR
// (nothing when the variable is not set).
inline void SaveShot(HWND window, const char* name) {
    const char* dir = std::getenv("PURGEON_SHOT_DIR");
    if (dir == nullptr || *dir == 0) return;
    int width = 0, height = 0;
    const std::vector<std::uint32_t> pixels = ScreenPixels(window, width, height);
    // A 24-bit BMP holds its rows bottom-up, each padded to four bytes.
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> bits(std::size_t(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* row = &bits[std::size_t(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[std::size_t(y) * width + x];
            row[3 * x] = BYTE(p & 0xFF);
            row[3 * x + 1] = BYTE((p >> 8) & 0xFF);
            row[3 * x + 2] = BYTE((p >> 16) & 0xFF);
        }
    }
    BITMAPINFO info = DibInfo(width, height, 24);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = DWORD(file.bfOffBits + bits.size());
    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof(file), 1, out);
        std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out);
        std::fwrite(bits.data(), 1, bits.size(), out);
        std::fclose(out);
    }
}

}  // namespace purgeon
