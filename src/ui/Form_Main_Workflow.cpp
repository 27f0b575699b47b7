// The uninstall workflow of the main window: Run, the custom uninstall,
// Complete Uninstall, Back, Delete, and the workers' notifications that fill
// the Step 2 and Step 3 pages.
#include <algorithm>
#include <optional>
#include <string>

#include "analysis/Thread_Uninstall_Analyze.h"
#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "ui/Form_K_CustomUninstallWizard.h"
#include "ui/Form_Main.h"
#include "ui/Unit_LeftoverRemoval.h"
#include "ui/Unit_UninstallRecords.h"
#include "uninstall/Thread_ShellUninstall.h"

namespace purgeon {

namespace {

constexpr char16_t kNothingSelectedText[] =
    u"Please select the software you want to uninstall on the right.";
constexpr char16_t kAnalysingProgramText[] =
    u"Collecting and analyzing %s software's install information";
constexpr char16_t kAnalysingFolderText[] = u"Collecting and analyzing %s directory.";
constexpr char16_t kConfirmUninstallText[] = u"Are you sure you want to uninstall %s ?";
constexpr char16_t kCancelUninstallText[] =
    u"The current uninstall process has not yet completed.\r\nThe associated program files and "
    u"registry entries may lead to system slowdown and occupy unnecessary drive space.\r\nAre you "
    u"sure you want to cancel the current uninstall process?";
constexpr char16_t kUninstallProgramText[] = u"Uninstall Program: %s";
constexpr int kMaxUninstallProgramWidth = 530;
constexpr std::uint32_t kRunnerEndWait = 2100;      // ms, on the runner's thread
constexpr std::uint32_t kLaunchToWatchWait = 1000;  // ms, on the window thread

std::u16string Decimal(std::size_t n) {
    return FromUtf8(std::to_string(n));
}

// The custom tip: "%d files and %d associated registry entries".
std::u16string CustomTipText(std::size_t files, std::size_t registry) {
    return u"Purgeon has successfully detected the following " + Decimal(files) + u" files and " +
           Decimal(registry) + u" associated registry entries of the program you specify.";
}

bool SamePathIgnoringAsciiCase(const std::u16string& a, const std::u16string& b) {
    return EqualsIgnoreAsciiCase(a, b);
}

// `inner` lies below `folder` (both as written; "\" separated).
bool IsBelow(const std::u16string& inner, const std::u16string& folder) {
    const std::u16string prefix = WithTrailingBackslash(folder);
    return inner.size() > prefix.size() &&
           EqualsIgnoreAsciiCase(std::u16string_view(inner).substr(0, prefix.size()), prefix);
}

}  // namespace

// --- Run and the custom uninstall ------------------------------------------------

void TFrm_Main_PG::ImgBtn_Step1_RunClick() {
    if (current_program_ == nullptr) {
        ports_.dialog.MessageBox(view_.MainWindowId(), kNothingSelectedText, u"Purgeon",
                                 kMbOk | kMbIconInformation);
        return;
    }
    m_strSelectUnstallSoftware = current_program_->m_strSoftwareName;
    m_nUninstallType = current_program_->m_nIs64Bit;
    m_nUninstallMode = 1;
    auto* worker = new TThread_Uninstall_Analyze(ports_, inventory_);
    worker->mpu_pro_SetUninstallSoftware(current_program_->m_strNamelow);
    view_.Analysing_Prepare(1, FormatWithText(kAnalysingProgramText, m_strSelectUnstallSoftware),
                            m_Img_AppLogo);
    StartAnalysis(worker);
    view_.Analysing_ShowModal();
}

void TFrm_Main_PG::ImgBtn_CustomUninstallWizardClick() {
    std::u16string folder;
    if (!view_.CustomWizard_ShowModal(&folder)) return;
    m_nUninstallMode = 2;
    auto* worker = new TThread_Uninstall_Analyze(ports_, inventory_);
    worker->m_nUninstallMode = 2;
    worker->m_strUserSelectFilePath = folder;
    m_strSelectUnstallSoftware = folder;
    worker->mpu_pro_SetUninstallSoftware();
    view_.Analysing_Prepare(
        2, FormatWithText(kAnalysingFolderText, worker->m_strUserSelectFilePath), -1);
    StartAnalysis(worker);
    view_.Analysing_ShowModal();
}

void TFrm_Main_PG::StartAnalysis(TThread_Uninstall_Analyze* worker) {
    worker->m_CallbackPtr_FileFolderList = [](const std::u16string& path) {
        AnalyzeCallback_FileFolderList(path);
    };
    worker->m_CallbackPtr_FileFolderCount = [](const std::u16string& path, std::uint32_t count) {
        AnalyzeCallback_FileFolderCount(path, count);
    };
    worker->m_CallbackPtr_RegList = [](const std::u16string& entry) {
        AnalyzeCallback_RegList(entry);
    };
    worker->m_CallbackPtr_RegCount = [](const std::u16string& entry, std::uint32_t count) {
        AnalyzeCallback_RegCount(entry, count);
    };
    worker->m_CallbackPtr_Start = [] { AnalyzeCallback_Start(); };
    worker->m_CallbackPtr_End = [] { AnalyzeCallback_End(); };
    analysis_worker_ = worker;
    start_worker_(worker);
}

// --- Complete Uninstall -------------------------------------------------------

void TFrm_Main_PG::ImagBtn_Step2_CompleteUninstallClick() {
    if (ListView_Step2_Registry.empty() && ListView_Step2_FilesFolders.empty()) return;
    if (current_program_ == nullptr)
        current_program_ = inventory_.Find(AsciiLower(m_strSelectUnstallSoftware));
    if (current_program_ == nullptr) return;  // not in the inventory: nothing is started
    const std::u16string name = current_program_->m_strSoftwareName;
    if (ports_.dialog.MessageBox(view_.MainWindowId(), FormatWithText(kConfirmUninstallText, name),
                                 u"Purgeon", kMbYesNo | kMbIconQuestion) == kIdNo)
        return;
    m_strSelectUnstallSoftware = name;
    start_worker_(new QVU_Thread_ShellCallUninstall(ports_, view_.MainWindowId(),
                                                    current_program_->m_strUninstallString,
                                                    current_program_->m_nIs64Bit == 1));
    ports_.clock.Sleep(kLaunchToWatchWait);
    auto* runner = new TThread_ShellExeUninstaller(ports_, inventory_);
    runner->m_CallbackPtr_Start = [] { ShellExeCallback_Start(); };
    runner->m_CallbackPtr_End = [] { ShellExeCallback_End(); };
    runner->m_CallbackPtr_StepTip_Start = [](std::int32_t step) {
        ShellExeCallback_StepTip_Start(step);
    };
    runner->m_CallbackPtr_StepTip_End = [](std::int32_t step) {
        ShellExeCallback_StepTip_End(step);
    };
    runner->mpu_pro_SetUninstallSoftware(current_program_->m_strNamelow);
    start_worker_(runner);
    view_.UninstallProcess_ShowModal();
    DropWhatTheUninstallerTook();
    NB_Main = MainPage::kStep3;
    view_.Render(MainPart::kPage);
}

// --- Back and Delete ------------------------------------------------------------

void TFrm_Main_PG::BackToStep1(bool rows_present) {
    if (rows_present && ports_.dialog.MessageBox(view_.MainWindowId(), kCancelUninstallText,
                                                 u"Purgeon", kMbYesNo | kMbIconQuestion) == kIdNo)
        return;
    current_program_ = nullptr;
    NB_Main = MainPage::kStep1;
    view_.Render(MainPart::kPage);
    Panel_CurSelect_Software_Info_Visible = false;
    view_.Render(MainPart::kDetails);
    ImgBtn_Step1_RefreshClick();
}

void TFrm_Main_PG::ImgBtn_Step2_BackClick() {
    BackToStep1(!ListView_Step2_Registry.empty() || !ListView_Step2_FilesFolders.empty());
}

void TFrm_Main_PG::ImgBtn_Step3_BackClick() {
    BackToStep1(!ListView_Step3_Registry.empty() || !ListView_Step3_FilesFolders.empty());
}

void TFrm_Main_PG::SetReportRowTicked(ReportList list, std::size_t row, bool ticked) {
    std::vector<ReportRow>* rows = nullptr;
    switch (list) {
        case ReportList::kStep2FilesFolders:
            rows = &ListView_Step2_FilesFolders;
            break;
        case ReportList::kStep2Registry:
            rows = &ListView_Step2_Registry;
            break;
        case ReportList::kStep3FilesFolders:
            rows = &ListView_Step3_FilesFolders;
            break;
        case ReportList::kStep3Registry:
            rows = &ListView_Step3_Registry;
            break;
    }
    if (rows != nullptr && row < rows->size()) (*rows)[row].ticked = ticked;
}

void TFrm_Main_PG::ImgBtn_Step3_DeleteClick() {
    // One removal at a time on the machine. The window does not wait for
    // another (it would stop answering): it says so and removes nothing.
    std::optional<ScopedRemovalLock> lock;
    if (security_) {
        lock.emplace(*security_, 0);
        if (!lock->held()) {
            ports_.dialog.MessageBox(view_.MainWindowId(), kRemovalBusyText, u"Purgeon",
                                     kMbOk | kMbIconInformation);
            return;
        }
    }
    // What the user unticked on Step 3 stays, and so does every folder that
    // holds it (deleting the folder would take it along) and everything in
    // an unticked folder.
    StringList kept;
    for (const ReportRow& row : ListView_Step3_FilesFolders) {
        if (!row.ticked) kept.push_back(row.path);
    }
    StringList paths;
    for (const auto& path : m_strlist_Analyzed_AllFilesFolders) {
        const bool keep = std::any_of(kept.begin(), kept.end(), [&](const std::u16string& k) {
            return SamePathIgnoringAsciiCase(path, k) || IsBelow(k, path) || IsBelow(path, k);
        });
        if (!keep) paths.push_back(path);
    }
    // A registry row goes only when it is ticked on both pages. Step 3 holds
    // the same rows less those the uninstaller took, which leave nothing to
    // delete.
    std::vector<RegistryRow> registry;
    for (const ReportRow& row : ListView_Step2_Registry) {
        const auto on_step3 =
            std::find_if(ListView_Step3_Registry.begin(), ListView_Step3_Registry.end(),
                         [&](const ReportRow& other) { return other.path == row.path; });
        registry.push_back({row.path, row.ticked && on_step3 != ListView_Step3_Registry.end() &&
                                          on_step3->ticked});
    }
    RemovalRequest request;
    request.owner = view_.MainWindowId();
    request.step3_files_folders_rows = ListView_Step3_FilesFolders.size();
    request.step3_registry_rows = ListView_Step3_Registry.size();
    request.all_files_folders = &paths;
    request.step2_registry = &registry;
    request.starting_folders = &m_strlist_Analyzed_StartFolders;
    request.uninstall_type = m_nUninstallType;
    request.select_software = m_strSelectUnstallSoftware;
    request.cur_app_path = m_strCurAppPath;
    request.empty_report_lists = [this] { EmptyReportLists(); };
    RemoveLeftovers(ports_, request);
}

// Step 3 is filled during the analysis, before the uninstaller ran; what the
// uninstaller removed since is no leftover, and a Step 3 that lists it
// misleads. Delete still hands the removal every analysed path: it passes by
// what is gone.
void TFrm_Main_PG::DropWhatTheUninstallerTook() {
    const bool view64 = m_nUninstallType == 1;
    auto& files = ListView_Step3_FilesFolders;
    files.erase(std::remove_if(files.begin(), files.end(),
                               [&](const ReportRow& row) {
                                   return ports_.files.GetAttributes(row.path) ==
                                          kInvalidFileAttributes;
                               }),
                files.end());
    auto& registry = ListView_Step3_Registry;
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [&](const ReportRow& row) {
                                      return !Reg_LocationExists(ports_.registry, row.path, view64);
                                  }),
                   registry.end());
    view_.Render(MainPart::kReportLists);
}

