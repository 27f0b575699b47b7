// The Windows Installer folder list indexed by folder name, for a run that
// looks up the install folders of many programs: each lookup gives what
// InstallFolderFromInstallerFolders gives, without scanning the whole list
// (a machine lists thousands of folders).
#pragma once

#include <string>
#include <unordered_map>
#include <utility>

#include "platform/text.h"

namespace purgeon {

class InstallerFolderIndex {
  public:
    InstallerFolderIndex() = default;
    explicit InstallerFolderIndex(StringList folders);

    // The first listed folder that holds "\<name>\" and lies outside
    // "Common Files" and "Start Menu", cut after that "\"; empty when none
    // does or the name is empty.
    std::u16string Find(const std::u16string& display_name) const;

  private:
    StringList folders_;
    // Upper-cased (ASCII) name of a folder level -> the first listed folder
    // that may be returned and holds it, and the position of the "\" before
    // its first occurrence there.
    std::unordered_map<std::u16string, std::pair<std::size_t, std::size_t>> first_;
};

}  // namespace purgeon
