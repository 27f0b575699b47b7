// Shell-folder port: the system directory and the CSIDL special folders.
#pragma once

#include <string>

namespace purgeon {

constexpr int kCsidlStartup = 7;
constexpr int kCsidlDesktopDirectory = 16;
constexpr int kCsidlAppData = 26;
constexpr int kCsidlWindows = 36;
constexpr int kCsidlProgramFiles = 38;
// Folders no program may be taken to own (see analysis/protected_folders.h).
constexpr int kCsidlPersonal = 5;
constexpr int kCsidlCommonStartup = 24;
constexpr int kCsidlCommonDesktopDirectory = 25;
constexpr int kCsidlLocalAppData = 28;
constexpr int kCsidlCommonAppData = 35;
constexpr int kCsidlProfile = 40;

class ShellFoldersPort {
  public:
    virtual ~ShellFoldersPort() = default;
    // GetSystemDirectoryW; empty when it fails. No trailing backslash added.
    virtual std::u16string SystemDirectory() = 0;
    // SHGetSpecialFolderLocation + SHGetPathFromIDListW; empty when the
    // folder cannot be obtained. No trailing backslash added.
    virtual std::u16string SpecialFolder(int csidl) = 0;
};

}  // namespace purgeon
