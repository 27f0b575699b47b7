#include "ui/Form_K_CustomUninstallWizard.h"

#include "analysis/protected_folders.h"
#include "platform/text.h"
#include "ui/product_site.h"

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
const char16_t kCustomUninstallIntroText[] =
    u"if the program you want to uninstall is not listed on the interface, please specify the "
    u"program install directory below. Purgeon will thoroughly scan and remove the program with "
    u"the information you specify. Please specify the install directory and then click Scan "
    u"button.";
const char16_t kCustomUninstallSupportText[] =
    u"In case you can't locate the install directory, please submit your uninstall request to "
    u"our technical support team and we will send you the custom fix and guides to help you "
    u"remove the program completely.";

namespace {
constexpr char16_t kCaption[] = u"Purgeon";
}  // namespace

CustomFolderVerdict CheckCustomUninstallFolder(ShellFoldersPort& shell, FileSystemPort& fs,
                                               const std::u16string& text, RegistryPort* registry) {
    const std::u16string trimmed = Trim(text);
    if (trimmed.empty()) return CustomFolderVerdict::kEmpty;
    if (ProtectedFolders(shell, fs, registry).IsProtected(trimmed))
        return CustomFolderVerdict::kRefused;
    return CustomFolderVerdict::kAccepted;
}

std::u16string FormatWithText(const std::u16string& format, const std::u16string& text) {
    std::u16string out = format;
    const size_t at = out.find(u"%s");
    if (at != std::u16string::npos) out.replace(at, 2, text);
    return out;
}

// --- The wizard window's logic ----------------------------------------------------

void TFrm_K_CustomUninstallWizard::FormShow() {
    Label_URL_Support = kSupportPageUrl;
    Label_URL_Support_Target = kSupportPageUrl;
    Edit_SelSoftwareFilePath.clear();
    mpu_str_SelCustomUinstallPath.clear();
    mpu_bool_IsCustomUinstall = false;
    visible = true;
}

void TFrm_K_CustomUninstallWizard::ImgBtn_SelectDirClick(
    const std::optional<std::u16string>& picked) {
    if (!picked || picked->empty()) return;
    Edit_SelSoftwareFilePath = WithTrailingBackslash(*picked);
}

int TFrm_K_CustomUninstallWizard::Notice(const std::u16string& text) {
    return dialog_.MessageBox(window_id_, text, kCaption, kMbOk | kMbIconInformation);
}

void TFrm_K_CustomUninstallWizard::ImgBtn_ScanClick() {
    mpu_str_SelCustomUinstallPath = Edit_SelSoftwareFilePath;
    switch (CheckCustomUninstallFolder(shell_, fs_, mpu_str_SelCustomUinstallPath)) {
        case CustomFolderVerdict::kEmpty:
            Notice(kCustomUninstallNeedFolderText);
            return;
        case CustomFolderVerdict::kRefused:
            Notice(FormatWithText(kCustomUninstallRefusedText, mpu_str_SelCustomUinstallPath));
            return;
        case CustomFolderVerdict::kAccepted:
            break;
    }
    const int answer = dialog_.MessageBox(
        window_id_, FormatWithText(kCustomUninstallConfirmText, mpu_str_SelCustomUinstallPath),
        kCaption, kMbYesNo | kMbIconQuestion);
    if (answer == kIdNo) return;
    mpu_bool_IsCustomUinstall = true;
    visible = false;
}

void TFrm_K_CustomUninstallWizard::ImgBtn_CloseClick() {
    visible = false;
}

void TFrm_K_CustomUninstallWizard::Label_URL_SupportClick() {
    launcher_.ShellExecuteFile(window_id_, u"open", Label_URL_Support_Target, u"", u"",
                               kSwShowNormal);
}

}  // namespace purgeon
