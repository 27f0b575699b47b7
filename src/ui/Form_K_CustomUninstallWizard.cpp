#include "ui/Form_K_CustomUninstallWizard.h"

#include "analysis/protected_folders.h"
#include "platform/text.h"

namespace purgeon {

const char16_t kCustomUninstallNeedFolderText[] =
    u"Purgeon needs to collect necessary information to initiate the Custom Uninstall process. "
    u"Please "
    u"specify the program install directory.";
const char16_t kCustomUninstallRefusedText[] =
    u"As %s directory is highly associated with Windows system and files,\r\n we do not recommend "
    u"to scan "
    u"this directory to avoid any risk of damaging your system performance and stability. "
    u"\r\nPlease select "
    u"the appropriate directory where the program has been installed.";
const char16_t kCustomUninstallConfirmText[] =
    u"Are you sure to scan and analyze the associated program install information of %s directory?";

CustomFolderVerdict CheckCustomUninstallFolder(ShellFoldersPort& shell, FileSystemPort& fs,
                                               const std::u16string& text) {
    const std::u16string trimmed = Trim(text);
    if (trimmed.empty()) return CustomFolderVerdict::kEmpty;
    if (ProtectedFolders(shell, fs).IsProtected(trimmed)) return CustomFolderVerdict::kRefused;
    return CustomFolderVerdict::kAccepted;
}

std::u16string FormatWithText(const std::u16string& format, const std::u16string& text) {
    std::u16string out = format;
    const size_t at = out.find(u"%s");
    if (at != std::u16string::npos) out.replace(at, 2, text);
    return out;
}

}  // namespace purgeon