void TFrm_Main_PG::EmptyReportLists() {
    ListView_Step2_FilesFolders.clear();
    ListView_Step2_Registry.clear();
    ListView_Step3_FilesFolders.clear();
    ListView_Step3_Registry.clear();
    view_.Render(MainPart::kReportLists);
}

// --- The analysis worker's notifications ------------------------------------------

void TFrm_Main_PG::Callback_UninstallSoftware_Start(std::int32_t) {
    ports_.dispatcher.Send([this] {
        m_strlist_Analyzed_Folders.clear();
        m_strlist_Analyzed_Files.clear();
        m_strlist_Analyzed_AllFilesFolders.clear();
        m_strlist_Analyzed_Registry.clear();
        EmptyReportLists();
    });
}

void TFrm_Main_PG::Callback_InstalledSoftwareFilePath(std::int32_t,
                                                      const std::u16string& strSoftwareFilePath) {
    ports_.dispatcher.Send([&] {
        ListView_Step2_FilesFolders.push_back({strSoftwareFilePath, true});
        ListView_Step3_FilesFolders.push_back({strSoftwareFilePath, true});
        view_.Render(MainPart::kReportLists);
    });
}

void TFrm_Main_PG::Callback_InstalledSoftwareFileCount(
    std::int32_t, const std::u16string& str_param_SoftwareFilePath, std::uint32_t int_param_Count) {
    // The lists are the worker's until its end notification has run.
    if (IsDirectory(ports_.files, str_param_SoftwareFilePath))
        m_strlist_Analyzed_Folders.push_back(str_param_SoftwareFilePath);
    else
        m_strlist_Analyzed_Files.push_back(str_param_SoftwareFilePath);
    m_nCount = int_param_Count;
    const std::int32_t count = std::int32_t(int_param_Count);
    if (count % 100 == 0 || count < 100)
        ports_.dispatcher.Send([this] { Callback_Syn_InstalledSoftwareFileCount(); });
}

