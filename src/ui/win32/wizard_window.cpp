#include "ui/win32/wizard_window.h"

#include <shlobj.h>

#include <vector>

#include "artwork_ids.h"
#include "platform/win32/wide.h"
#include "ui/win32/fonts.h"
#include "ui/win32/workflow_control_ids.h"

namespace purgeon {

namespace {
constexpr COLORREF kTextColour = RGB(63, 63, 63);
constexpr COLORREF kLinkColour = RGB(242, 68, 0);
constexpr wchar_t kChooserPrompt[] = L"Please specify the program install directory.";
}  // namespace

std::optional<std::u16string> ChooseFolderWithShell(HWND owner) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = kChooserPrompt;
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE picked = SHBrowseForFolderW(&info);
    if (picked == nullptr) return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    const bool found = SHGetPathFromIDListW(picked, path) != FALSE;
    CoTaskMemFree(picked);
    if (!found) return std::u16string();
    return FromWide(path);
}

bool CustomWizardWindow::Create(HWND main_window, Ports ports) {
    main_window_ = main_window;
    form_ = std::make_unique<TFrm_K_CustomUninstallWizard>(ports.dialog, ports.shell, ports.files,
                                                           ports.launcher);
    if (!CreateShaped(L"TFrm_K_CustomUninstallWizard", L"Custom Uninstall", kWidth, kHeight,
                      main_window, IDP_WIZARD_BACK, true))
        return false;
    form_->set_window_id(reinterpret_cast<WindowId>(hwnd_));
    const Fonts& fonts = Fonts::Get();
    for (Label* label : {&intro_, &support_text_}) {
        label->font = fonts.arial13;
        label->colour = kTextColour;
        label->format = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;
    }
    if (!intro_.Create(hwnd_, kIdWizardIntro, Wide(kCustomUninstallIntroText), 36, 62, 571, 68))
        return false;
    // Tab order: the folder box, Browse..., the link, Scan, Close.
    edit_ = CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, 64, 146,
        432, 18, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdWizardFolderEdit)),
        GetModuleHandleW(nullptr), nullptr);
    if (edit_ == nullptr) return false;
    SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.arial13), FALSE);
    support_link_.SetTextLook(fonts.arial13_bold_link, kLinkColour);
    return select_dir_.Create(hwnd_, kIdWizardSelectDir, L"Browse...", 512, 140, 95, 30,
                              IDP_BTN_SELECT_DIR) &&
           support_text_.Create(hwnd_, kIdWizardSupportText, Wide(kCustomUninstallSupportText), 36,
                                186, 571, 52) &&
           support_link_.Create(hwnd_, kIdWizardSupportLink, L"", 36, 246, 280, 18, 0) &&
           scan_.Create(hwnd_, kIdWizardScan, L"Scan", 241, 337, 160, 44, IDP_BTN_SCAN) &&
           close_.Create(hwnd_, kIdWizardClose, L"Close", 607, 8, 27, 27, IDP_BTN_WIZARD_CLOSE);
}

bool CustomWizardWindow::ShowModal(HWND owner) {
    CentreWindowOver(hwnd_, main_window_);
    form_->FormShow();
    Render();
    SetFocus(edit_);
    FormWindow::ShowModal(owner);
    return form_->mpu_bool_IsCustomUinstall;
}

void CustomWizardWindow::ReadEdit() {
    std::vector<wchar_t> text(std::size_t(GetWindowTextLengthW(edit_)) + 1);
    const int length = GetWindowTextW(edit_, text.data(), int(text.size()));
    form_->Edit_SelSoftwareFilePath = FromWide(text.data(), std::size_t(length > 0 ? length : 0));
}

void CustomWizardWindow::Render() {
    const std::u16string& text = form_->Edit_SelSoftwareFilePath;
    std::vector<wchar_t> shown(std::size_t(GetWindowTextLengthW(edit_)) + 1);
    const int length = GetWindowTextW(edit_, shown.data(), int(shown.size()));
    if (FromWide(shown.data(), std::size_t(length > 0 ? length : 0)) != text) {
        SetWindowTextW(edit_, Wide(text));
        SendMessageW(edit_, EM_SETSEL, text.size(), text.size());  // caret at the end
    }
    SetWindowTextW(support_link_.hwnd(), Wide(form_->Label_URL_Support));
    InvalidateRect(support_link_.hwnd(), nullptr, FALSE);
    if (!form_->visible) CloseModal();
}

LRESULT CustomWizardWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wparam) != BN_CLICKED) break;
            ReadEdit();
            switch (LOWORD(wparam)) {
                case kIdWizardSelectDir:
                    form_->ImgBtn_SelectDirClick(choose_folder_ ? choose_folder_(hwnd_)
                                                                : std::nullopt);
                    break;
                case IDOK:  // Enter in the folder box
                case kIdWizardScan:
                    form_->ImgBtn_ScanClick();
                    break;
                case IDCANCEL:  // Escape
                case kIdWizardClose:
                    form_->ImgBtn_CloseClick();
                    break;
                case kIdWizardSupportLink:
                    form_->Label_URL_SupportClick();
                    break;
                default:
                    return 0;
            }
            Render();
            return 0;
        case WM_CLOSE:
            form_->ImgBtn_CloseClick();
            Render();
            return 0;
    }
    return ShapedWindow::MessageHandler(message, wparam, lparam);
}

}  // namespace purgeon
