// The main window's state and logic, free of any window toolkit: the Win32
// view (src/ui/win32) renders it and forwards its events here, and the native
// tests drive it directly. This file covers the creation, the frame and the
// Step 1 page (program list, details, search); the state of every control is
// kept here under the control's name and rendered by the view on request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "inventory/Thread_EnumInstalledApp.h"
#include "inventory/Unit_K_SoftwareInfo_Struct.h"
#include "inventory/Unit_K_SoftwareLib.h"
#include "platform/ports.h"
#include "platform/security.h"
#include "platform/text.h"
#include "platform/text_compare.h"
#include "ui/Unit_GUI_Callback.h"
#include "ui/main_form_view.h"
#include "ui/program_icons.h"

namespace purgeon {

// The four numbers of a file version resource: major, minor, release, build.
struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t release = 0;
    std::uint16_t build = 0;
};

// The status bar's version text: "Version: " + "%d.%d.%d.%d" + one blank.
std::u16string VersionLabelText(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                std::uint16_t build);

// The program folder for an executable's full path: everything up to and
// including the last "\" or ":", with a backslash appended when that does
// not already end in one (so a bare file name gives "\").
std::u16string ProgramFolderOf(std::u16string_view exe_path);

// One row of the program list as the window inserted it. The group id is
// kept here because not every list control keeps it (Wine's does not).
struct AppListRow {
    std::u16string caption;
    std::int32_t group_id = 0;
    std::int32_t image_index = -1;
};

enum class MainPage { kStep1, kStep2, kStep3 };
enum class ReportTab { kFilesFolders, kRegistry };
enum class Step3Tip { kStandard, kCustom };

// One row of a check-box report list: the path (its sub-item) and its tick.
struct ReportRow {
    std::u16string path;
    bool ticked = true;
};

class TThread_Uninstall_Analyze;

