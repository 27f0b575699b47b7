// Icon files of the program list: loading an .ico file checked for its
// kind, and bringing an icon to the list's 32x32 size. Both run on the
// window thread, one program at a time (the temporary file names are fixed).
#pragma once

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/win32/win32_handles.h"

namespace purgeon {

// The error both procedures raise: a file that cannot be opened, read or
// written, a file that starts like an icon file but holds no icon, or a
// drawing step the system refused. code() is the Win32 error, or 0.
class IconFileError : public std::runtime_error {
  public:
    IconFileError(const std::string& what, std::uint32_t code)
        : std::runtime_error(what), code_(code) {}
    std::uint32_t code() const { return code_; }

  private:
    std::uint32_t code_;
};

// Loads the .ico file at `path` into `icon`. The file is opened for reading
// with FILE_SHARE_READ only, so a file that someone holds open for writing
// is refused like a missing one. Results:
//  - throws IconFileError when the file cannot be opened or read, or when it
//    starts like an icon file but holds no icon that loads;
//  - false, `icon` untouched, when the file is 2 bytes or shorter or its
//    first byte is not 0 (an icon file starts with a zero reserved word);
//  - true: `icon` holds the file's image closest to the system's large-icon
//    size (32x32 at 96 dpi), at that image's own size.
// The file is closed in every case.
bool LoadIconFileChecked(ScopedIcon& icon, const std::u16string& path);

// Writes `icon` as an .ico file of one 24-bit image with its mask (the
// form MakeIcon32 saves). Throws IconFileError when the file cannot be
// written or the icon is monochrome.
void SaveIconFile(HICON icon, const std::u16string& path);

// Replaces `icon` with a 32x32 icon made from it: drawn at its own size on a
// magenta background and saved as folder + "MyTempIcon.bmp", stretched to
// 32x32 and saved over that file, reloaded from it, made transparent wherever
// it has the colour of its bottom-left pixel, and saved as folder +
// "MyTempIcon.ico". `folder` ends in "\" (it is used as a prefix). Both
// temporary files are deleted before it returns, also when it throws.
// Throws IconFileError when a temporary file cannot be written or read or a
// drawing step fails; `icon` is then unchanged. `number` has no effect.
void MakeIcon32(ScopedIcon& icon, const std::u16string& folder, int number);

}  // namespace purgeon
