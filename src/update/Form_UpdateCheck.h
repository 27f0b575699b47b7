// The update window's state and logic, free of any window toolkit: the Win32
// view (src/ui/win32/update_window.*) renders it and forwards its events
// here; the native tests drive it directly. It also starts the check for the
// main window's Upgrade button, which stays disabled until the result.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ports.h"
#include "update/Thread_Update.h"
#include "update/update_ports.h"

namespace purgeon {

// "https://" and the product site's host: where the version file and the
// setup are published.
std::u16string ProductSiteOrigin();

class UpdateCheckView {
  public:
    virtual ~UpdateCheckView() = default;
    virtual WindowId UpdateWindowId() = 0;
    // Left := main.left + (main.width - own.width) div 2, Top likewise, the
    // division truncating toward zero.
    virtual void CentreOverMainWindow() = 0;
    // Shows the animation's and the label's state as the form holds it.
    virtual void Render() = 0;
    // Closes the window, which ends its modal showing.
    virtual void CloseWindow() = 0;
    // The program's active window (GetActiveWindow), or 0.
    virtual WindowId ActiveWindow() = 0;
    // ImgBtn_Menu_Upgrade of the main window.
    virtual void EnableUpgradeButton(bool enabled) = 0;
};

class TFrm_UpdateCheck {
  public:
    // Everything is borrowed and must outlive the form and every check it
    // starts. `site_origin` is where "/Update.dat" and "/Purgeon_Setup.exe"
    // are fetched from: the product site, unless a test points the check
    // at a server of its own.
    TFrm_UpdateCheck(Ports ports, DownloadPort& download, OwnVersionPort& own_version,
                     UpdateCheckView& view, std::u16string site_origin = ProductSiteOrigin());
    TFrm_UpdateCheck(const TFrm_UpdateCheck&) = delete;
    TFrm_UpdateCheck& operator=(const TFrm_UpdateCheck&) = delete;

    // The main window's ImgBtn_Menu_UpgradeClick: disables the button and
    // starts the worker for this window. `hostkit_table` and
    // `program_folder` are the main window's.
    void ImgBtn_Menu_UpgradeClick(WindowId main_window, HostkitTable hostkit_table,
                                  const std::u16string& program_folder);

    void FormShow();
    void FormHide();
    void FormClose();
    // WM_UPDATE_RESULT: 1 offers the update, 0 says up to date; both then
    // enable the Upgrade button again and close the window. Any other value
    // changes nothing.
    void OnUpdateResult(std::uintptr_t wparam);

    std::u16string UpdateFileUrl() const { return site_origin_ + u"/Update.dat"; }
    std::u16string SetupUrl() const { return site_origin_ + u"/Purgeon_Setup.exe"; }

    // How the worker is started (its own Start unless a test says otherwise).
    void set_worker_starter(TThread_Update::Starter starter) { start_worker_ = std::move(starter); }

    // The running worker, or null; the worker clears it when it ends.
    UpdateWorkerReference m_pThread_Update{nullptr};

    // --- Controls, as the view renders them ---------------------------------
    bool Gif_Updating_Playing = false;
    bool Label_AppList_Status_Title_Visible = true;
    const std::u16string Label_AppList_Status_Title = u"Updating......";

  private:
    void StopAnimation();

    Ports ports_;
    DownloadPort& download_;
    OwnVersionPort& own_version_;
    UpdateCheckView& view_;
    const std::u16string site_origin_;
    TThread_Update::Starter start_worker_;
};

}  // namespace purgeon