class TFrm_Main_PG : public InstallerSoftwareListListener,
                     public AnalyzeCallbackWindow,
                     public ShellExeCallbackWindow {
  public:
    // Everything is borrowed and must outlive the window. Creating the form
    // registers it as the window the workers' forwarders reach.
    TFrm_Main_PG(Ports ports, MainFormView& view, ProgramIconPort& icons,
                 TextComparePort& text_compare);
    // The machine-wide removal lock, taken by Delete (none: not taken).
    void set_security(SecurityPort* security) { security_ = security; }
    ~TFrm_Main_PG() override;
    TFrm_Main_PG(const TFrm_Main_PG&) = delete;
    TFrm_Main_PG& operator=(const TFrm_Main_PG&) = delete;

    // --- Creation and frame ----------------------------------------------

    // The creation steps, run once when the window is created; later calls
    // do nothing, so the Hostkit table is obtained exactly once.
    // `exe_path` is the full path of the running executable.
    void FormCreate(std::u16string_view exe_path);

    // Start of every showing: Label_Version from the running executable's
    // own file version, then the first-show sequence of the workflow.
    void FormShow(const FileVersion& own_version);

    // Minimise with the fade: opacity 205, 155, 105, 55, 5 with 50 ms
    // between, minimise, then opaque again for the restore.
    void AImg_MinClick();
    // The menu bar's pages, opened in the browser; the result is ignored.
    void ImgBtn_Menu_SupportClick();
    void ImgBtn_Menu_HelpClick();
    // WM_SHOW_LOADING_WINDOW: the list-loading window, modally, unless the
    // enumeration that asked for it has already ended.
    void OnShowLoadingWindow();

    // --- Step 1 page -------------------------------------------------------

    void InitAppListGroups();
    void PrepareAppListPage();
    void StartEnumInstalledApp();
    void HideAppListStatus();
    // Refresh: empties the list, the inventory, the icon map and the image
    // list and enumerates again. Does nothing while an enumeration runs: it
    // is filling the very lists Refresh would empty.
    void ImgBtn_Step1_RefreshClick();
    // --- The uninstall workflow -----------------------------------------

    // Run: the notice when nothing is selected; else the analysis of the
    // current program behind the analysing window.
    void ImgBtn_Step1_RunClick();
    // The custom uninstall: the wizard, then the analysis of its folder.
    void ImgBtn_CustomUninstallWizardClick();
    // Complete Uninstall: the question, the program's own uninstaller, the
    // watcher behind the uninstall-process window, then Step 3.
    void ImagBtn_Step2_CompleteUninstallClick();
    void ImgBtn_Step2_BackClick();
    void ImgBtn_Step3_BackClick();
    // Delete: the removal of what the analysis found, except what the user
    // unticked.
    void ImgBtn_Step3_DeleteClick();
    // The user ticked or unticked a row of a report list.
    enum class ReportList {
        kStep2FilesFolders,
        kStep2Registry,
        kStep3FilesFolders,
        kStep3Registry
    };
    void SetReportRowTicked(ReportList list, std::size_t row, bool ticked);

    // The analysis worker's notifications (its thread; effects on the window thread).
    void Callback_UninstallSoftware_Start(std::int32_t Param_nTemp1) override;
    void Callback_UninstallSoftware_End(std::int32_t Param_nTemp1) override;
    void Callback_InstalledSoftwareFilePath(std::int32_t Param_nTemp1,
                                            const std::u16string& strSoftwareFilePath) override;
    void Callback_InstalledSoftwareFileCount(std::int32_t Param_nTemp1,
                                             const std::u16string& str_param_SoftwareFilePath,
                                             std::uint32_t int_param_Count) override;
    void Callback_InstalledSoftwareRegPath(
        std::int32_t Param_nTemp1, const std::u16string& str_param_SoftwareRegPath) override;
    void Callback_InstalledSoftwareRegCount(std::int32_t Param_nTemp1,
                                            const std::u16string& str_param_SoftwareRegPath,
                                            std::uint32_t int_param_Count) override;
    void Callback_Syn_InstalledSoftwareFileCount();
    void Callback_syn_InstalledSoftwareRegCount();
    void Callback_syn_UninstallSoftware_End();

    // The uninstaller runner's notifications (its thread).
    void Callback_Step_UninstallSoftware_Start(std::int32_t Param_nTemp1) override;
    void Callback_Step_UninstallSoftware_End(std::int32_t Param_nTemp1) override;
    void Callback_UninstallStepTip_Start(std::int32_t Param_nTemp1,
                                         std::int32_t int_param_StepType) override;
    void Callback_UninstallStepTip_End(std::int32_t Param_nTemp1,
                                       std::int32_t int_param_StepType) override;

    // A click in the list, or a selection made with the keyboard;
    // `selected_row` is the selected row's index or -1.
    void ListView_InstalledAppClick(int selected_row);

    // The search box's events. `text` is the box's text when the event
    // fires (for the key, before the key takes effect).
    void Edit_SearchAppNameEnter();
    void Edit_SearchAppNameChange(const std::u16string& text);
    void Edit_SearchAppNameKeyDown(int key_code, const std::u16string& text);
    void Edit_SearchAppNameExit();
    void ImgBtn_SearchAppClick();

    // Makes the row for the five fields below (window thread).
    void Callback_prosyn_InstallerSoftwarelist();

    // The enumeration worker's notifications (InstallerSoftwareListListener).
    void Callback_InstallerSoftwarelist_Start() override;
    void Callback_InstallerSoftwarelist(std::uint32_t Param_nTemp1,
                                        const std::u16string& str_param_SoftwareName,
                                        const std::u16string& str_param_SoftwarePublisher,
                                        const std::u16string& str_param_SoftwareVersion,
                                        const std::u16string& str_param_SoftwareIcon,
                                        std::uint32_t int_param_SoftwareIcon_ID) override;
    void Callback_InstallerSoftwarelist_End(std::uint32_t Param_nTemp1) override;
    // Marks the enumeration's hand-over of rows as running or ended, on the
    // window thread.
    void SetAppListFilling(bool filling);
    bool IsLoadingWindowVisible() override;

    // --- State ---------------------------------------------------------------

    // The record selected in the program list, or null. Points into the
    // inventory, which owns it.
    K_Class_SoftwareInfo* current_program() const { return current_program_; }
    void set_current_program(K_Class_SoftwareInfo* record) { current_program_ = record; }

    // The inventory of installed programs; lives as long as the window.
    K_Class_SoftwareInfo_List& inventory() { return inventory_; }
    // The known-software library, filled once at creation.
    const K_Software_Const_Feature_Lib& library() const { return library_; }

    // The InitDll_Hostkit table, kept for the life of the program and never
    // freed; null before FormCreate (or if the DLL ran out of memory).
    HostkitTable hostkit_table() const { return hostkit_table_; }
    // Whether an enumeration worker runs (started and not yet ended).
    bool enumeration_running() const { return enumeration_running_; }

    // How a worker made here is started; the default is its own Start (a
    // thread that frees the worker at its end). Tests run it on a thread
    // they join, so nothing of theirs is torn down under a running worker.
    using WorkerStarter = std::function<void(WorkerThread* worker)>;
    void set_worker_starter(WorkerStarter starter) { start_worker_ = std::move(starter); }

    std::u16string m_strCurAppPath;  // program folder, always ending in "\"
    // icon file path (exact, case counts) -> index in the program list's image list
    std::unordered_map<std::u16string, std::int32_t> m_map_SoftwareList_ImageInfo;
    StringList m_strlist_Analyzed_Files;
    StringList m_strlist_Analyzed_Folders;
    StringList m_strlist_Analyzed_AllFilesFolders;
    StringList m_strlist_Analyzed_Registry;
    StringList m_strlist_RAConfigItem;   // lines of the status record file
    std::uint32_t m_ulAlphaBlend = 255;  // window opacity; below 255 only while fading out

    // The program being turned into a row.
    std::u16string m_strSoftwareName;
    std::u16string m_strSoftwarePublisher;
    std::u16string m_strSoftwareVersion;
    std::u16string m_strSoftwareIcon;
    std::uint32_t m_nSoftwareIcon_ID = 65535;
    std::int32_t m_nSoftwareList_ICOWH = 0;  // the list's icon edge; 0 until fixed
    bool m_bSearchAppNameInitStatus = false;

    // Workflow state.
    std::int32_t m_nUninstallMode = 1;  // 1 standard, 2 custom folder
    std::int32_t m_nUninstallType = 0;  // 1: the program is in the 64-bit registry view
    std::u16string m_strSelectUnstallSoftware;
    std::uint32_t m_nCount = 0;  // the latest count notification's count
    // The folders the latest analysis started from: the removal deletes
    // nothing outside them.
    StringList m_strlist_Analyzed_StartFolders;

    // --- Controls, as the view renders them ---------------------------------

    std::u16string Label_Version;  // the status bar's version text
    MainPage NB_Main = MainPage::kStep1;

    std::vector<AppListRow> ListView_InstalledApp;
    // True while an enumeration hands rows over (from its start notification
    // to its end): the rows arrive behind the modal list-loading window, so
    // the view may lay the list out once at the end instead of per row.
    bool ListView_InstalledApp_Filling = false;
    bool app_list_groups_enabled = false;

    bool Panel_CurSelect_Software_Info_Visible = false;
    std::int32_t Img_Step1_CurSoftwareLogo = -1;  // image index in the list's image list
    std::int32_t m_Img_AppLogo = -1;              // the analysing window's copy of it
    std::u16string Label_Step1_CurSoftwareName;
    std::u16string Label_Step1_CurSoftware_Ver;
    std::u16string Label_Step1_CurSoftware_Publisher;
    std::u16string Label_Step1_CurSoftware_Location;

    bool Panel_AppList_Status_Title_Visible = false;
    bool Gif_AppList_Status_Title_Playing = false;
    std::u16string Label_AppList_Status_Title;

    std::u16string Edit_SearchAppName = u"Search...";
    std::uint32_t Edit_SearchAppName_Colour = 4158063;

    std::vector<ReportRow> ListView_Step2_FilesFolders;
    std::vector<ReportRow> ListView_Step2_Registry;
    std::vector<ReportRow> ListView_Step3_FilesFolders;
    std::vector<ReportRow> ListView_Step3_Registry;
    ReportTab NB_Step2_Report = ReportTab::kFilesFolders;
    ReportTab NB_Step3_Report = ReportTab::kFilesFolders;
    std::u16string RLB_QVU_UninstallProgram;
    std::u16string Label_Step2_FilesCount;
    std::u16string Label_Step2_RegistryCount;
    Step3Tip NB_Step3_Bottom_Tip = Step3Tip::kStandard;
    std::u16string Label_Step3_Bottom_StandName;
    std::u16string Label_Step3_Bottom_CustomNameContext;

  private:
    void StartAnalysis(TThread_Uninstall_Analyze* worker);
    void BackToStep1(bool rows_present);
    std::u16string UninstallProgramText(MeasuredLabel label, const std::u16string& name);
    void EmptyReportLists();
    // Takes off Step 3 what the program's own uninstaller removed.
    void DropWhatTheUninstallerTook();
    void SetSearchBox(const std::u16string& text, std::uint32_t colour);
    void ShowStatus(const std::u16string& text);
    void ClearAppList();
    // Steps 3-8 of making a row once the icon is known to be new.
    IconHandle MakeNewIcon();

    Ports ports_;
    SecurityPort* security_ = nullptr;
    MainFormView& view_;
    ProgramIconPort& icons_;
    TextComparePort& text_compare_;
    // The running analysis worker, between its start and its end notification.
    TThread_Uninstall_Analyze* analysis_worker_ = nullptr;
    WorkerStarter start_worker_ = [](WorkerThread* worker) { worker->Start(); };
    bool created_ = false;
    bool enumeration_running_ = false;
    K_Class_SoftwareInfo* current_program_ = nullptr;
    K_Class_SoftwareInfo_List inventory_;
    K_Software_Const_Feature_Lib library_;
    HostkitTable hostkit_table_ = nullptr;
};

}  // namespace purgeon