void TFrm_Main_PG::Callback_Syn_InstalledSoftwareFileCount() {
    view_.Analysing_ShowFilesCount(int(m_nCount));
}

void TFrm_Main_PG::Callback_InstalledSoftwareRegPath(
    std::int32_t, const std::u16string& str_param_SoftwareRegPath) {
    ports_.dispatcher.Send([&] {
        if (str_param_SoftwareRegPath.empty()) return;
        for (const auto& held : m_strlist_Analyzed_Registry) {
            if (text_compare_.EqualIgnoringCase(held, str_param_SoftwareRegPath)) return;
        }
        ListView_Step2_Registry.push_back({str_param_SoftwareRegPath, true});
        ListView_Step3_Registry.push_back({str_param_SoftwareRegPath, true});
        m_strlist_Analyzed_Registry.push_back(str_param_SoftwareRegPath);
        view_.Render(MainPart::kReportLists);
    });
}

void TFrm_Main_PG::Callback_InstalledSoftwareRegCount(std::int32_t, const std::u16string&,
                                                      std::uint32_t int_param_Count) {
    m_nCount = int_param_Count;
    ports_.dispatcher.Send([this] { Callback_syn_InstalledSoftwareRegCount(); });
}

void TFrm_Main_PG::Callback_syn_InstalledSoftwareRegCount() {
    view_.Analysing_ShowRegistryCount(int(m_nCount));
}

