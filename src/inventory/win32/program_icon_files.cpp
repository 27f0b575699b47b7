#include "inventory/win32/program_icon_files.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/text.h"
#include "platform/win32/dib.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_handles.h"

namespace purgeon {

namespace {

// Far above any real icon file; a bigger file is not read into memory.
constexpr std::uint64_t kMaxIconFileBytes = 16u << 20;
// Largest image drawn or loaded here (a .ico entry cannot be larger).
constexpr LONG kMaxIconSide = 256;
constexpr int kListIconSide = 32;
// The background an icon is drawn on: it becomes the transparent colour
// whenever the icon leaves its bottom-left pixel transparent. Bytes of a
// 32-bit DIB pixel (blue, green, red, unused) for RGB(255, 0, 255).
constexpr std::uint32_t kBackgroundPixel = 0x00FF00FF;
constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

[[noreturn]] void Fail(const std::string& what, DWORD code) {
    throw IconFileError(what, code);
}

// A memory DC with one bitmap selected into it for its lifetime.
class MemoryDc {
  public:
    explicit MemoryDc(HBITMAP bitmap)
        : dc_(CreateCompatibleDC(nullptr)), selected_(dc_.Get(), bitmap) {
        if (!dc_) Fail("CreateCompatibleDC failed", GetLastError());
        if (!selected_.Selected()) Fail("SelectObject failed", GetLastError());
    }
    HDC Get() const { return dc_.Get(); }

