#include "ui/win32/update_window.h"

#include "artwork_ids.h"
#include "platform/window_messages.h"
#include "ui/win32/main_window.h"
#include "ui/win32/program_file.h"

namespace purgeon {
namespace {

constexpr COLORREF kFrameColour = RGB(0x5C, 0x5C, 0x5C);
constexpr COLORREF kPanelColour = RGB(0xD9, 0xEB, 0xF9);
constexpr COLORREF kTextColour = RGB(0x56, 0x56, 0x56);
constexpr int kFrameWidth = 3;

}  // namespace

bool Win32OwnVersion::ReadOwnFileVersion(FileVersion* version) {
    return ReadFileVersion(OwnExecutablePath(), version);
}

UpdateCheckWindow::UpdateCheckWindow(std::u16string site_origin)
    : site_origin_(std::move(site_origin)) {}

UpdateCheckWindow::~UpdateCheckWindow() {
    // The controls go with the window, before the font they use.
    if (hwnd_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    if (font_) DeleteObject(font_);
}

bool UpdateCheckWindow::Create(HWND main_window, const Ports& ports,
                               std::function<void(bool enabled)> enable_upgrade_button) {
    main_window_ = main_window;
    enable_upgrade_button_ = std::move(enable_upgrade_button);
    form_ = std::make_unique<TFrm_UpdateCheck>(ports, download_, own_version_, *this, site_origin_);
    background_ = kFrameColour;
    if (!CreateForm(kClassName, L"Purgeon", kWidth, kHeight, main_window)) return false;

    font_ =
        CreateFontW(-16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
    panel_.transparent = false;
    panel_.background = kPanelColour;
    if (!panel_.Create(hwnd_, kIdUpdatePanel, L"", kFrameWidth, kFrameWidth,
                       kWidth - 2 * kFrameWidth, kHeight - 2 * kFrameWidth))
        return false;
    // Gif_Updating: 12 frames of 48 x 48.
    animation_.art = IDP_UPDATING_ANIMATION;
    animation_.frame_width = 48;
    animation_.frame_count = 12;
    animation_.interval = 70;
    text_.font = font_;
    text_.colour = kTextColour;
    const std::wstring caption(form_->Label_AppList_Status_Title.begin(),
                               form_->Label_AppList_Status_Title.end());
    return animation_.Create(panel_.hwnd(), kIdUpdateAnimation, L"", 31, 32, 48, 48) &&
           text_.Create(panel_.hwnd(), kIdUpdateText, caption, 110, 44, 300, 20);
}

LRESULT UpdateCheckWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wparam)
                form_->FormShow();
            else
                form_->FormHide();
            break;
        case WM_CLOSE:
            form_->FormClose();
            break;  // the base ends the modal showing
        case WM_UPDATE_RESULT:
            form_->OnUpdateResult(wparam);
            return 0;
    }
    return FormWindow::MessageHandler(message, wparam, lparam);
}

void UpdateCheckWindow::PaintForm(HDC dc, const RECT& client) {
    // The frame; the panel paints the inside.
    SetBkColor(dc, kFrameColour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
}

void UpdateCheckWindow::CentreOverMainWindow() {
    CentreWindowOver(hwnd_, main_window_);
}

void UpdateCheckWindow::Render() {
    animation_.Play(form_->Gif_Updating_Playing);
    text_.Show(form_->Label_AppList_Status_Title_Visible);
}

void UpdateCheckWindow::CloseWindow() {
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

WindowId UpdateCheckWindow::ActiveWindow() {
    return reinterpret_cast<WindowId>(GetActiveWindow());
}

void UpdateCheckWindow::EnableUpgradeButton(bool enabled) {
    if (enable_upgrade_button_) enable_upgrade_button_(enabled);
}

bool WireUpdateCheck(MainWindow& main_window, UpdateCheckWindow& update_window,
                     const Ports& ports) {
    if (!update_window.Create(main_window.hwnd(), ports, [&main_window](bool enabled) {
            main_window.EnableUpgradeButton(enabled);
        })) {
        return false;
    }
    main_window.on_upgrade_click = [&main_window, &update_window] {
        update_window.form().ImgBtn_Menu_UpgradeClick(
            reinterpret_cast<WindowId>(main_window.hwnd()), main_window.form().hostkit_table(),
            main_window.form().m_strCurAppPath);
    };
    main_window.on_show_update_window = [&main_window, &update_window] {
        update_window.ShowModal(main_window.hwnd());
    };
    return true;
}

}  // namespace purgeon
