// The analysing window TFrm_AnalyzingAppInstallInfo: shown modally while the
// analysis runs, closed by the WM_CLOSE that the end of the analysis sends.
// A thin view over TFrm_AnalyzingAppInstallInfo (the logic); window thread
// only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/win32_handles.h"
#include "ui/Form_AnalyzingAppInstallInfo.h"
#include "ui/win32/controls.h"
#include "ui/win32/shaped_window.h"
#include "ui/win32/workflow_controls.h"

namespace purgeon {

class AnalysingWindow : public ShapedWindow {
  public:
    static constexpr int kWidth = 462, kHeight = 223;

    // Creates the window hidden, owned by the main window.
    bool Create(HWND main_window);
    TFrm_AnalyzingAppInstallInfo& form() { return form_; }
    // Copies `icon` (borrowed) into m_Img_AppLogo, which the window owns; a
    // null icon leaves none.
    void SetAppLogo(HICON icon);
    // The workflow's settings before a showing: the mode, the heading, both
    // counts 0.
    void Prepare(int uninstall_mode, const std::u16string& analysis_app_name);
    void ShowFilesCount(int count);
    void ShowRegistryCount(int count);
    // Centres the window on `owner`, runs FormShow and shows it modally;
    // returns when WM_CLOSE has ended the display.
    void ShowModal(HWND owner);

    // The icon Img_CurAppLogo shows (the window's own copy); null when none.
    HICON shown_logo() const { return shown_logo_.Get(); }

  private:
    void Render();

    TFrm_AnalyzingAppInstallInfo form_;
    ScopedIcon app_logo_;    // m_Img_AppLogo
    ScopedIcon shown_logo_;  // the copy in Img_CurAppLogo
    std::uint32_t shown_serial_ = 0;
    IconPicture logo_;
    Label name_;
    Animation animation_;
    RichTextLabel files_count_;
    RichTextLabel registry_count_;
};

}  // namespace purgeon
