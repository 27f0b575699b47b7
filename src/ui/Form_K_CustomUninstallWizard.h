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
    kEmpty,    // nothing given: ask for the install directory
    kRefused,  // a Windows folder or a drive root
    kAccepted,
};

extern const char16_t kCustomUninstallNeedFolderText[];
// "%s" stands for the folder text.
extern const char16_t kCustomUninstallRefusedText[];
extern const char16_t kCustomUninstallConfirmText[];

// Checks the edit box's text: a drive root, a folder of Windows or of its
// users (ProtectedFolders), or a folder that holds one, is refused in any
// spelling.
CustomFolderVerdict CheckCustomUninstallFolder(ShellFoldersPort& shell, FileSystemPort& fs,
                                               const std::u16string& text);

// `format` with its "%s" replaced by `text`.
std::u16string FormatWithText(const std::u16string& format, const std::u16string& text);

}  // namespace purgeon
