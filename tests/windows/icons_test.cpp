// The program list's icon files on real files and real GDI: loading .ico
// files checked for their kind, and MakeIcon32 with its temporary files.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/win32/program_icon_files.h"
#include "platform/text.h"
#include "platform/win32/dib.h"
#include "platform/win32/wide.h"

namespace purgeon {
namespace {

constexpr std::uint32_t kRed = 0x00FF0000;  // 0x00RRGGBB
constexpr std::uint32_t kGreen = 0x0000FF00;
constexpr std::uint32_t kBlue = 0x000000FF;

std::u16string Extended(const std::u16string& path) {
    return path.size() < MAX_PATH - 12 ? path : u"\\\\?\\" + path;
}

bool Exists(const std::u16string& path) {
    return GetFileAttributesW(Wide(Extended(path))) != INVALID_FILE_ATTRIBUTES;
}

void WriteBytes(const std::u16string& path, const std::vector<std::uint8_t>& bytes) {
    const HANDLE file = CreateFileW(Wide(Extended(path)), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << ToUtf8(path);
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size());
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// An .ico file written independently of the code under test: one 32-bit
// image per side, each filled with its own colour, fully opaque.
std::vector<std::uint8_t> IcoFile(const std::vector<std::pair<int, std::uint32_t>>& images) {
    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, std::uint32_t(images.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(images.size());
    std::vector<std::uint8_t> data;
    for (const auto& [side, color] : images) {
        const std::uint32_t mask_row = (side + 31) / 32 * 4;
        const std::uint32_t size = 40 + side * side * 4 + mask_row * side;
        out.push_back(std::uint8_t(side));
        out.push_back(std::uint8_t(side));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, size);
        Put32(out, offset + std::uint32_t(data.size()));
        Put32(data, 40);
        Put32(data, side);
        Put32(data, side * 2);
        Put16(data, 1);
        Put16(data, 32);
        for (int i = 0; i < 6; ++i) Put32(data, 0);
        for (int i = 0; i < side * side; ++i) Put32(data, 0xFF000000 | color);
        data.insert(data.end(), mask_row * side, 0);  // all opaque
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A 24-bit 2x2 .bmp file: "BM" first, as bitmaps start.
std::vector<std::uint8_t> BmpFile() {
    std::vector<std::uint8_t> out = {'B', 'M'};
    Put32(out, 14 + 40 + 16);
    Put32(out, 0);
    Put32(out, 14 + 40);
    Put32(out, 40);
    Put32(out, 2);
    Put32(out, 2);
    Put16(out, 1);
    Put16(out, 24);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    out.insert(out.end(), 16, 0x80);
    return out;
}

// A side x side icon: an opaque red square in the middle, a transparent
// border a quarter of the side wide (so the bottom-left pixel is clear).
HICON MakeTestIcon(int side) {
    BITMAPINFO info = DibInfo(side, -side);
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int row = (side + 15) / 16 * 2;  // CreateBitmap rows are word aligned
    std::vector<std::uint8_t> mask(row * side, 0);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const int border = side / 4;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool inside =
                x >= border && x < side - border && y >= border && y < side - border;
            pixels[y * side + x] = inside ? kRed : 0;
            if (!inside) mask[y * row + x / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
    }
    HBITMAP mask_bitmap = CreateBitmap(side, side, 1, 1, mask.data());
    ICONINFO icon_info{TRUE, 0, 0, mask_bitmap, color};
    HICON icon = CreateIconIndirect(&icon_info);
    DeleteObject(color);
    DeleteObject(mask_bitmap);
    return icon;
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return {0, 0};
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return {bm.bmWidth, bm.bmHeight};
}

// The icon's colour pixels (0x00RRGGBB) and mask (true = transparent),
// top-down.
struct IconPixels {
    LONG side = 0;
    std::vector<std::uint32_t> color;
    std::vector<bool> clear;
    std::uint32_t Color(int x, int y) const { return color[y * side + x] & 0x00FFFFFF; }
    bool Clear(int x, int y) const { return clear[y * side + x]; }
};

IconPixels PixelsOf(HICON icon) {
    IconPixels out;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return out;
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    out.side = bm.bmWidth;
    BITMAPINFO bi = DibInfo(out.side, -out.side);
    out.color.resize(out.side * out.side);
    std::vector<std::uint32_t> mask(out.side * out.side);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmColor, 0, out.side, out.color.data(), &bi, DIB_RGB_COLORS);
    GetDIBits(dc, info.hbmMask, 0, out.side, mask.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (auto m : mask) out.clear.push_back((m & 0x00FFFFFF) != 0);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return out;
}

class IconFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        folder_ = FromWide(temp) + u"purgeon_icons_" +
                  FromUtf8(std::to_string(GetCurrentProcessId()) + "_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                  u"\\";
        Cleanup(folder_);
        ASSERT_TRUE(CreateDirectoryW(Wide(folder_), nullptr));
    }
    void TearDown() override { Cleanup(folder_); }

    // Removes a folder tree made by a test (no links in it).
    static void Cleanup(const std::u16string& folder) {
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW(Wide(Extended(folder + u"*")), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::u16string name = FromWide(found.cFileName);
                if (name == u"." || name == u"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Cleanup(folder + name + u"\\");
                } else {
                    DeleteFileW(Wide(Extended(folder + name)));
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(Wide(Extended(folder)));
    }

    // The names in the folder, for "nothing left behind".
    static std::vector<std::u16string> Listing(const std::u16string& folder) {
        std::vector<std::u16string> names;
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW(Wide(Extended(folder + u"*")), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::u16string name = FromWide(found.cFileName);
            if (name != u"." && name != u"..") names.push_back(name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }

    std::u16string folder_;
};

TEST_F(IconFiles, LoadIconFileCheckedRefusesFilesThatDoNotStartLikeAnIcon) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"two zero bytes", {0, 0}},
        {"bitmap", BmpFile()},
        {"text", {'i', 'c', 'o', 'n'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string path = folder_ + FromUtf8(c.name);
        WriteBytes(path, c.bytes);
        HICON before = MakeTestIcon(16);
        ScopedIcon icon(before);
        EXPECT_FALSE(LoadIconFileChecked(icon, path));
        EXPECT_EQ(icon.Get(), before);  // nothing was loaded into it
    }
}

TEST_F(IconFiles, LoadIconFileCheckedLoadsTheImageOfLargeIconSize) {
    const std::u16string single = folder_ + u"single.ico";
    WriteBytes(single, IcoFile({{48, kGreen}}));
    ScopedIcon icon;
    ASSERT_TRUE(LoadIconFileChecked(icon, single));
    EXPECT_EQ(IconSize(icon.Get()).cx, 48);
    EXPECT_EQ(IconSize(icon.Get()).cy, 48);
    EXPECT_EQ(PixelsOf(icon.Get()).Color(24, 24), kGreen);

    // Of 16, 32 and 48 the 32x32 image is taken (large-icon size at 96 dpi).
    ASSERT_EQ(GetSystemMetrics(SM_CXICON), 32);
    const std::u16string several = folder_ + u"several.ico";
    WriteBytes(several, IcoFile({{16, kRed}, {32, kBlue}, {48, kGreen}}));
    ASSERT_TRUE(LoadIconFileChecked(icon, several));
    EXPECT_EQ(IconSize(icon.Get()).cx, 32);
    EXPECT_EQ(PixelsOf(icon.Get()).Color(16, 16), kBlue);
    EXPECT_FALSE(PixelsOf(icon.Get()).Clear(16, 16));
}

TEST_F(IconFiles, LoadIconFileCheckedThrowsWhenTheFileCannotBeOpened) {
    ScopedIcon icon;
    try {
        LoadIconFileChecked(icon, folder_ + u"missing.ico");
        ADD_FAILURE() << "no error for a missing file";
    } catch (const IconFileError& error) {
        EXPECT_EQ(error.code(), DWORD(ERROR_FILE_NOT_FOUND));
    }

    // Others may read the file meanwhile, but not write it.
    const std::u16string path = folder_ + u"busy.ico";
    WriteBytes(path, IcoFile({{16, kRed}}));
    const HANDLE reader =
        CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(LoadIconFileChecked(icon, path));
    CloseHandle(reader);
    const HANDLE writer = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    try {
        LoadIconFileChecked(icon, path);
        ADD_FAILURE() << "no error for a file open for writing";
    } catch (const IconFileError& error) {
        EXPECT_EQ(error.code(), DWORD(ERROR_SHARING_VIOLATION));
    }
    CloseHandle(writer);
    EXPECT_THROW(LoadIconFileChecked(icon, folder_), IconFileError);  // a folder
}

TEST_F(IconFiles, LoadIconFileCheckedThrowsForADamagedIconFile) {
    std::vector<std::uint8_t> beyond = IcoFile({{32, kRed}});
    beyond[6 + 15] = 0x7F;  // image offset far beyond the end
    // The directory agrees with the file, but the image's own header
    // announces more rows than the image holds.
    std::vector<std::uint8_t> short_image = IcoFile({{32, kRed}});
    short_image.resize(short_image.size() - 200);
    const std::uint32_t entry_size = 40 + 32 * 32 * 4 + 4 * 32 - 200;
    for (int i = 0; i < 4; ++i) short_image[6 + 8 + i] = std::uint8_t(entry_size >> (8 * i));
    std::vector<std::uint8_t> no_images = {0, 0, 1, 0, 0, 0};
    std::vector<std::uint8_t> zeros(64, 0);
    for (const auto* bytes : {&beyond, &short_image, &no_images, &zeros}) {
        const std::u16string path = folder_ + u"damaged.ico";
        WriteBytes(path, *bytes);
        ScopedIcon icon;
        EXPECT_THROW(LoadIconFileChecked(icon, path), IconFileError) << bytes->size() << " bytes";
        EXPECT_FALSE(icon);
    }
}

TEST_F(IconFiles, SaveIconFileWritesAnIconFileThatLoadsBack) {
    ScopedIcon original(MakeTestIcon(32));
    const std::u16string path = folder_ + u"saved.ico";
    SaveIconFile(original.Get(), path);
    ScopedIcon loaded;
    ASSERT_TRUE(LoadIconFileChecked(loaded, path));
    const IconPixels pixels = PixelsOf(loaded.Get());
    ASSERT_EQ(pixels.side, 32);
    EXPECT_EQ(pixels.Color(16, 16), kRed);
    EXPECT_FALSE(pixels.Clear(16, 16));
    EXPECT_TRUE(pixels.Clear(0, 31));
    EXPECT_TRUE(pixels.Clear(31, 0));
}

TEST_F(IconFiles, MakeIcon32GivesA32x32IconAndLeavesNoFileBehind) {
    for (int side : {16, 48, 32}) {
        SCOPED_TRACE(side);
        ScopedIcon icon(MakeTestIcon(side));
        MakeIcon32(icon, folder_, 0);
        ASSERT_TRUE(icon);
        const SIZE size = IconSize(icon.Get());
        EXPECT_EQ(size.cx, 32);
        EXPECT_EQ(size.cy, 32);
        // The border (the bottom-left pixel's colour) is transparent, the
        // red middle is not.
        const IconPixels pixels = PixelsOf(icon.Get());
        EXPECT_TRUE(pixels.Clear(0, 31));
        EXPECT_TRUE(pixels.Clear(31, 0));
        EXPECT_TRUE(pixels.Clear(4, 16));
        EXPECT_FALSE(pixels.Clear(16, 16));
        EXPECT_EQ(pixels.Color(16, 16), kRed);
        EXPECT_TRUE(Listing(folder_).empty());
    }
}

TEST_F(IconFiles, MakeIcon32LeavesNoFileBehindWhenItFails) {
    // The .ico cannot be written (a folder holds its name) after the .bmp
    // was: the error comes out, the .bmp is gone, the icon is unchanged.
    ASSERT_TRUE(CreateDirectoryW(Wide(folder_ + u"MyTempIcon.ico"), nullptr));
    HICON before = MakeTestIcon(16);
    ScopedIcon icon(before);
    EXPECT_THROW(MakeIcon32(icon, folder_, 0), IconFileError);
    EXPECT_EQ(icon.Get(), before);
    EXPECT_EQ(IconSize(icon.Get()).cx, 16);
    EXPECT_FALSE(Exists(folder_ + u"MyTempIcon.bmp"));
    EXPECT_EQ(Listing(folder_), std::vector<std::u16string>{u"MyTempIcon.ico"});

    // A folder that does not exist: nothing can be written at all.
    EXPECT_THROW(MakeIcon32(icon, folder_ + u"missing\\", 0), IconFileError);
    EXPECT_EQ(icon.Get(), before);
}

TEST_F(IconFiles, MakeIcon32WorksInAFolderBeyondMaxPath) {
    std::u16string folder = folder_;
    while (folder.size() < 300) {
        folder += u"a-rather-long-folder-name-for-the-icon-test\\";
        ASSERT_TRUE(CreateDirectoryW(Wide(u"\\\\?\\" + folder), nullptr)) << ToUtf8(folder);
    }
    ScopedIcon icon(MakeTestIcon(48));
    MakeIcon32(icon, folder, 0);
    EXPECT_EQ(IconSize(icon.Get()).cx, 32);
    EXPECT_TRUE(Listing(folder).empty());
}

}  // namespace
}  // namespace purgeon
