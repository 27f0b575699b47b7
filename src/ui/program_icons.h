// Icon port of the program list: getting a program's icon from its icon
// file, bringing it to the list's size, and the list's image list. The Win32
// adapter works on HICONs and HIMAGELISTs; the native tests use a fake.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace purgeon {

using IconHandle = std::uintptr_t;  // an HICON on Windows; 0 = none

struct IconSize {
    int width = 0;
    int height = 0;
};

// What the icon procedures throw: a file that cannot be opened or read, a
// temporary file that cannot be written, a drawing step that failed.
class IconError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ProgramIconPort {
  public:
    virtual ~ProgramIconPort() = default;

    // The file's large shell icon (SHGetFileInfoW with SHGFI_ICON |
    // SHGFI_SYSICONINDEX); 0 when the shell gives none.
    virtual IconHandle ShellFileIcon(const std::u16string& path) = 0;
    // Icon number `index` of the file (ExtractIconW); 0 when there is none.
    virtual IconHandle ExtractFileIcon(const std::u16string& path, std::uint32_t index) = 0;
    // Loads an icon file as the checked loader does: throws IconError when
    // the file cannot be opened or read; false (`icon` untouched) when it is
    // not an icon file; true with `icon` set.
    virtual bool LoadIconFileChecked(const std::u16string& path, IconHandle* icon) = 0;
    // A copy of image `index` of the fixed images (McAfee, Bitdefender,
    // generic); the caller releases it.
    virtual IconHandle FixedIcon(int index) = 0;
    virtual IconSize SizeOf(IconHandle icon) = 0;
    // A 32 x 32 redraw of `icon` made through temporary files in `folder`
    // (which ends in "\"); `icon` itself is left as it is. Throws IconError.
    virtual IconHandle MakeIcon32(IconHandle icon, const std::u16string& folder) = 0;
    virtual void Release(IconHandle icon) = 0;

    // The program list's image list: append a copy of `icon` (its index, or
    // -1 on failure), set the image edge, empty it.
    virtual std::int32_t AddToImageList(IconHandle icon) = 0;
    virtual void SetImageListSize(int edge) = 0;
    virtual void ClearImageList() = 0;
};

}  // namespace purgeon
