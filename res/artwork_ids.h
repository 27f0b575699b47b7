// Resource numbers of Purgeon's pictures, shared by the resource script, the
// windows and the tests. Every picture is a PNG (RCDATA) rendered from the
// drawings in res/art by scripts/render-art.sh; an image button has four
// pictures in a row of numbers: normal, hover, pressed, disabled.
#pragma once

#define IDI_PURGEON 1  // program and tray icon (16, 20, 24, 32, 48, 256)

// State offsets of an image button's pictures.
#define ART_NORMAL 0
#define ART_HOVER 1
#define ART_PRESSED 2
#define ART_DISABLED 3

// Main window frame.
#define IDP_TITLE 100        // Img_Title, 738 x 32
#define IDP_MENU_BAR 101     // Image3, 738 x 68
#define IDP_STATUS_BAR 102   // Image2, 738 x 18
#define IDP_BTN_MIN 110      // AImg_Min, 27 x 27, four states
#define IDP_BTN_CLOSE 114    // AImg_Close, 27 x 27, four states
#define IDP_BTN_SUPPORT 120  // ImgBtn_Menu_Support, 66 x 67, four states
#define IDP_BTN_HELP 124     // ImgBtn_Menu_Help, 66 x 67, four states
#define IDP_BTN_UPGRADE 128  // ImgBtn_Menu_Upgrade, 66 x 67, four states

// Step 1 page.
#define IDP_STEP1_BACK 200     // Image4, 738 x 442
#define IDP_STEP1_PICTURE 201  // Image1, 162 x 135
#define IDP_SEARCH_FRAME 202   // Image9, 231 x 24
#define IDP_BTN_REFRESH 210    // ImgBtn_Step1_Refresh, 151 x 43, four states
#define IDP_BTN_RUN 214        // ImgBtn_Step1_Run, 122 x 122, four states
#define IDP_BTN_SEARCH 218     // ImgBtn_SearchApp, 26 x 24, four states
#define IDP_BTN_CUSTOM 222     // ImgBtn_CustomUninstallWizard, 175 x 17, four states
#define IDP_STATUS_ANIMATION \
    230                         // Gif_AppList_Status_Title: 8 frames of 16 x 16 in a row (128 x 16)
#define IDP_ICON_SUITE_RED 240  // ImgList_NoShowSoftwareICO 0 (McAfee suites), 32 x 32
#define IDP_ICON_SUITE_DARK 241  // ImgList_NoShowSoftwareICO 1 (Bitdefender), 32 x 32
#define IDP_ICON_GENERIC 242     // ImgList_NoShowSoftwareICO 2 (no icon found), 32 x 32

// Secondary windows.
#define IDP_SPLASH 300             // TFrm_SplashScreen Image1, 450 x 250
#define IDP_LOADING_ANIMATION 310  // Gif_Loading: 12 frames of 48 x 48 in a row (576 x 48)
#define IDP_ABOUT 320              // TFrm_About Image1, 641 x 550
#define IDP_BTN_ABOUT_CLOSE 321    // AImgBtn_Close, 27 x 27, four states

// Step 2 and Step 3 pages: the same layout as Step 1. Picture at (8, 5),
// Back button at (12, 206), the round action button at (30, 284), the white
// report panel at (184, -1) 553 x 399, a free strip for labels below y 398.
#define IDP_STEP2_BACK 400              // Tab_Main_Step2 background, 738 x 442
#define IDP_STEP2_PICTURE 401           // Step 2 picture, 162 x 135
#define IDP_STEP3_BACK 402              // Tab_Main_Step3 background, 738 x 442
#define IDP_STEP3_PICTURE 403           // Step 3 picture, 162 x 135
#define IDP_BTN_COMPLETE_UNINSTALL 410  // ImagBtn_Step2_CompleteUninstall, 122 x 122, four states
#define IDP_BTN_BACK 414                // ImgBtn_Step2_Back, ImgBtn_Step3_Back: 151 x 43, 4 states
#define IDP_BTN_DELETE 418              // ImgBtn_Step3_Delete, 122 x 122, four states

// Custom uninstall wizard, 643 x 418, shaped by the colour key RGB(166,202,240).
// Drawn for: ImgBtn_Close at (607, 8); RzLabel1 in (36, 62) 571 x 68; the folder
// field framed at (36, 140) 468 x 30 with Edit_SelSoftwareFilePath at (64, 146)
// 432 x 18; ImgBtn_SelectDir at (512, 140); RzLabel2 in (36, 186) 571 x 52;
// Label_URL_Support at (36, 246); ImgBtn_Scan at (241, 337) on the footer.
#define IDP_WIZARD_BACK 500       // Img_Main, 643 x 418
#define IDP_BTN_SCAN 510          // ImgBtn_Scan, 160 x 44, four states
#define IDP_BTN_WIZARD_CLOSE 514  // ImgBtn_Close, 27 x 27, four states
#define IDP_BTN_SELECT_DIR 518    // ImgBtn_SelectDir, 95 x 30, four states

// Analysing window, 462 x 223, shaped by the colour key. Drawn for:
// Img_CurAppLogo at (24, 56) (a folder shows there while it holds no icon);
// Label_AppNameInfo at (72, 52); Gif_Analyzing at (24, 124); the two count
// labels at (124, 140) and (124, 170).
#define IDP_ANALYZING_BACK 600       // background, 462 x 223
#define IDP_ANALYZING_ANIMATION 601  // Gif_Analyzing: 12 frames of 80 x 80 in a row (960 x 80)

// Uninstall-process window, 644 x 418, shaped by the colour key. Drawn for:
// ImgBtn_StepTip1 at (58, 92) and ImgBtn_StepTip2 at (58, 180) with their
// labels at (116, 90) and (116, 178); Gif_Step 25 px left of the buttons, at
// (33, 103) and (33, 191); ImgBtn_Close at (226, 324) on the footer. A step
// button's disabled picture is the step reached (a tick).
#define IDP_UNINSTALL_BACK 620      // Img_Main, 644 x 418
#define IDP_BTN_STEP_TIP1 630       // ImgBtn_StepTip1, 42 x 42, four states
#define IDP_BTN_STEP_TIP2 634       // ImgBtn_StepTip2, 42 x 42, four states
#define IDP_STEP_MARKER 640         // Gif_Step: 8 frames of 16 x 16 in a row (128 x 16)
#define IDP_BTN_SCAN_LEFTOVERS 650  // ImgBtn_Close, 192 x 50, four states ("Scan Leftovers")

// Update window.
#define IDP_UPDATING_ANIMATION 680  // Gif_Updating: 12 frames of 48 x 48 in a row (576 x 48)
