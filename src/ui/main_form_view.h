// What the main window's logic asks of its view. The logic keeps the state
// of every control (texts, visibility, rows) in TFrm_Main_PG; the view
// renders a part when told that it changed, and does the few things only the
// window system can (focus, modal windows, opacity, minimising).
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"

namespace purgeon {

enum class MainPart {
    kAppList,        // the rows of ListView_InstalledApp (cleared or one added)
    kAppListGroups,  // group view switched on and the groups added
    kDetails,        // Panel_CurSelect_Software_Info: visibility, logo, texts
    kStatusStrip,    // Panel_AppList_Status_Title: visibility, text, animation
    kSearchBox,      // Edit_SearchAppName: text and colour
    kPage,           // the active page of NB_Main
    kOpacity,        // the window's opacity (m_ulAlphaBlend)
    kReportLists,    // the four report lists of Steps 2 and 3 (rows added, cleared, ticks)
    kReportTabs,     // the shown tab of NB_Step2_Report and NB_Step3_Report
    kStepLabels,     // Step 2's name and counts, Step 3's bottom tip and its texts
};

// Labels whose width the workflow measures with their own font.
enum class MeasuredLabel { kUninstallProgram, kStep3StandName };

class MainFormView {
  public:
    virtual ~MainFormView() = default;
    virtual void Render(MainPart part) = 0;

    virtual WindowId MainWindowId() = 0;
    virtual WindowId LoadingWindowId() = 0;
    virtual void FocusAppList() = 0;
    // Repaints the program list at once (a search adds rows on the window
    // thread; this lets the list grow on screen while it runs).
    virtual void RepaintAppListNow() = 0;
    virtual void Minimise() = 0;
    // Shows the list-loading window modally; returns when it has closed.
    virtual void ShowLoadingWindowModal() = 0;
    virtual bool IsLoadingWindowVisible() = 0;

    // The width in pixels of `text` in the label's font.
    virtual int MeasureLabel(MeasuredLabel label, const std::u16string& text) = 0;

    // The analysing window: prepared (mode, heading, both counts 0, the
    // program's icon from the list's image `logo_image` in standard mode),
    // shown modally (returns when it closes), its counts, and its close.
    virtual void Analysing_Prepare(int mode, const std::u16string& heading, int logo_image) = 0;
    virtual void Analysing_ShowFilesCount(int count) = 0;
    virtual void Analysing_ShowRegistryCount(int count) = 0;
    virtual void Analysing_ShowModal() = 0;
    virtual void Analysing_Close() = 0;  // WM_CLOSE

    // The uninstall-process window: WM_UNINSTALL_STEP sent to it (returns
    // when handled), shown modally (returns when the user closes it), and
    // marked complete.
    virtual void UninstallProcess_SendStep(std::uint32_t step) = 0;
    virtual void UninstallProcess_ShowModal() = 0;
    virtual void UninstallProcess_Complete() = 0;

    // The custom uninstall wizard, modally: true and the folder text when
    // the user confirmed one.
    virtual bool CustomWizard_ShowModal(std::u16string* folder) = 0;
};

}  // namespace purgeon
