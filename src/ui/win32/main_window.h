// The Win32 view of the main window: the borderless frame (title bar, menu
// bar, pages, status bar), the Step 1 page's controls and the tray icon. It
// renders the state of TFrm_Main_PG and forwards the window's events to it.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/Form_Main.h"
#include "ui/main_form_view.h"
#include "ui/win32/base_window.h"
#include "ui/win32/controls.h"
#include "ui/win32/image_button.h"
#include "ui/win32/win32_program_icons.h"

namespace purgeon {

class LoadingWindow;
class ShadowWindow;
class AnalysingWindow;
class UninstallProcessWindow;
class CustomWizardWindow;

class MainWindow : public BaseWindow<MainWindow>, public MainFormView {
  public:
    // Window class name and caption; the class bears the form's name.
    static constexpr const wchar_t* kClassName = L"TFrm_Main_PG";
    static constexpr const wchar_t* kCaption = L"Purgeon";
    static constexpr int kClientWidth = 738;
    static constexpr int kClientHeight = 560;
    // The tray icon's notifications.
    static constexpr UINT kTrayMessage = WM_APP + 0x31;

    // `ports` are borrowed and outlive the window; `exe_path` is the running
    // executable's full path.
    MainWindow(Ports ports, TextComparePort& text_compare, std::u16string exe_path);
    ~MainWindow() override;

    // Creates the window hidden, centred on the primary monitor; running its
    // WM_CREATE runs the form's creation steps. False on failure.
    bool Create(HINSTANCE instance);
    // The windows it shows: the list-loading window and the overlay.
    void SetSecondaryWindows(LoadingWindow* loading, ShadowWindow* shadow);
    // The workflow's windows: analysing, uninstall-process, custom wizard.
    void SetWorkflowWindows(AnalysingWindow* analysing, UninstallProcessWindow* uninstall,
                            CustomWizardWindow* wizard);
    // The four report lists (Step 2 files, Step 2 registry, Step 3 files,
    // Step 3 registry), for the tests.
    HWND report_list(int index) const { return reports_[index]; }

    TFrm_Main_PG& form() { return form_; }
    Win32ProgramIcons& icons() { return icons_; }
    HWND app_list() const { return app_list_; }
    HWND search_edit() const { return search_edit_; }

    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam);

    // MainFormView
    void Render(MainPart part) override;
    WindowId MainWindowId() override { return reinterpret_cast<WindowId>(hwnd_); }
    WindowId LoadingWindowId() override;
    void FocusAppList() override;
    void RepaintAppListNow() override;
    void Minimise() override;
    void ShowLoadingWindowModal() override;
    bool IsLoadingWindowVisible() override;
    int MeasureLabel(MeasuredLabel label, const std::u16string& text) override;
    void Analysing_Prepare(int mode, const std::u16string& heading, int logo_image) override;
    void Analysing_ShowFilesCount(int count) override;
    void Analysing_ShowRegistryCount(int count) override;
    void Analysing_ShowModal() override;
    void Analysing_Close() override;
    void UninstallProcess_SendStep(std::uint32_t step) override;
    void UninstallProcess_ShowModal() override;
    void UninstallProcess_Complete() override;
    bool CustomWizard_ShowModal(std::u16string* folder) override;

    // The tray's click and menu.
    void TrayIcon_AppClick();
    void TrayIconAboutClick();

    // The update check, wired by the program entry: the Upgrade button's
    // click, and WM_SHOW_UPDATE_WINDOW (show the update window modally).
    std::function<void()> on_upgrade_click;
    std::function<void()> on_show_update_window;
    void EnableUpgradeButton(bool enabled) { upgrade_.Enable(enabled); }

  private:
    bool CreateControls();
    void CreateStep1Page();
    void CreateReportPage(int step);
    void RenderReportLists();
    void RenderReportTabs();
    void RenderStepLabels();
    void AddTrayIcon();
    void LayOutListPanel();
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void PaintFrame(HDC dc, const RECT& client);
    void RenderAppList();
    void RenderDetails();
    void RenderStatusStrip();
    void RenderSearchBox();
    void RenderPage();
    static LRESULT CALLBACK SearchEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR id, DWORD_PTR self);

    Ports ports_;
    const std::u16string exe_path_;
    Win32ProgramIcons icons_;
    TFrm_Main_PG form_;
    LoadingWindow* loading_ = nullptr;
    ShadowWindow* shadow_ = nullptr;
    AnalysingWindow* analysing_ = nullptr;
    UninstallProcessWindow* uninstall_ = nullptr;
    CustomWizardWindow* wizard_ = nullptr;
    UINT taskbar_created_ = 0;
    bool tray_added_ = false;
    HBRUSH search_brush_ = nullptr;

    ImageButton min_, close_, support_, help_, upgrade_;
    Label version_;
    Panel page1_, page2_, page3_;
    // Step 1
    Picture step1_picture_, search_frame_;
    ImageButton refresh_, run_, search_button_, custom_;
    Panel list_panel_, status_strip_, details_;
    Animation status_animation_;
    Label status_text_;
    HWND app_list_ = nullptr;
    Picture details_logo_;
    Label details_name_, details_version_, details_publisher_, details_location_;
    HWND search_edit_ = nullptr;
    HWND focus_ = nullptr;  // the control that has the focus while the window is active
    std::size_t rows_shown_ = 0;
    bool app_list_filling_ = false;  // redraw and arranging held off
    // Steps 2 and 3: the left column, the report panel with its tabs and lists.
    Picture step_picture_[2];
    ImageButton back_[2], step_action_[2];
    Panel report_panel_[2];
    Label program_label_, files_caption_[2];
    HWND tabs_[2] = {nullptr, nullptr};
    HWND reports_[4] = {nullptr, nullptr, nullptr, nullptr};
    std::size_t report_rows_shown_[4] = {0, 0, 0, 0};
    bool rendering_reports_ = false;  // the list's own change notices are not the user's
    Label files_count_, registry_count_, stand_tip_, custom_tip_;
};

}  // namespace purgeon
