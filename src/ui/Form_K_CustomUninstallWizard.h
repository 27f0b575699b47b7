// The custom uninstall wizard, free of any window toolkit: the folder check
// (a folder that belongs to Windows itself is refused before anything is
// analysed or deleted) and the state and handlers of the wizard window. The
// view keeps the edit box's text in Edit_SelSoftwareFilePath before each
// handler and renders the state after it; the wizard's modal display ends
// when `visible` turns false.
#pragma once

#include <optional>
#include <string>

#include "platform/dialog.h"
#include "platform/file_system.h"
#include "platform/launcher.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
#include "platform/text.h"

namespace purgeon {

enum class CustomFolderVerdict {
    kEmpty,    // nothing given: ask for the install directory
    kRefused,  // a Windows folder or a drive root
    kAccepted,
};

extern const char16_t kCustomUninstallNeedFolderText[];
// "%s" stands for the folder text.
extern const char16_t kCustomUninstallRefusedText[];
extern const char16_t kCustomUninstallConfirmText[];
// The wizard's two texts above and below the folder box.
extern const char16_t kCustomUninstallIntroText[];
extern const char16_t kCustomUninstallSupportText[];

// Checks the edit box's text: a drive root, a folder of Windows or of its
// users (ProtectedFolders), a folder that holds one, a link to one, or a
// text that names no placeable folder (relative, a device, an unknown
// environment string) is refused, in any spelling Windows accepts.
// With `registry`, the profiles of the machine's profile list count too.
CustomFolderVerdict CheckCustomUninstallFolder(ShellFoldersPort& shell, FileSystemPort& fs,
                                               const std::u16string& text,
                                               RegistryPort* registry = nullptr);

// `format` with its "%s" replaced by `text`.
std::u16string FormatWithText(const std::u16string& format, const std::u16string& text);

class TFrm_K_CustomUninstallWizard {
  public:
    TFrm_K_CustomUninstallWizard(DialogPort& dialog, ShellFoldersPort& shell, FileSystemPort& fs,
                                 LauncherPort& launcher)
        : dialog_(dialog), shell_(shell), fs_(fs), launcher_(launcher) {}

    // The window's own handle: owner of its message boxes and web page.
    void set_window_id(WindowId id) { window_id_ = id; }

    // Each showing starts empty: no folder, no result; the support link
    // shows and leads to the support page.
    void FormShow();
    // The folder chooser's answer: a picked folder (a "\" added unless it
    // ends in one) replaces the edit text; nullopt (cancelled) or an empty
    // path changes nothing.
    void ImgBtn_SelectDirClick(const std::optional<std::u16string>& picked);
    // Checks Edit_SelSoftwareFilePath: a notice for an empty or refused
    // folder (the window stays), else the question; any answer but No
    // confirms and closes.
    void ImgBtn_ScanClick();
    void ImgBtn_CloseClick();
    void Label_URL_SupportClick();

    // What the main window reads after the modal display.
    bool mpu_bool_IsCustomUinstall = false;
    // The edit text at the last press of Scan, as typed (not trimmed).
    std::u16string mpu_str_SelCustomUinstallPath;

    // Control state.
    std::u16string Edit_SelSoftwareFilePath;
    std::u16string Label_URL_Support;         // caption
    std::u16string Label_URL_Support_Target;  // the page it opens
    bool visible = false;                     // shown; false ends the modal display

  private:
    int Notice(const std::u16string& text);

    DialogPort& dialog_;
    ShellFoldersPort& shell_;
    FileSystemPort& fs_;
    LauncherPort& launcher_;
    WindowId window_id_ = 0;
};

}  // namespace purgeon
