// Screenshots for a person to look at, saved by the window tests.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/dib.h"

namespace purgeon {

// Saves the screen area of `window` as a 24-bit BMP in $PURGEON_SHOT_DIR
// (nothing when the variable is not set).
inline void SaveShot(HWND window, const char* name) {
    const char* dir = std::getenv("PURGEON_SHOT_DIR");
    if (dir == nullptr || *dir == 0) return;
    RECT area;
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> bits(std::size_t(stride) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = DibInfo(width, height, 24);  // bottom-up, as BMP files are
    GetDIBits(memory, bitmap, 0, UINT(height), bits.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
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
