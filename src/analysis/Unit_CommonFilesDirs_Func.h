// Folder and file procedures shared by the enumeration, the analysis, the
// notifications, the custom uninstall wizard and the removal. Stateless; safe
// on any thread as long as the ports are.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/shell_folders.h"

namespace purgeon {

// The system folders, each ending in "\"; a folder that cannot be obtained
// gives a single "\", which no real path equals.
std::u16string GetSystemDirPath(ShellFoldersPort& shell);
std::u16string GetStartupDirPath(ShellFoldersPort& shell);       // CSIDL_STARTUP
std::u16string GetDesktopDirPath(ShellFoldersPort& shell);       // CSIDL_DESKTOPDIRECTORY
std::u16string GetProgramFilesDirPath(ShellFoldersPort& shell);  // CSIDL_PROGRAM_FILES
std::u16string GetWindowsDirPath(ShellFoldersPort& shell);       // CSIDL_WINDOWS
std::u16string GetAppDataDirPath(ShellFoldersPort& shell);       // CSIDL_APPDATA

// The path with its 8.3 components in long form; empty when it does not exist.
std::u16string GetLongPath(FileSystemPort& fs, const std::u16string& path);

// True when the path exists and carries the directory attribute (a folder
// link counts).
bool IsDirectory(FileSystemPort& fs, const std::u16string& path);

// True when the path itself is a link (junction, symbolic link, mount
// point). Asked without trailing backslashes, so that the question stops at
// the link and never reaches its target ("C:\" keeps its backslash).
bool IsLinkPath(FileSystemPort& fs, const std::u16string& path);

// A folder goes with everything in it (DeleteFolderTree), anything else is
// deleted as a file. Failures are ignored.
void DeleteFileOrFolder(FileSystemPort& fs, const std::u16string& path);

// Deletes everything below `folder` depth first, in listing order, each
// folder after its contents, then the folder itself. What cannot be deleted
// (a read-only or locked file) stays, and so do the folders above it. A
// folder that cannot be listed is left whole. Links (junctions, symbolic
// links) are removed as links: what they point to is never touched.
void DeleteFolderTree(FileSystemPort& fs, const std::u16string& folder);

}  // namespace purgeon
