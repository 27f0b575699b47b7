#include "ui/Form_Main.h"

#include <algorithm>
#include <exception>
#include <string>

#include "ui/app_list_rules.h"
#include "ui/product_site.h"
#include "ui/window_geometry.h"

namespace purgeon {

namespace {
constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
constexpr int kKeyEnter = 13;
constexpr int kKeyBackspace = 8;
}  // namespace

std::u16string VersionLabelText(std::uint16_t major, std::uint16_t minor, std::uint16_t release,
                                std::uint16_t build) {
    const std::string text = "Version: " + std::to_string(major) + "." + std::to_string(minor) +
                             "." + std::to_string(release) + "." + std::to_string(build) + " ";
    return FromUtf8(text);
}

std::u16string ProgramFolderOf(std::u16string_view exe_path) {
    return WithTrailingBackslash(PathFolder(exe_path));
}

TFrm_Main_PG::TFrm_Main_PG(Ports ports, MainFormView& view, ProgramIconPort& icons,
                           TextComparePort& text_compare)
    : ports_(ports), view_(view), icons_(icons), text_compare_(text_compare) {
    RegisterCallbackMainWindow(static_cast<AnalyzeCallbackWindow*>(this));
    RegisterCallbackMainWindow(static_cast<ShellExeCallbackWindow*>(this));
}

TFrm_Main_PG::~TFrm_Main_PG() {
    RegisterCallbackMainWindow(static_cast<AnalyzeCallbackWindow*>(nullptr));
    RegisterCallbackMainWindow(static_cast<ShellExeCallbackWindow*>(nullptr));
}

// --- Creation and frame ------------------------------------------------------

void TFrm_Main_PG::FormCreate(std::u16string_view exe_path) {
    if (created_) return;
    created_ = true;

    current_program_ = nullptr;
    m_map_SoftwareList_ImageInfo.clear();
    m_strlist_Analyzed_Files.clear();
    m_strlist_Analyzed_Folders.clear();
    m_strlist_Analyzed_AllFilesFolders.clear();
    m_strlist_Analyzed_Registry.clear();
    m_strlist_RAConfigItem.clear();

    m_strCurAppPath = ProgramFolderOf(exe_path);
    library_.mpu_InitLib();
    hostkit_table_ = ports_.hostkit.InitFunctionTable();
}

void TFrm_Main_PG::FormShow(const FileVersion& own_version) {
    Label_Version = VersionLabelText(own_version.major, own_version.minor, own_version.release,
                                     own_version.build);

    // The workflow's first-show sequence.
    Panel_CurSelect_Software_Info_Visible = false;
    view_.Render(MainPart::kDetails);
    HideAppListStatus();
    m_nUninstallMode = 1;
    InitAppListGroups();
    m_strlist_Analyzed_AllFilesFolders.clear();
    NB_Main = MainPage::kStep1;
    view_.Render(MainPart::kPage);
    PrepareAppListPage();
    view_.FocusAppList();
}

void TFrm_Main_PG::AImg_MinClick() {
    m_ulAlphaBlend = 255;
    while (m_ulAlphaBlend > 50) {
        m_ulAlphaBlend -= 50;
        view_.Render(MainPart::kOpacity);
        ports_.clock.Sleep(50);
    }
    view_.Minimise();
    m_ulAlphaBlend = 255;
    view_.Render(MainPart::kOpacity);
}

void TFrm_Main_PG::ImgBtn_Menu_SupportClick() {
    ports_.launcher.ShellExecuteFile(view_.MainWindowId(), u"open", kSupportPageUrl, u"", u"",
                                     kShowNormal);
}

void TFrm_Main_PG::ImgBtn_Menu_HelpClick() {
    ports_.launcher.ShellExecuteFile(view_.MainWindowId(), u"open", kHelpPageUrl, u"", u"",
                                     kShowNormal);
}

void TFrm_Main_PG::OnShowLoadingWindow() {
    // The worker posts the request first thing; when it has ended before the
    // request arrives, no close message will follow, and a window shown now
    // would never close.
    if (enumeration_running_) view_.ShowLoadingWindowModal();
}

// --- Step 1 page ---------------------------------------------------------------

void TFrm_Main_PG::InitAppListGroups() {
    app_list_groups_enabled = true;
    view_.Render(MainPart::kAppListGroups);
}

void TFrm_Main_PG::PrepareAppListPage() {
    if (NB_Main != MainPage::kStep1) return;
    SetSearchBox(kSearchPlaceholder, kSearchPlaceholderColour);
    if (ListView_InstalledApp.empty()) StartEnumInstalledApp();
}

void TFrm_Main_PG::StartEnumInstalledApp() {
    EnumWindows windows;
    windows.main_window = view_.MainWindowId();
    windows.loading_window = view_.LoadingWindowId();
    auto* worker =
        new TThread_EnumInstalledApp(ports_, inventory_, library_, m_strCurAppPath, *this, windows);
    inventory_.m_bIsSearch = false;
    enumeration_running_ = true;
    start_worker_(worker);
}

void TFrm_Main_PG::HideAppListStatus() {
    Gif_AppList_Status_Title_Playing = false;
    Panel_AppList_Status_Title_Visible = false;
    view_.Render(MainPart::kStatusStrip);
    view_.FocusAppList();
}

void TFrm_Main_PG::ImgBtn_Step1_RefreshClick() {
    if (enumeration_running_) return;
    Gif_AppList_Status_Title_Playing = false;
    Panel_AppList_Status_Title_Visible = false;
    view_.Render(MainPart::kStatusStrip);
    ClearAppList();
    current_program_ = nullptr;  // the records it pointed into are freed
    inventory_.mpu_Clean();
    m_map_SoftwareList_ImageInfo.clear();
    icons_.ClearImageList();
    StartEnumInstalledApp();
}

void TFrm_Main_PG::ListView_InstalledAppClick(int selected_row) {
    if (selected_row < 0 || selected_row >= int(ListView_InstalledApp.size())) {
        current_program_ = nullptr;
        Panel_CurSelect_Software_Info_Visible = false;
        view_.Render(MainPart::kDetails);
        return;
    }
    const AppListRow& row = ListView_InstalledApp[std::size_t(selected_row)];
    current_program_ = inventory_.Find(AsciiLower(row.caption));
    if (current_program_ == nullptr) {
        // Every caption is a key of the inventory; a row without its record
        // (never expected) shows nothing rather than another program.
        Panel_CurSelect_Software_Info_Visible = false;
        view_.Render(MainPart::kDetails);
        return;
    }
    Img_Step1_CurSoftwareLogo = row.image_index;
    m_Img_AppLogo = row.image_index;
    Label_Step1_CurSoftwareName = current_program_->m_strSoftwareName;
    Label_Step1_CurSoftware_Ver = DetailsVersionText(current_program_->m_strDisplayVersion);
    Label_Step1_CurSoftware_Publisher = DetailsPublisherText(current_program_->m_strPublisher);
    Label_Step1_CurSoftware_Location = DetailsLocationText(current_program_->m_strInstallLocation);
    Panel_CurSelect_Software_Info_Visible = true;
    view_.Render(MainPart::kDetails);
}

void TFrm_Main_PG::Edit_SearchAppNameEnter() {
    if (Edit_SearchAppName != kSearchPlaceholder) return;
    SetSearchBox(u"", kSearchTypingColour);
    m_bSearchAppNameInitStatus = true;
    ShowStatus(kSearchHintText);
}

void TFrm_Main_PG::Edit_SearchAppNameChange(const std::u16string& text) {
    Edit_SearchAppName = text;
    if (!Trim(text).empty()) {
        ImgBtn_SearchAppClick();
    } else if (m_bSearchAppNameInitStatus) {
        m_bSearchAppNameInitStatus = false;
        ImgBtn_Step1_RefreshClick();
    }
}

void TFrm_Main_PG::Edit_SearchAppNameKeyDown(int key_code, const std::u16string& text) {
    Edit_SearchAppName = text;
    if (key_code == kKeyEnter) {
        ImgBtn_SearchAppClick();
    } else if (key_code == kKeyBackspace && Trim(text).size() == 1) {
        ImgBtn_Step1_RefreshClick();
    }
}

void TFrm_Main_PG::Edit_SearchAppNameExit() {
    SetSearchBox(kSearchPlaceholder, kSearchPlaceholderColour);
    m_bSearchAppNameInitStatus = false;
    Gif_AppList_Status_Title_Playing = false;
    Panel_AppList_Status_Title_Visible = false;
    view_.Render(MainPart::kStatusStrip);
}

void TFrm_Main_PG::ImgBtn_SearchAppClick() {
    // The search rebuilds the rows from the inventory that an enumeration
    // is still filling on its own thread: wait for the list to be complete.
    if (!created_ || enumeration_running_) return;
    const std::u16string query = Trim(Edit_SearchAppName);
    if (query.empty() || query == kSearchPlaceholder) return;
    const std::u16string needle = AsciiLower(query);

    bool hit = false;
    for (const auto& [key, record] : inventory_.m_Map_InstalledSoftware) {
        if (!Contains(key, needle)) continue;
        if (!hit) {
            hit = true;
            ClearAppList();
            inventory_.mpu_Search_Clean();
            inventory_.m_bIsSearch = true;
        }
        inventory_.m_ListStr_InstalledSoftwareName.push_back(record->m_strNamelow);
    }
    if (!hit) {
        Label_AppList_Status_Title = kSearchNoHitText;
        view_.Render(MainPart::kStatusStrip);
        ClearAppList();
        return;
    }
    auto& names = inventory_.m_ListStr_InstalledSoftwareName;
    std::sort(names.begin(), names.end());
    const StringList hits = names;  // a row's callback must not see the list change
    for (const auto& name : hits) {
        const K_Class_SoftwareInfo* record = inventory_.Find(name);
        if (record == nullptr) continue;
        Callback_InstallerSoftwarelist(0, record->m_strSoftwareName, record->m_strPublisher,
                                       record->m_strDisplayVersion, record->m_strDisplayIcon,
                                       std::uint32_t(record->m_nDisplayIcon_ID));
    }
    ShowStatus(kSearchHintText);
}

// --- Rows ---------------------------------------------------------------------

void TFrm_Main_PG::Callback_InstallerSoftwarelist_Start() {
    m_nSoftwareList_ICOWH = 0;
    SetAppListFilling(true);
}

void TFrm_Main_PG::SetAppListFilling(bool filling) {
    ports_.dispatcher.Send([&] {
        ListView_InstalledApp_Filling = filling;
        view_.Render(MainPart::kAppList);
    });
}

void TFrm_Main_PG::Callback_InstallerSoftwarelist(std::uint32_t /*Param_nTemp1*/,
                                                  const std::u16string& str_param_SoftwareName,
                                                  const std::u16string& str_param_SoftwarePublisher,
                                                  const std::u16string& str_param_SoftwareVersion,
                                                  const std::u16string& str_param_SoftwareIcon,
                                                  std::uint32_t int_param_SoftwareIcon_ID) {
    auto make_row = [&] {
        m_strSoftwareName = str_param_SoftwareName;
        m_strSoftwarePublisher = str_param_SoftwarePublisher;
        m_strSoftwareVersion = str_param_SoftwareVersion;
        m_strSoftwareIcon = str_param_SoftwareIcon;
        m_nSoftwareIcon_ID = int_param_SoftwareIcon_ID;
        Callback_prosyn_InstallerSoftwarelist();
    };
    if (inventory_.m_bIsSearch) {
        make_row();  // a search: already on the window thread
        // Only a repaint: dispatching every pending message here would run
        // the search box's handlers inside the search that is looping.
        view_.RepaintAppListNow();
    } else {
        ports_.dispatcher.Send(make_row);
    }
}

void TFrm_Main_PG::Callback_InstallerSoftwarelist_End(std::uint32_t /*Param_nTemp1*/) {
    SetAppListFilling(false);
}

bool TFrm_Main_PG::IsLoadingWindowVisible() {
    // The worker's last question: answered on the window thread, where the
    // run is marked as ended in the same step, so that a show request still
    // in the queue is not honoured after the close was decided against.
    bool visible = false;
    ports_.dispatcher.Send([&] {
        enumeration_running_ = false;
        visible = view_.IsLoadingWindowVisible();
    });
    return visible;
}

IconHandle TFrm_Main_PG::MakeNewIcon() {
    IconHandle icon = 0;
    auto fixed = [&](int index) { return icons_.FixedIcon(index); };
    auto from_icon_file = [&] {
        IconHandle loaded = 0;
        if (icons_.LoadIconFileChecked(m_strSoftwareIcon, &loaded)) return loaded;
        return fixed(kFixedImageGeneric);
    };
    switch (ChooseIconRule(m_strSoftwareIcon, m_nSoftwareIcon_ID, m_strSoftwareName)) {
        case IconRule::kShellIcon:
            icon = icons_.ShellFileIcon(m_strSoftwareIcon);
            break;
        case IconRule::kExtractIcon:
            icon = icons_.ExtractFileIcon(m_strSoftwareIcon, m_nSoftwareIcon_ID);
            break;
        case IconRule::kFixedMcAfee:
            icon = fixed(kFixedImageMcAfee);
            break;
        case IconRule::kFixedBitdefender:
            icon = fixed(kFixedImageBitdefender);
            break;
        case IconRule::kIconFile:
            icon = from_icon_file();
            break;
    }
    // The shell or the file gave no icon at all: the generic one, as for a
    // file that is not an icon.
    if (icon == 0) icon = fixed(kFixedImageGeneric);
    if (icon == 0) throw IconError("no icon");
    try {
        const IconSize size = icons_.SizeOf(icon);
        if (size.width != 32 || size.height != 32) {
            const IconHandle redrawn = icons_.MakeIcon32(icon, m_strCurAppPath);
            icons_.Release(icon);
            icon = redrawn;
        }
    } catch (...) {
        icons_.Release(icon);
        throw;
    }
    return icon;
}

void TFrm_Main_PG::Callback_prosyn_InstallerSoftwarelist() {
    std::int32_t image_index = -1;
    IconHandle icon = 0;
    const auto known = m_map_SoftwareList_ImageInfo.find(m_strSoftwareIcon);
    if (known != m_map_SoftwareList_ImageInfo.end()) {
        image_index = known->second;
    } else {
        try {
            icon = MakeNewIcon();
        } catch (const std::exception&) {
            return;  // an icon that cannot be made: no row for this program
        }
        const IconSize size = icons_.SizeOf(icon);
        if (m_nSoftwareList_ICOWH == 0 && size.height >= 32) {
            m_nSoftwareList_ICOWH = size.height;
            icons_.SetImageListSize(m_nSoftwareList_ICOWH);
        } else if (m_nSoftwareList_ICOWH != 0 &&
                   (size.height != m_nSoftwareList_ICOWH || size.width != m_nSoftwareList_ICOWH)) {
            icons_.Release(icon);
            return;
        }
    }

    AppListRow row;
    row.caption = m_strSoftwareName;
    row.group_id = GetAppListGroupID(m_strSoftwareName);
    if (icon != 0) {
        image_index = icons_.AddToImageList(icon);
        icons_.Release(icon);
        m_map_SoftwareList_ImageInfo[m_strSoftwareIcon] = image_index;
    }
    row.image_index = image_index;
    ListView_InstalledApp.push_back(std::move(row));
    view_.Render(MainPart::kAppList);
}

// --- Helpers --------------------------------------------------------------------

void TFrm_Main_PG::SetSearchBox(const std::u16string& text, std::uint32_t colour) {
    Edit_SearchAppName = text;
    Edit_SearchAppName_Colour = colour;
    view_.Render(MainPart::kSearchBox);  // the box's change event may run from here
}

void TFrm_Main_PG::ShowStatus(const std::u16string& text) {
    Gif_AppList_Status_Title_Playing = true;
    Panel_AppList_Status_Title_Visible = true;
    Label_AppList_Status_Title = text;
    view_.Render(MainPart::kStatusStrip);
}

void TFrm_Main_PG::ClearAppList() {
    ListView_InstalledApp.clear();
    view_.Render(MainPart::kAppList);
}

}  // namespace purgeon
