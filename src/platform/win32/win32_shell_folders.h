// Shell-folder port over GetSystemDirectoryW and the shell's CSIDL folders.
#pragma once

#include "platform/shell_folders.h"

namespace purgeon {

class Win32ShellFolders : public ShellFoldersPort {
  public:
    // GetSystemDirectoryW into a buffer of 256 characters.
    std::u16string SystemDirectory() override;
    // SHGetSpecialFolderLocation (no owner window), SHGetPathFromIDListW into
    // a buffer of 261 characters; the item list is freed with CoTaskMemFree.
    std::u16string SpecialFolder(int csidl) override;
};

}  // namespace purgeon
