// Control IDs of the main window and the secondary windows, shared with the
// tests that find and press them.
#pragma once

namespace purgeon {

enum ControlId : int {
    // Main window frame.
    kIdMinimise = 1001,  // AImg_Min
    kIdClose,            // AImg_Close
    kIdSupport,          // ImgBtn_Menu_Support
    kIdHelp,             // ImgBtn_Menu_Help
    kIdUpgrade,          // ImgBtn_Menu_Upgrade
    kIdVersion,          // Label_Version
    kIdPageStep1,        // Tab_Main_Step1
    kIdPageStep2,        // Tab_Main_Step2
    kIdPageStep3,        // Tab_Main_Step3

    // Step 1 page.
    kIdRefresh = 1101,    // ImgBtn_Step1_Refresh
    kIdRun,               // ImgBtn_Step1_Run
    kIdListPanel,         // Panel_Step1_ListView
    kIdStatusStrip,       // Panel_AppList_Status_Title
    kIdStatusAnimation,   // Gif_AppList_Status_Title
    kIdStatusText,        // Label_AppList_Status_Title
    kIdAppList,           // ListView_InstalledApp
    kIdDetails,           // Panel_CurSelect_Software_Info
    kIdDetailsLogo,       // Img_Step1_CurSoftwareLogo
    kIdDetailsName,       // Label_Step1_CurSoftwareName
    kIdDetailsVersion,    // Label_Step1_CurSoftware_Ver
    kIdDetailsPublisher,  // Label_Step1_CurSoftware_Publisher
    kIdDetailsLocation,   // Label_Step1_CurSoftware_Location
    kIdSearchEdit,        // Edit_SearchAppName
    kIdSearchButton,      // ImgBtn_SearchApp
    kIdCustomUninstall,   // ImgBtn_CustomUninstallWizard

    // Steps 2 and 3 (the second of each pair is Step 3's).
    kIdStep2Back = 1151,    // ImgBtn_Step2_Back
    kIdStep3Back,           // ImgBtn_Step3_Back
    kIdCompleteUninstall,   // ImagBtn_Step2_CompleteUninstall
    kIdDelete,              // ImgBtn_Step3_Delete
    kIdStep2Panel,          // the Step 2 report panel
    kIdStep3Panel,          // the Step 3 report panel
    kIdUninstallProgram,    // RLB_QVU_UninstallProgram
    kIdStep2Caption,        // "Program Files:"
    kIdStep3Caption,        // "Leftovers Files:"
    kIdStep2Tabs,           // NB_Step2_Report
    kIdStep3Tabs,           // NB_Step3_Report
    kIdStep2FilesList,      // ListView_Step2_FilesFolders
    kIdStep2RegistryList,   // ListView_Step2_Registry
    kIdStep3FilesList,      // ListView_Step3_FilesFolders
    kIdStep3RegistryList,   // ListView_Step3_Registry
    kIdStep2FilesCount,     // Label_Step2_FilesCount
    kIdStep2RegistryCount,  // Label_Step2_RegistryCount
    kIdStep3StandTip,       // Label_Step3_Bottom_StandName
    kIdStep3CustomTip,      // Label_Step3_Bottom_CustomNameContext

    // Tray menu.
    kIdTrayAbout = 1201,  // TrayIconAbout
    kIdTrayQuit,          // TrayIconQuit

    // Secondary windows.
    kIdAboutClose = 1301,  // TFrm_About AImgBtn_Close
    kIdAboutLink,          // TFrm_About Label_URL_Support
    kIdLoadingText,        // TFrm_AppListLoadingShow RzLabel1
    kIdLoadingAnimation,   // TFrm_AppListLoadingShow Gif_Loading
};

}  // namespace purgeon