  private:
    ScopedMemoryDc dc_;
    ScopedSelectObject selected_;
};

// The two bitmaps GetIconInfo hands out, owned.
struct IconBitmaps {
    explicit IconBitmaps(HICON icon) {
        ICONINFO info{};
        if (!GetIconInfo(icon, &info)) Fail("GetIconInfo failed", GetLastError());
        mask.Reset(info.hbmMask);
        color.Reset(info.hbmColor);
    }
    ScopedBitmap mask;
    ScopedBitmap color;  // none for a monochrome icon
};

// A top-down 32-bit DIB section: pixels[y * width + x], 0x00RRGGBB.
struct Dib {
    Dib(LONG w, LONG h) : width(w), height(h) {
        BITMAPINFO info = DibInfo(w, -h);
        void* bits = nullptr;
        bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (bitmap.Get() == nullptr || bits == nullptr)
            Fail("CreateDIBSection failed", GetLastError());
        pixels = static_cast<std::uint32_t*>(bits);
    }
    LONG width, height;
    ScopedBitmap bitmap;
    std::uint32_t* pixels = nullptr;
};

// Deletes the temporary files when the procedure ends, however it ends.
class TemporaryFiles {
  public:
    explicit TemporaryFiles(std::vector<std::u16string> paths) : paths_(std::move(paths)) {}
    ~TemporaryFiles() {
        for (const auto& path : paths_) DeleteFileW(Wide(Win32ApiPath(path)));
    }
    TemporaryFiles(const TemporaryFiles&) = delete;
    TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  private:
    std::vector<std::u16string> paths_;
};

std::uint16_t U16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::uint32_t RowBytes(std::uint64_t width, std::uint32_t bits) {
    return std::uint32_t((width * bits + 31) / 32 * 4);
}

// Whether an icon image (BITMAPINFOHEADER, palette, colour rows, mask rows)
// holds every byte its header announces, so that the system never reads
// past the file's data. PNG images are left to the system's decoder.
bool ImageFits(const std::uint8_t* data, std::uint32_t size) {
    static const std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return true;
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    const std::uint32_t header = U32(data);
    const std::int32_t width = std::int32_t(U32(data + 4));
    const std::int32_t height = std::int32_t(U32(data + 8)) / 2;  // colour rows and mask rows
    const std::uint32_t bits = U16(data + 14);
    const std::uint32_t compression = U32(data + 16);
    std::uint32_t colors = U32(data + 32);
    if (header < sizeof(BITMAPINFOHEADER) || header > size || compression != BI_RGB) return false;
    if (width <= 0 || width > kMaxIconSide || height <= 0 || height > kMaxIconSide) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (bits > 8)
        colors = 0;
    else if (colors == 0 || colors > (1u << bits))
        colors = 1u << bits;
    const std::uint64_t need = std::uint64_t(header) + colors * 4ull +
                               std::uint64_t(RowBytes(width, bits)) * height +
                               std::uint64_t(RowBytes(width, 1)) * height;
    return need <= size;
}

// The icon of an .ico file's bytes: the image the system picks for its
// large-icon size, at that image's own size; null when the bytes hold none.
HICON IconFromFileBytes(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 6 || U16(&bytes[0]) != 0 || U16(&bytes[2]) != 1) return nullptr;
    const std::size_t count = U16(&bytes[4]);
    if (count == 0 || 6 + 16 * count > bytes.size()) return nullptr;
    // The same directory in resource form (14-byte entries, an id in place
    // of the offset), the form in which the system chooses among images.
    std::vector<BYTE> directory(6 + 14 * count);
    std::memcpy(directory.data(), bytes.data(), 6);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(&directory[6 + 14 * i], &bytes[6 + 16 * i], 12);
        directory[6 + 14 * i + 12] = BYTE((i + 1) & 0xFF);
        directory[6 + 14 * i + 13] = BYTE((i + 1) >> 8);
    }
    const int id = LookupIconIdFromDirectoryEx(directory.data(), TRUE, GetSystemMetrics(SM_CXICON),
                                               GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    const std::size_t index = (id >= 1 && std::size_t(id) <= count) ? std::size_t(id) - 1 : 0;
    const std::uint8_t* entry = &bytes[6 + 16 * index];
    const std::uint32_t size = U32(entry + 8);
    const std::uint32_t offset = U32(entry + 12);
    if (size == 0 || offset > bytes.size() || size > bytes.size() - offset) return nullptr;
    if (!ImageFits(&bytes[offset], size)) return nullptr;
    // Width and height 0: the image's own size.
    return CreateIconFromResourceEx(const_cast<BYTE*>(&bytes[offset]), size, TRUE, 0x00030000, 0, 0,
                                    LR_DEFAULTCOLOR);
}

SIZE IconSize(HICON icon) {
    IconBitmaps bitmaps(icon);
    BITMAP bm{};
    const bool color = bitmaps.color.Get() != nullptr;
    if (!GetObjectW(color ? bitmaps.color.Get() : bitmaps.mask.Get(), sizeof bm, &bm)) {
        Fail("GetObject failed on an icon bitmap", GetLastError());
    }
    SIZE size{bm.bmWidth, color ? bm.bmHeight : bm.bmHeight / 2};
    if (size.cx <= 0 || size.cy <= 0 || size.cx > kMaxIconSide || size.cy > kMaxIconSide) {
        Fail("icon of unusable size", 0);
    }
    return size;
}

void WriteWholeFile(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
    ScopedFile file(CreateFileW(Wide(Win32ApiPath(path)), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) Fail("cannot create " + ToUtf8(path), GetLastError());
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        Fail("cannot write " + ToUtf8(path), GetLastError());
    }
}

// A 24-bit bottom-up .bmp file of a DIB.
std::vector<std::uint8_t> BitmapFileBytes(const Dib& dib) {
    GdiFlush();
    const std::uint32_t row = RowBytes(dib.width, 24);
    const std::uint32_t image = row * std::uint32_t(dib.height);
    const std::uint32_t offset = 14 + sizeof(BITMAPINFOHEADER);
    std::vector<std::uint8_t> out;
    out.reserve(offset + image);
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + image);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, sizeof(BITMAPINFOHEADER));
    Put32(out, std::uint32_t(dib.width));
    Put32(out, std::uint32_t(dib.height));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, BI_RGB);
    Put32(out, image);
    Put32(out, 3780);  // 96 dpi in pixels per metre
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (LONG y = dib.height - 1; y >= 0; --y) {
        const std::size_t start = out.size();
        for (LONG x = 0; x < dib.width; ++x) {
            const std::uint32_t pixel = dib.pixels[y * dib.width + x];
            out.push_back(std::uint8_t(pixel));
            out.push_back(std::uint8_t(pixel >> 8));
            out.push_back(std::uint8_t(pixel >> 16));
        }
        out.resize(start + row, 0);
    }
    return out;
}

std::vector<std::uint8_t> ReadWholeFile(const std::u16string& path) {
    ScopedFile file(CreateFileW(Wide(Win32ApiPath(path)), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) Fail("cannot open " + ToUtf8(path), GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("cannot read " + ToUtf8(path), GetLastError());
    if (std::uint64_t(size.QuadPart) > kMaxIconFileBytes) Fail("too large: " + ToUtf8(path), 0);
    std::vector<std::uint8_t> bytes(std::size_t(size.QuadPart));
    std::size_t have = 0;
    while (have < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), &bytes[have], DWORD(bytes.size() - have), &read, nullptr)) {
            Fail("cannot read " + ToUtf8(path), GetLastError());
        }
        if (read == 0) break;  // the file shrank meanwhile
        have += read;
    }
    bytes.resize(have);
    return bytes;
}

