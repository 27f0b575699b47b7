// What the main window's logic asks of its view. The logic keeps the state
// of every control (texts, visibility, rows) in TFrm_Main_PG; the view
// renders a part when told that it changed, and does the few things only the
// window system can (focus, modal windows, opacity, minimising).
#pragma once

#include <cstdint>

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
};

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
};

}  // namespace purgeon
