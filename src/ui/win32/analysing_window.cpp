#include "ui/win32/analysing_window.h"

#include "artwork_ids.h"
#include "platform/win32/wide.h"
#include "ui/win32/fonts.h"
#include "ui/win32/workflow_control_ids.h"

namespace purgeon {

bool AnalysingWindow::Create(HWND main_window) {
    if (!CreateShaped(L"TFrm_AnalyzingAppInstallInfo", L"Analyzing", kWidth, kHeight, main_window,
                      IDP_ANALYZING_BACK, false))
        return false;
    name_.font = Fonts::Get().arial13_bold;
    name_.colour = RGB(51, 51, 51);
    name_.format = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS;
    animation_.art = IDP_ANALYZING_ANIMATION;
    animation_.frame_width = 80;
    animation_.frame_count = 12;
    animation_.interval = 70;
    form_.ShowFilesCount(0);
    form_.ShowRegistryCount(0);
    return logo_.Create(hwnd_, kIdAnalysingLogo, L"", 24, 56, 32, 29) &&
           name_.Create(hwnd_, kIdAnalysingName, L"", 72, 52, 361, 49) &&
           animation_.Create(hwnd_, kIdAnalysingAnimation, L"", 24, 124, 80, 80) &&
           files_count_.Create(hwnd_, kIdAnalysingFilesCount, Wide(form_.HtmlLabel_FilesCount), 124,
                               140, kWidth - 124 - 16, 22) &&
           registry_count_.Create(hwnd_, kIdAnalysingRegistryCount,
                                  Wide(form_.HtmlLabel_RegistryCount), 124, 170, kWidth - 124 - 16,
                                  22);
}

void AnalysingWindow::SetAppLogo(HICON icon) {
    app_logo_.Reset(icon ? CopyIcon(icon) : nullptr);
    form_.mpu_pro_SetAppLogo();
}

void AnalysingWindow::Prepare(int uninstall_mode, const std::u16string& analysis_app_name) {
    form_.m_nUninstallMode = uninstall_mode;
    form_.m_strAnalysisAppName = analysis_app_name;
    ShowFilesCount(0);
    ShowRegistryCount(0);
}

void AnalysingWindow::ShowFilesCount(int count) {
    form_.ShowFilesCount(count);
    files_count_.SetText(Wide(form_.HtmlLabel_FilesCount));
}

void AnalysingWindow::ShowRegistryCount(int count) {
    form_.ShowRegistryCount(count);
    registry_count_.SetText(Wide(form_.HtmlLabel_RegistryCount));
}

void AnalysingWindow::ShowModal(HWND owner) {
    CentreWindowOver(hwnd_, owner);
    form_.FormShow();
    Render();
    FormWindow::ShowModal(owner);
    form_.FormHide();
    Render();
}

void AnalysingWindow::Render() {
    if (form_.Img_CurAppLogo != shown_serial_) {
        shown_serial_ = form_.Img_CurAppLogo;
        shown_logo_.Reset(app_logo_ ? CopyIcon(app_logo_.Get()) : nullptr);
        logo_.SetIcon(shown_logo_.Get());
    }
    name_.SetText(Wide(form_.Label_AppNameInfo));
    animation_.Play(form_.Gif_Analyzing_Playing);
    files_count_.SetText(Wide(form_.HtmlLabel_FilesCount));
    registry_count_.SetText(Wide(form_.HtmlLabel_RegistryCount));
}

}  // namespace purgeon