// A .bmp file of 24 or 32 bits per pixel without palette or compression (the
// kind BitmapFileBytes writes) as a DIB section. Read through the file
// functions rather than LoadImage, which does not take "\\?\" paths.
HBITMAP LoadBitmapFile(const std::u16string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const std::string bad = "not a bitmap of the expected kind: " + ToUtf8(path);
    if (bytes.size() < 14 + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        Fail(bad, 0);
    const std::uint8_t* header = &bytes[14];
    const std::uint32_t offset = U32(&bytes[10]);
    const std::int32_t width = std::int32_t(U32(header + 4));
    const std::int32_t height = std::int32_t(U32(header + 8));
    const std::uint32_t bits = U16(header + 14);
    if (U32(header) < sizeof(BITMAPINFOHEADER) || U32(header + 16) != BI_RGB ||
        (bits != 24 && bits != 32) || width <= 0 || width > kMaxIconSide || height == 0 ||
        std::abs(height) > kMaxIconSide) {
        Fail(bad, 0);
    }
    const std::uint64_t image = std::uint64_t(RowBytes(width, bits)) * std::abs(height);
    if (offset > bytes.size() || image > bytes.size() - offset) Fail(bad, 0);

    BITMAPINFO info = DibInfo(width, height, WORD(bits));
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap == nullptr || pixels == nullptr) Fail("CreateDIBSection failed", GetLastError());
    std::memcpy(pixels, &bytes[offset], std::size_t(image));
    return bitmap;
}

