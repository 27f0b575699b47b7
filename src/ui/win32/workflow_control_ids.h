// Control IDs of the uninstall workflow's windows (the custom uninstall
// wizard, the analysing window, the uninstall-process window), shared with
// the tests that find and press them.
#pragma once

namespace purgeon {

enum WorkflowControlId : int {
    // TFrm_K_CustomUninstallWizard.
    kIdWizardIntro = 1401,  // RzLabel1
    kIdWizardFolderEdit,    // Edit_SelSoftwareFilePath
    kIdWizardSelectDir,     // ImgBtn_SelectDir
    kIdWizardSupportText,   // RzLabel2
    kIdWizardSupportLink,   // Label_URL_Support
    kIdWizardScan,          // ImgBtn_Scan
    kIdWizardClose,         // ImgBtn_Close

    // TFrm_AnalyzingAppInstallInfo.
    kIdAnalysingLogo = 1451,    // Img_CurAppLogo
    kIdAnalysingName,           // Label_AppNameInfo
    kIdAnalysingAnimation,      // Gif_Analyzing
    kIdAnalysingFilesCount,     // HtmlLabel_FilesCount
    kIdAnalysingRegistryCount,  // HtmlLabel_RegistryCount

    // TFrm_UninstallProcess_Leftovers.
    kIdUninstallStep1 = 1501,  // ImgBtn_StepTip1
    kIdUninstallStep2,         // ImgBtn_StepTip2
    kIdUninstallStep1Text,     // Label_StepTip1_StartTip
    kIdUninstallStep2Text,     // Label_StepTip2_ScanTip
    kIdUninstallMarker,        // Gif_Step
    kIdUninstallClose,         // ImgBtn_Close
};

}  // namespace purgeon
