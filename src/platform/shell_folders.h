// Shell-folder port: the system directory and the CSIDL special folders.
#pragma once

#include <string>

namespace purgeon {

constexpr int kCsidlStartup = 7;
constexpr int kCsidlDesktopDirectory = 16;
constexpr int kCsidlAppData = 26;
constexpr int kCsidlWindows = 36;
constexpr int kCsidlProgramFiles = 38;

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
