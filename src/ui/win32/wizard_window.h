// The custom uninstall wizard TFrm_K_CustomUninstallWizard: asks for the
// folder of a program the list does not show, refuses Windows' own folders,
// confirms and hands the folder to the main window. A thin view over
// TFrm_K_CustomUninstallWizard (the logic); window thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ports.h"
#include "ui/Form_K_CustomUninstallWizard.h"
#include "ui/win32/controls.h"
#include "ui/win32/image_button.h"
#include "ui/win32/shaped_window.h"

namespace purgeon {

// The folder chooser: the picked folder's path, or nullopt when cancelled.
using FolderChooser = std::function<std::optional<std::u16string>(HWND owner)>;

// The shell's folder chooser (SHBrowseForFolderW with the new dialog style:
// an edit box, context menus, a button to make a folder; file-system
// folders only).
std::optional<std::u16string> ChooseFolderWithShell(HWND owner);

class CustomWizardWindow : public ShapedWindow {
  public:
    static constexpr int kWidth = 643, kHeight = 418;

    // Creates the window hidden, owned by the main window, over these ports
    // (message boxes, the special folders and the file system for the
    // folder check, the launcher for the support page).
    bool Create(HWND main_window, Ports ports);
    // Centres the window on the main window, starts it empty (FormShow) and
    // shows it modally over `owner`; true when the user confirmed a folder.
    bool ShowModal(HWND owner);
    const std::u16string& mpu_str_SelCustomUinstallPath() const {
        return form_->mpu_str_SelCustomUinstallPath;
    }
    TFrm_K_CustomUninstallWizard& form() { return *form_; }
    // Replaces the shell's chooser (tests answer without its dialog).
    void set_folder_chooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }
    HWND folder_edit() const { return edit_; }

    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    void ReadEdit();
    void Render();

    HWND main_window_ = nullptr;
    std::unique_ptr<TFrm_K_CustomUninstallWizard> form_;
    FolderChooser choose_folder_ = &ChooseFolderWithShell;
    Label intro_;
    HWND edit_ = nullptr;
    ImageButton select_dir_;
    Label support_text_;
    ImageButton support_link_;
    ImageButton scan_;
    ImageButton close_;
};

}  // namespace purgeon