void TFrm_Main_PG::Callback_UninstallSoftware_End(std::int32_t) {
    ports_.dispatcher.Send([this] { Callback_syn_UninstallSoftware_End(); });
}

std::u16string TFrm_Main_PG::UninstallProgramText(MeasuredLabel label, const std::u16string& name) {
    std::u16string text = FormatWithText(kUninstallProgramText, name);
    if (view_.MeasureLabel(label, text) > kMaxUninstallProgramWidth) text = name;
    return text;
}

void TFrm_Main_PG::Callback_syn_UninstallSoftware_End() {
    // The worker waits in this hand-over: its starting folders are read now.
    if (analysis_worker_ != nullptr) {
        m_strlist_Analyzed_StartFolders = analysis_worker_->m_ListStr_StartFolders;
        analysis_worker_ = nullptr;
    }
    // 1.
    m_strlist_Analyzed_AllFilesFolders.clear();
    m_strlist_Analyzed_AllFilesFolders.insert(m_strlist_Analyzed_AllFilesFolders.end(),
                                              m_strlist_Analyzed_Folders.begin(),
                                              m_strlist_Analyzed_Folders.end());
    m_strlist_Analyzed_AllFilesFolders.insert(m_strlist_Analyzed_AllFilesFolders.end(),
                                              m_strlist_Analyzed_Files.begin(),
                                              m_strlist_Analyzed_Files.end());
    // 2. The records.
    if (!ListView_Step2_FilesFolders.empty() || !ListView_Step2_Registry.empty()) {
        AnalysisRecord record;
        record.files_folders_count = std::uint32_t(m_strlist_Analyzed_AllFilesFolders.size());
        record.registry_rows = std::uint32_t(ListView_Step2_Registry.size());
        record.select_software = m_strSelectUnstallSoftware;
        record.uninstall_mode = m_nUninstallMode;
        record.uninstall_type = m_nUninstallType;
        record.files = &m_strlist_Analyzed_Files;
        record.folders = &m_strlist_Analyzed_Folders;
        record.registry = &m_strlist_Analyzed_Registry;
        UninstallRecords(ports_.files, ports_.code_page, m_strCurAppPath)
            .WriteAfterAnalysis(record, m_strlist_RAConfigItem);
    }
    // 3. The report tabs.
    if (!ListView_Step2_FilesFolders.empty()) {
        NB_Step2_Report = NB_Step3_Report = ReportTab::kFilesFolders;
    } else if (!ListView_Step2_Registry.empty()) {
        NB_Step2_Report = NB_Step3_Report = ReportTab::kRegistry;
    }
    view_.Render(MainPart::kReportTabs);
    // 4. The labels.
    if (m_nUninstallMode == 1) {
        Label_Step2_FilesCount =
            Decimal(m_strlist_Analyzed_AllFilesFolders.size()) + u" files/folders found";
        Label_Step2_RegistryCount =
            Decimal(ListView_Step2_Registry.size()) + u" registry entries found";
        const std::u16string name =
            current_program_ ? current_program_->m_strSoftwareName : m_strSelectUnstallSoftware;
        RLB_QVU_UninstallProgram = UninstallProgramText(MeasuredLabel::kUninstallProgram, name);
    } else if (m_nUninstallMode == 2) {
        Label_Step3_Bottom_CustomNameContext = CustomTipText(
            m_strlist_Analyzed_AllFilesFolders.size(), ListView_Step3_Registry.size());
    }
    // 5.
    view_.Analysing_Close();
    // 6.
    if (m_nUninstallMode == 1) {
        NB_Step3_Bottom_Tip = Step3Tip::kStandard;
        NB_Main = MainPage::kStep2;
    } else {
        NB_Step3_Bottom_Tip = Step3Tip::kCustom;
        NB_Main = MainPage::kStep3;
    }
    view_.Render(MainPart::kStepLabels);
    view_.Render(MainPart::kPage);
}

