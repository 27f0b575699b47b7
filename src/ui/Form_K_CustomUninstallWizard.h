// The custom uninstall wizard's folder check, free of any window toolkit:
// a folder that belongs to Windows itself is refused before anything is
// analysed or deleted.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/shell_folders.h"
#include "platform/text.h"

namespace purgeon {

enum class CustomFolderVerdict {
    kEmpty,     // nothing given: ask for the install directory
    kRefused,   // a Windows folder or a drive root
    kAccepted,
};

extern const char16_t kCustomUninstallNeedFolderText[];
// "%s" stands for the folder text.
extern const char16_t kCustomUninstallRefusedText[];
extern const char16_t kCustomUninstallConfirmText[];

// Checks the edit box's text. Besides the text as typed, its normalised form
// (forward slashes, doubled separators, "." and "..", 8.3 names resolved) is
// checked too, so that another spelling of a refused folder is refused.
CustomFolderVerdict CheckCustomUninstallFolder(ShellFoldersPort& shell, FileSystemPort& fs,
                                               const std::u16string& text);

// The folders refused by name: system, Startup, desktop, program files
// (both of them on 64-bit Windows) and Windows; each ends in "\".
StringList RefusedSystemFolders(ShellFoldersPort& shell);

// `format` with its "%s" replaced by `text`.
std::u16string FormatWithText(const std::u16string& format, const std::u16string& text);

}  // namespace purgeon