// The bitmap's pixels, top-down, 0x00RRGGBB.
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, LONG width, LONG height) {
    BITMAPINFO info = DibInfo(width, -height);
    std::vector<std::uint32_t> pixels(std::size_t(width) * height);
    const ScopedWindowDc screen(nullptr);
    const int rows =
        GetDIBits(screen.Get(), bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    if (rows != height) Fail("GetDIBits failed", GetLastError());
    return pixels;
}

// A 32x32 icon of the bitmap in which every pixel of the bottom-left
// pixel's colour is transparent.
HICON IconWithTransparentColor(HBITMAP bitmap) {
    BITMAP bm{};
    if (!GetObjectW(bitmap, sizeof bm, &bm))
        Fail("GetObject failed on the reloaded bitmap", GetLastError());
    if (bm.bmWidth != kListIconSide || std::abs(bm.bmHeight) != kListIconSide) {
        Fail("the reloaded bitmap is not 32x32", 0);
    }
    const LONG side = kListIconSide;
    const std::vector<std::uint32_t> pixels = PixelsOf(bitmap, side, side);
    const std::uint32_t transparent = pixels[(side - 1) * side] & kRgbMask;

    // Colour: transparent pixels black, so that the mask alone decides.
    // Mask: one bit per pixel, rows of 4 bytes, 1 = transparent.
    Dib color(side, side);
    std::vector<std::uint8_t> mask(RowBytes(side, 1) * side, 0);
    for (LONG y = 0; y < side; ++y) {
        for (LONG x = 0; x < side; ++x) {
            const std::uint32_t pixel = pixels[y * side + x] & kRgbMask;
            const bool clear = pixel == transparent;
            color.pixels[y * side + x] = clear ? 0 : pixel;
            if (clear) mask[y * RowBytes(side, 1) + x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
    }
    ScopedBitmap mask_bitmap(CreateBitmap(side, side, 1, 1, mask.data()));
    if (mask_bitmap.Get() == nullptr) Fail("CreateBitmap failed", GetLastError());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask_bitmap.Get();
    info.hbmColor = color.bitmap.Get();
    HICON icon = CreateIconIndirect(&info);
    if (icon == nullptr) Fail("CreateIconIndirect failed", GetLastError());
    return icon;
}

// An .ico file holding the icon as one 24-bit image with its mask.
std::vector<std::uint8_t> IconFileBytes(HICON icon) {
    const SIZE size = IconSize(icon);
    IconBitmaps bitmaps(icon);
    if (bitmaps.color.Get() == nullptr) Fail("a monochrome icon is not saved", 0);
    const LONG w = size.cx, h = size.cy;
    const std::uint32_t color_row = RowBytes(w, 24), mask_row = RowBytes(w, 1);

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = w;
    info.header.biHeight = h;  // bottom-up, as an .ico stores its rows
    info.header.biPlanes = 1;
    info.header.biBitCount = 24;
    info.header.biCompression = BI_RGB;
    std::vector<std::uint8_t> color(std::size_t(color_row) * h), mask(std::size_t(mask_row) * h);
    const ScopedWindowDc screen(nullptr);
    const int color_rows = GetDIBits(screen.Get(), bitmaps.color.Get(), 0, UINT(h), color.data(),
                                     reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    info.header.biBitCount = 1;
    const int mask_rows = GetDIBits(screen.Get(), bitmaps.mask.Get(), 0, UINT(h), mask.data(),
                                    reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    if (color_rows != h || mask_rows != h) Fail("GetDIBits failed on the icon", GetLastError());

    const std::uint32_t image = sizeof(BITMAPINFOHEADER) + color.size() + mask.size();
    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon
    Put16(out, 1);  // one image
    out.push_back(std::uint8_t(w == 256 ? 0 : w));
    out.push_back(std::uint8_t(h == 256 ? 0 : h));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 24);  // bits per pixel
    Put32(out, image);
    Put32(out, 6 + 16);
    Put32(out, sizeof(BITMAPINFOHEADER));
    Put32(out, std::uint32_t(w));
    Put32(out, std::uint32_t(h * 2));  // colour rows and mask rows
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, BI_RGB);
    Put32(out, std::uint32_t(color.size() + mask.size()));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    out.insert(out.end(), color.begin(), color.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

}  // namespace

bool LoadIconFileChecked(ScopedIcon& icon, const std::u16string& path) {
    ScopedFile file(CreateFileW(Wide(Win32ApiPath(path)), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) Fail("cannot open " + ToUtf8(path), GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("cannot read " + ToUtf8(path), GetLastError());
    if (size.QuadPart <= 2) return false;

    std::uint8_t first[2] = {};
    DWORD read = 0;
    if (!ReadFile(file.Get(), first, 2, &read, nullptr) || read != 2) {
        Fail("cannot read " + ToUtf8(path), GetLastError());
    }
    if (first[0] != 0) return false;

    if (std::uint64_t(size.QuadPart) > kMaxIconFileBytes) {
        Fail("not an icon file (too large): " + ToUtf8(path), 0);
    }
    std::vector<std::uint8_t> bytes(std::size_t(size.QuadPart));
    std::memcpy(bytes.data(), first, 2);
    std::size_t have = 2;
    while (have < bytes.size()) {
        if (!ReadFile(file.Get(), &bytes[have], DWORD(bytes.size() - have), &read, nullptr)) {
            Fail("cannot read " + ToUtf8(path), GetLastError());
        }
        if (read == 0) break;  // the file shrank meanwhile
        have += read;
    }
    bytes.resize(have);
    HICON loaded = IconFromFileBytes(bytes);
    if (loaded == nullptr) Fail("not a loadable icon file: " + ToUtf8(path), GetLastError());
    icon.Reset(loaded);
    return true;
}

void SaveIconFile(HICON icon, const std::u16string& path) {
    WriteWholeFile(path, IconFileBytes(icon));
}

void MakeIcon32(ScopedIcon& icon, const std::u16string& folder, int /*number*/) {
    const std::u16string bmp_path = folder + u"MyTempIcon.bmp";
    const std::u16string ico_path = folder + u"MyTempIcon.ico";
    TemporaryFiles temporary({bmp_path, ico_path});
    if (!icon) Fail("MakeIcon32: no icon", 0);
    const SIZE size = IconSize(icon.Get());

    // 1. The icon at its own size on the background colour.
    Dib own(size.cx, size.cy);
    for (LONG i = 0; i < size.cx * size.cy; ++i) own.pixels[i] = kBackgroundPixel;
    {
        MemoryDc dc(own.bitmap.Get());
        if (!DrawIconEx(dc.Get(), 0, 0, icon.Get(), size.cx, size.cy, 0, nullptr, DI_NORMAL)) {
            Fail("DrawIconEx failed", GetLastError());
        }
    }
    WriteWholeFile(bmp_path, BitmapFileBytes(own));

    // 2. Stretched to 32x32. Colour-on-colour keeps every pixel an original
    // colour, so the background stays exactly the transparent colour.
    Dib small(kListIconSide, kListIconSide);
    {
        MemoryDc from(own.bitmap.Get());
        MemoryDc to(small.bitmap.Get());
        SetStretchBltMode(to.Get(), COLORONCOLOR);
        if (!StretchBlt(to.Get(), 0, 0, kListIconSide, kListIconSide, from.Get(), 0, 0, size.cx,
                        size.cy, SRCCOPY)) {
            Fail("StretchBlt failed", GetLastError());
        }
    }
    WriteWholeFile(bmp_path, BitmapFileBytes(small));

    // 3. Reloaded from the file.
    ScopedBitmap reloaded(LoadBitmapFile(bmp_path));

    // 4. and 5. The new icon, saved; it replaces the old one only when all
    // went well.
    ScopedIcon made(IconWithTransparentColor(reloaded.Get()));
    SaveIconFile(made.Get(), ico_path);
    icon = std::move(made);
}

}  // namespace purgeon
