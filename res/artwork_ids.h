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
