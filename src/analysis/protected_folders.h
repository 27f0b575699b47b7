// Folders of Windows itself and of its users that are never taken as a
// program's: the custom uninstall refuses them, no analysis walks from one,
// and the removal never deletes one. One bad registry value (an install
// location of "C:\\", "C:/" or the native "Program Files") must not make
// Purgeon list, and then delete, everything below it.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/shell_folders.h"
#include "platform/text.h"

namespace purgeon {

// Forward slashes to backslashes, doubled separators collapsed, "." and ".."
// resolved by text, then 8.3 names in long form where the path exists. No
// trailing backslash, except for a drive root ("C:" alone becomes "C:\").
std::u16string NormalisedPath(FileSystemPort& fs, const std::u16string& path);

class ProtectedFolders {
  public:
    // Reads the shell's folders once: the removal asks about every path.
    ProtectedFolders(ShellFoldersPort& shell, FileSystemPort& fs);

    // True for a drive root or anything shorter; one of the folders; a
    // folder that holds one of them (a user's profile holds the desktop);
    // anything below a folder named Windows at a drive root. The path is
    // tested as written and normalised, so another spelling of a folder
    // (forward slashes, doubled separators, "." and "..", 8.3 names) is
    // caught too.
    bool IsProtected(const std::u16string& path) const;

    // The folders, normalised, upper case, each ending in "\".
    const StringList& folders() const { return folders_; }

  private:
    bool IsProtectedSpelling(const std::u16string& path) const;

    FileSystemPort& fs_;
    StringList folders_;
};

}  // namespace purgeon
