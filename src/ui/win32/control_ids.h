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
