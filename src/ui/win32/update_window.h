// The Win32 view of the update window TFrm_UpdateCheck: a borderless
// 546 x 117 window, a 3-pixel frame around the inner panel with the
// updating animation and its label. It renders TFrm_UpdateCheck and hands it
// the window's events; WireUpdateCheck connects it to the main window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/ports.h"
#include "platform/win32/win32_download.h"
#include "ui/win32/controls.h"
#include "ui/win32/secondary_windows.h"
#include "update/Form_UpdateCheck.h"
#include "update/update_ports.h"

namespace purgeon {

class MainWindow;

// The update window's controls.
enum UpdateControlId : int {
    kIdUpdatePanel = 1601,  // the inner panel
    kIdUpdateAnimation,     // Gif_Updating
    kIdUpdateText,          // Label_AppList_Status_Title
};

// The running executable's own version resource.
class Win32OwnVersion : public OwnVersionPort {
  public:
    bool ReadOwnFileVersion(FileVersion* version) override;
};

class UpdateCheckWindow : public FormWindow, public UpdateCheckView {
  public:
    static constexpr const wchar_t* kClassName = L"TFrm_UpdateCheck";
    static constexpr int kWidth = 546, kHeight = 117;

    // The product makes it with the product site; tests point the check at
    // a server of their own with `site_origin` ("http://127.0.0.1:port").
    explicit UpdateCheckWindow(std::u16string site_origin = ProductSiteOrigin());
    ~UpdateCheckWindow() override;

    // Creates the window hidden, owned by the main window. `ports` outlive
    // the window; `enable_upgrade_button` enables or disables the main
    // window's Upgrade button.
    bool Create(HWND main_window, const Ports& ports,
                std::function<void(bool enabled)> enable_upgrade_button);

    TFrm_UpdateCheck& form() { return *form_; }
    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

    // UpdateCheckView
    WindowId UpdateWindowId() override { return reinterpret_cast<WindowId>(hwnd_); }
    void CentreOverMainWindow() override;
    void Render() override;
    void CloseWindow() override;
    WindowId ActiveWindow() override;
    void EnableUpgradeButton(bool enabled) override;

  protected:
    void PaintForm(HDC dc, const RECT& client) override;

  private:
    const std::u16string site_origin_;
    HWND main_window_ = nullptr;
    HFONT font_ = nullptr;  // Tahoma bold 16 pixels, owned
    Win32Download download_;
    Win32OwnVersion own_version_;
    std::function<void(bool)> enable_upgrade_button_;
    std::unique_ptr<TFrm_UpdateCheck> form_;
    Panel panel_;
    Animation animation_;
    Label text_;
};

// Creates the update window and connects it to the main window: the Upgrade
// button's click starts the check, WM_SHOW_UPDATE_WINDOW shows the window
// modally. False when the window could not be created (the button then does
// nothing).
bool WireUpdateCheck(MainWindow& main_window, UpdateCheckWindow& update_window, const Ports& ports);

}  // namespace purgeon
