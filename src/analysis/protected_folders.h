// What folder a path text names, and whether Purgeon may take it as a
// program's. Folders of Windows itself and of its users are never taken: the
// enumeration drops such an install location, no analysis walks from one,
// the custom uninstall refuses one, and the removal never deletes one. One
// bad registry value ("C:\\", "\\\\?\\C:\\Users", "C:\\Windows.") must not make
// Purgeon list, and then delete, everything below it.
//
// A folder is what the file system opens, not how it is written. The text is
// first read as Windows reads it (CanonicalPath); where the folder exists its
// identity (volume serial number and file index) is compared too, so that
// neither another spelling nor a link can alias a protected folder.
#pragma once

#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "platform/text.h"

namespace purgeon {

// Environment strings a path may hold ("%SystemRoot%\\System32"): upper-case
// names and their values.
using EnvironmentTable = std::vector<std::pair<std::u16string, std::u16string>>;

struct CanonicalPath {
    // False when the text names nothing that can be placed: a relative,
    // drive-relative ("C:Users") or rooted ("\\Users") path, whose meaning
    // depends on a current folder; a device path other than a drive or a
    // share ("\\\\.\\PhysicalDrive0", "\\\\?\\Volume{...}"); a wildcard; an
    // environment string not in the table.
    bool decided = false;
    // "C:\\a\\b" or "\\\\server\\share\\a"; a drive root is "C:\\" and a share
    // root "\\\\server\\share\\"; no other trailing backslash. Letter case as
    // written, 8.3 names in their long form where they exist.
    std::u16string text;
};

// The path Windows opens for `text`, worked out by its rules: blanks around
// the text trimmed; environment strings from `environment` expanded; the
// "\\\\?\\", "\\??\\" and "\\\\.\\" prefixes (also with "UNC\\") dropped;
// forward slashes, doubled separators, "." and ".." pieces; the dots and
// blanks that end a piece dropped; a stream name (":...") after a piece
// dropped (it belongs to that file or folder); 8.3 names made long where the
// file system knows them. The prefixes' literal reading ("\\\\?\\C:\\Users."
// would name "Users." itself) is not honoured: the decision takes the folder
// the plain reading names, which is the stricter answer.
CanonicalPath CanonicalFolderPath(FileSystemPort& fs, const std::u16string& text,
                                  const EnvironmentTable* environment = nullptr);

// CanonicalFolderPath's text without environment strings; empty when the
// text cannot be placed.
std::u16string NormalisedPath(FileSystemPort& fs, const std::u16string& path);

// True when `path` (canonical) is `folder` (canonical) or lies inside it,
// ignoring ASCII letter case, by whole names.
bool IsSameOrInside(const std::u16string& path, const std::u16string& folder);

class ProtectedFolders {
  public:
    // Reads the shell's folders, the profiles in the users folder and, with
    // `registry`, every profile of the machine's profile list (ProfileList:
    // ProfilesDirectory, Public, Default and each ProfileImagePath), once,
    // with their identities: the removal asks about every path.
    ProtectedFolders(ShellFoldersPort& shell, FileSystemPort& fs, RegistryPort* registry = nullptr);

    // The whole decision for one text, for the gates that test a few
    // folders: true when it cannot be placed (see CanonicalPath), when its
    // text is protected (IsProtectedText), when what it opens (as written or
    // canonical) has the identity of a protected folder or of a folder that
    // holds one, or when it is reached through a link (a link among its
    // parent folders: where it really lies cannot be told from its text).
    bool IsProtected(const std::u16string& path) const;

    // By text alone, for a canonical path: a drive or share root; one of the
    // folders (folders()); a folder above one of them; anything below a
    // folder named Windows at a drive root.
    bool IsProtectedText(const std::u16string& canonical) const;
    // True for the identity of a protected folder, of a folder that holds
    // one, or of a drive root.
    bool IsProtectedIdentity(const FileIdentity& identity) const;

    // The folders, canonical, upper case, each ending in "\\".
    const StringList& folders() const { return folders_; }
    // What environment strings in a path mean on this machine.
    const EnvironmentTable& environment() const { return environment_; }

  private:
    void Add(const std::u16string& folder);
    void AddProfile(const std::u16string& profile);

    FileSystemPort& fs_;
    StringList folders_;
    std::vector<FileIdentity> identities_;
    std::unordered_set<std::u16string> visited_;  // upper-case folders whose identity was read
    EnvironmentTable environment_;
};

}  // namespace purgeon
