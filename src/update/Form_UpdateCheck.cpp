#include "update/Form_UpdateCheck.h"

#include "ui/product_site.h"

namespace purgeon {
namespace {

constexpr char16_t kUpdateAvailable[] =
    u"An important Purgeon update is available now. Click 'YES' to download the update now.";
constexpr char16_t kUpToDate[] = u"Already up to date.";
constexpr std::uint32_t kUpdateAvailableFlags = 0x40034;  // MB_TOPMOST | MB_ICONWARNING | MB_YESNO
constexpr std::uint32_t kUpToDateFlags = 0x40040;         // MB_TOPMOST | MB_ICONINFORMATION

}  // namespace

std::u16string ProductSiteOrigin() {
    return std::u16string(u"https://") + kProductSiteHost;
}

TFrm_UpdateCheck::TFrm_UpdateCheck(Ports ports, DownloadPort& download, OwnVersionPort& own_version,
                                   UpdateCheckView& view, std::u16string site_origin)
    : ports_(ports),
      download_(download),
      own_version_(own_version),
      view_(view),
      site_origin_(std::move(site_origin)) {}

void TFrm_UpdateCheck::ImgBtn_Menu_UpgradeClick(WindowId main_window, HostkitTable hostkit_table,
                                                const std::u16string& program_folder) {
    view_.EnableUpgradeButton(false);
    UpdateCheckContext context{ports_,      download_,      own_version_,   hostkit_table,
                               main_window, program_folder, UpdateFileUrl()};
    try {
        TThread_Update::Create(view_.UpdateWindowId(), std::move(context), &m_pThread_Update,
                               start_worker_);
    } catch (...) {
        // No check runs, so no result would enable the button again.
        view_.EnableUpgradeButton(true);
    }
}

void TFrm_UpdateCheck::FormShow() {
    view_.CentreOverMainWindow();
    Gif_Updating_Playing = true;
    view_.Render();
}

void TFrm_UpdateCheck::FormHide() {
    StopAnimation();
}

void TFrm_UpdateCheck::FormClose() {
    StopAnimation();
}

void TFrm_UpdateCheck::StopAnimation() {
    Gif_Updating_Playing = false;
    view_.Render();
}

void TFrm_UpdateCheck::OnUpdateResult(std::uintptr_t wparam) {
    if (wparam == 1) {
        StopAnimation();
        Label_AppList_Status_Title_Visible = false;
        view_.Render();
        if (ports_.dialog.MessageBox(0, kUpdateAvailable, u"Purgeon", kUpdateAvailableFlags) ==
            kIdYes) {
            // The default browser starts the download; a failure is not
            // reported.
            ports_.launcher.ShellExecuteFile(0, u"open", SetupUrl(), u"", u"", kSwShowNormal);
        }
        view_.EnableUpgradeButton(true);
    } else if (wparam == 0) {
        StopAnimation();
        ports_.dialog.MessageBox(view_.ActiveWindow(), kUpToDate, u"Purgeon", kUpToDateFlags);
        view_.EnableUpgradeButton(true);
    } else {
        return;
    }
    StopAnimation();
    view_.CloseWindow();
}

}  // namespace purgeon