// --- The runner's notifications ------------------------------------------------------

void TFrm_Main_PG::Callback_Step_UninstallSoftware_Start(std::int32_t) {}

void TFrm_Main_PG::Callback_UninstallStepTip_Start(std::int32_t, std::int32_t int_param_StepType) {
    ports_.dispatcher.Send(
        [&] { view_.UninstallProcess_SendStep(std::uint32_t(int_param_StepType)); });
}

void TFrm_Main_PG::Callback_UninstallStepTip_End(std::int32_t, std::int32_t) {}

void TFrm_Main_PG::Callback_Step_UninstallSoftware_End(std::int32_t) {
    ports_.clock.Sleep(kRunnerEndWait);
    ports_.dispatcher.Send([this] {
        if (m_nUninstallMode == 1) {
            Label_Step3_Bottom_StandName =
                UninstallProgramText(MeasuredLabel::kStep3StandName, m_strSelectUnstallSoftware);
            NB_Step3_Bottom_Tip = Step3Tip::kStandard;
            view_.Render(MainPart::kStepLabels);
        }
        UninstallRecords(ports_.files, ports_.code_page, m_strCurAppPath)
            .SetStepUninstalled(m_strlist_RAConfigItem);
        view_.UninstallProcess_Complete();
    });
}

}  // namespace purgeon
