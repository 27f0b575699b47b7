#include "ui/win32/main_window.h"

#include <windowsx.h>

#include <tuple>
#include <utility>

#include "artwork_ids.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_handles.h"
#include "platform/window_messages.h"
#include "ui/app_list_rules.h"
#include "ui/win32/analysing_window.h"
#include "ui/win32/artwork.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/fonts.h"
#include "ui/win32/program_file.h"
#include "ui/win32/secondary_windows.h"
#include "ui/win32/uninstall_process_window.h"
#include "ui/win32/wizard_window.h"

namespace purgeon {
namespace {

// The frame's bands from top to bottom.
constexpr int kTitleBarHeight = 32;
constexpr int kMenuBarTop = 32;
constexpr int kPageTop = 100;
constexpr int kPageHeight = 442;
constexpr int kStatusBarTop = 542;
constexpr int kStatusBarHeight = 18;

constexpr COLORREF kTitleBarColour = RGB(61, 61, 61);  // also the button panels
constexpr COLORREF kMenuBarColour = RGB(35, 110, 190);
constexpr COLORREF kPageColour = RGB(244, 246, 249);
constexpr COLORREF kStatusColour = RGB(120, 165, 194);
constexpr COLORREF kDetailsNameColour = RGB(83, 83, 83);  // 5460819
constexpr COLORREF kDetailsTextColour = RGB(61, 61, 61);  // 4013373
constexpr UINT_PTR kSearchEditSubclass = 0x50475345;      // "PGSE"

// The Step 1 list panel and what it holds.
constexpr int kListPanelX = 184, kListPanelY = -1, kListPanelWidth = 553, kListPanelHeight = 399;
constexpr int kStatusStripHeight = 28;
constexpr int kDetailsHeight = 109;

COLORREF FromToolkitColour(std::uint32_t value) {
    // The toolkit's 24-bit colour has blue in the high byte, as COLORREF.
    return COLORREF(value & 0xFFFFFF);
}

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    const RECT rect{left, top, right, bottom};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

std::wstring WideText(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

}  // namespace

MainWindow::MainWindow(Ports ports, TextComparePort& text_compare, std::u16string exe_path)
    : ports_(ports), exe_path_(std::move(exe_path)), form_(ports_, *this, icons_, text_compare) {}

void MainWindow::SetWorkflowWindows(AnalysingWindow* analysing, UninstallProcessWindow* uninstall,
                                    CustomWizardWindow* wizard) {
    analysing_ = analysing;
    uninstall_ = uninstall;
    wizard_ = wizard;
}

MainWindow::~MainWindow() {
    if (tray_added_) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof(data);
        data.hWnd = hwnd_;
        data.uID = 1;
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    if (hwnd_) DestroyWindow(hwnd_);
    if (search_brush_) DeleteObject(search_brush_);
}

bool MainWindow::Create(HINSTANCE instance) {
    // No border: the window rectangle is the client area.
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD ex_style = WS_EX_APPWINDOW | WS_EX_LAYERED | WS_EX_CONTROLPARENT;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screen = monitor.rcMonitor;
    const int x = screen.left + (screen.right - screen.left - kClientWidth) / 2;
    const int y = screen.top + (screen.bottom - screen.top - kClientHeight) / 2;
    if (!CreateBase(instance, kClassName, ex_style, kCaption, style, x, y, kClientWidth,
                    kClientHeight)) {
        return false;
    }
    // A layered window stays invisible until its attributes are set.
    SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(form_.m_ulAlphaBlend), LWA_ALPHA);
    return true;
}

void MainWindow::SetSecondaryWindows(LoadingWindow* loading, ShadowWindow* shadow) {
    loading_ = loading;
    shadow_ = shadow;
}

// --- Creation -----------------------------------------------------------------

bool MainWindow::CreateControls() {
    const Fonts& fonts = Fonts::Get();
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.tahoma11), FALSE);
    bool ok =
        min_.Create(hwnd_, kIdMinimise, L"Minimize", 674, 3, 27, 27, IDP_BTN_MIN) &&
        close_.Create(hwnd_, kIdClose, L"Close", 705, 3, 27, 27, IDP_BTN_CLOSE) &&
        support_.Create(hwnd_, kIdSupport, L"Support", 7, kMenuBarTop, 66, 67, IDP_BTN_SUPPORT) &&
        help_.Create(hwnd_, kIdHelp, L"Help", 75, kMenuBarTop, 66, 67, IDP_BTN_HELP) &&
        upgrade_.Create(hwnd_, kIdUpgrade, L"Check for Updates", 143, kMenuBarTop, 66, 67,
                        IDP_BTN_UPGRADE);
    // The version reads from the right: its text ends where the label ends.
    version_.font = fonts.tahoma11;
    version_.colour = RGB(255, 255, 255);
    version_.format = DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
    ok = ok && version_.Create(hwnd_, kIdVersion, L"", 562, kStatusBarTop, 170, kStatusBarHeight);

    for (Panel* page : {&page1_, &page2_, &page3_}) {
        page->transparent = false;
        page->background = kPageColour;
    }
    page1_.picture = IDP_STEP1_BACK;
    page2_.picture = IDP_STEP2_BACK;
    page3_.picture = IDP_STEP3_BACK;
    ok = ok &&
         page1_.Create(hwnd_, kIdPageStep1, L"Step 1", 0, kPageTop, kClientWidth, kPageHeight,
                       WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP) &&
         page2_.Create(hwnd_, kIdPageStep2, L"Step 2", 0, kPageTop, kClientWidth, kPageHeight,
                       WS_CLIPCHILDREN) &&
         page3_.Create(hwnd_, kIdPageStep3, L"Step 3", 0, kPageTop, kClientWidth, kPageHeight,
                       WS_CLIPCHILDREN);
    // Tab reaches the controls inside the pages.
    for (Panel* page : {&page1_, &page2_, &page3_}) {
        if (page->hwnd())
            SetWindowLongPtrW(page->hwnd(), GWL_EXSTYLE,
                              GetWindowLongPtrW(page->hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    }
    if (!ok) return false;
    CreateStep1Page();
    CreateReportPage(2);
    CreateReportPage(3);
    return app_list_ != nullptr && search_edit_ != nullptr && reports_[3] != nullptr;
}

void MainWindow::CreateStep1Page() {
    const Fonts& fonts = Fonts::Get();
    HWND page = page1_.hwnd();
    step1_picture_.art = IDP_STEP1_PICTURE;
    step1_picture_.Create(page, 0, L"", 8, 5, 162, 135);
    refresh_.Create(page, kIdRefresh, L"Refresh", 12, 206, 151, 43, IDP_BTN_REFRESH);
    run_.Create(page, kIdRun, L"Run", 30, 284, 122, 122, IDP_BTN_RUN);

    list_panel_.transparent = false;
    list_panel_.background = RGB(255, 255, 255);
    list_panel_.Create(page, kIdListPanel, L"", kListPanelX, kListPanelY, kListPanelWidth,
                       kListPanelHeight, WS_VISIBLE | WS_CLIPCHILDREN);
    SetWindowLongPtrW(list_panel_.hwnd(), GWL_EXSTYLE,
                      GetWindowLongPtrW(list_panel_.hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    HWND panel = list_panel_.hwnd();

    // The status strip: hidden except while the search box has the focus.
    status_strip_.transparent = false;
    status_strip_.background = kStatusColour;
    status_strip_.line_bottom = true;
    status_strip_.line_colour = RGB(96, 138, 166);
    status_strip_.Create(panel, kIdStatusStrip, L"", 0, 0, kListPanelWidth, kStatusStripHeight, 0);
    status_animation_.art = IDP_STATUS_ANIMATION;
    status_animation_.frame_width = 16;
    status_animation_.frame_count = 8;
    status_animation_.interval = 90;
    status_animation_.Create(status_strip_.hwnd(), kIdStatusAnimation, L"", 8, 6, 16, 16);
    status_text_.font = fonts.tahoma13_bold;
    status_text_.colour = RGB(255, 255, 255);
    status_text_.Create(status_strip_.hwnd(), kIdStatusText, L"", 30, 6, kListPanelWidth - 38, 17);

    app_list_ = CreateWindowExW(0, WC_LISTVIEWW, L"Installed programs",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_AUTOARRANGE |
                                    LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                0, 0, kListPanelWidth, kListPanelHeight, panel,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdAppList)),
                                GetModuleHandleW(nullptr), nullptr);
    if (app_list_) {
        SendMessageW(app_list_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.tahoma11), FALSE);
        ListView_SetImageList(app_list_, icons_.ImgList_SoftwareIcon(), LVSIL_NORMAL);
        ListView_SetExtendedListViewStyle(app_list_, LVS_EX_DOUBLEBUFFER);
        ListView_SetBkColor(app_list_, RGB(255, 255, 255));
        ListView_SetTextBkColor(app_list_, RGB(255, 255, 255));
    }

    details_.transparent = false;
    details_.background = RGB(255, 255, 255);
    details_.line_top = true;
    details_.Create(panel, kIdDetails, L"", 0, kListPanelHeight - kDetailsHeight, kListPanelWidth,
                    kDetailsHeight, 0);
    HWND details = details_.hwnd();
    details_logo_.Create(details, kIdDetailsLogo, L"", 18, 12, 32, 32);
    details_name_.font = fonts.arial13_bold;
    details_name_.colour = kDetailsNameColour;
    details_name_.format = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS;
    details_name_.Create(details, kIdDetailsName, L"", 63, 12, 426, 33);
    int y = 51;
    for (auto [label, id] : {std::pair{&details_version_, kIdDetailsVersion},
                             std::pair{&details_publisher_, kIdDetailsPublisher},
                             std::pair{&details_location_, kIdDetailsLocation}}) {
        label->font = fonts.tahoma11;
        label->colour = kDetailsTextColour;
        label->format = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS;
        label->Create(details, id, L"", 67, y, kListPanelWidth - 67 - 12, 16);
        y += 20;
    }

    search_frame_.art = IDP_SEARCH_FRAME;
    search_frame_.Create(page, 0, L"", 230, 410, 231, 24);
    search_edit_ = CreateWindowExW(
        0, L"EDIT", L"Search...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 231, 413,
        226, 19, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdSearchEdit)),
        GetModuleHandleW(nullptr), nullptr);
    if (search_edit_) {
        SendMessageW(search_edit_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.tahoma13), FALSE);
        SetWindowSubclass(search_edit_, &MainWindow::SearchEditProc, kSearchEditSubclass,
                          reinterpret_cast<DWORD_PTR>(this));
    }
    search_button_.Create(page, kIdSearchButton, L"Search", 203, 410, 26, 24, IDP_BTN_SEARCH);
    custom_.Create(page, kIdCustomUninstall, L"Custom Uninstall", 553, 414, 175, 17,
                   IDP_BTN_CUSTOM);
    LayOutListPanel();
}

void MainWindow::AddTrayIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hwnd_;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PURGEON), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    lstrcpynW(data.szTip, kCaption, ARRAYSIZE(data.szTip));
    tray_added_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

// --- Messages -------------------------------------------------------------------

LRESULT MainWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    if (taskbar_created_ != 0 && message == taskbar_created_) {
        AddTrayIcon();  // Explorer restarted: the notification area is new
        return 0;
    }
    switch (message) {
        case WM_CREATE:
            taskbar_created_ = RegisterWindowMessageW(L"TaskbarCreated");
            form_.FormCreate(exe_path_);
            if (!CreateControls()) return -1;
            AddTrayIcon();
            return 0;
        case WM_SHOWWINDOW:
            if (wparam) {
                FileVersion version;
                ReadFileVersion(exe_path_, &version);  // 0.0.0.0 without a version resource
                form_.FormShow(version);
                version_.SetText(WideText(form_.Label_Version));
            }
            break;
        case WM_ACTIVATE:
            // Keep the focused control across deactivation, as dialogs do.
            if (LOWORD(wparam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) focus_ = focus;
            } else if (focus_ && IsWindow(focus_) && IsWindowVisible(focus_)) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT:
            PaintBuffered(hwnd_, [this](HDC dc, const RECT& client) { PaintFrame(dc, client); });
            return 0;
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd_, &client);
            PaintFrame(reinterpret_cast<HDC>(wparam), client);
            return 0;
        }
        case WM_LBUTTONDOWN:
            // Img_TitleMouseDown: the left button on the title picture drags.
            if (GET_Y_LPARAM(lparam) < kTitleBarHeight) {
                ReleaseCapture();
                SendMessageW(hwnd_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            }
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
        case WM_CTLCOLOREDIT:
            if (reinterpret_cast<HWND>(lparam) == search_edit_) {
                HDC dc = reinterpret_cast<HDC>(wparam);
                SetTextColor(dc, FromToolkitColour(form_.Edit_SearchAppName_Colour));
                SetBkColor(dc, RGB(255, 255, 255));
                if (!search_brush_) search_brush_ = CreateSolidBrush(RGB(255, 255, 255));
                return reinterpret_cast<LRESULT>(search_brush_);
            }
            break;
        case WM_SHOW_LOADING_WINDOW:
            form_.OnShowLoadingWindow();
            return 0;
        case WM_SHOW_UPDATE_WINDOW:
            if (on_show_update_window) on_show_update_window();
            return 0;
        case kTrayMessage:
            if (LOWORD(lparam) == WM_LBUTTONUP) {
                TrayIcon_AppClick();
            } else if (LOWORD(lparam) == WM_RBUTTONUP || LOWORD(lparam) == WM_CONTEXTMENU) {
                ScopedMenu menu(CreatePopupMenu());
                AppendMenuW(menu.Get(), MF_STRING, kIdTrayAbout, L"About Purgeon");
                AppendMenuW(menu.Get(), MF_STRING, kIdTrayQuit, L"Quit");
                POINT at;
                GetCursorPos(&at);
                SetForegroundWindow(hwnd_);  // so the menu closes when the user clicks away
                const UINT chosen = UINT(TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                        at.x, at.y, 0, hwnd_, nullptr));
                PostMessageW(hwnd_, WM_NULL, 0, 0);
                if (chosen != 0) OnCommand(int(chosen), 0);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void MainWindow::OnCommand(int id, int code) {
    if (id == kIdSearchEdit) {
        if (code == EN_SETFOCUS) {
            form_.Edit_SearchAppNameEnter();
        } else if (code == EN_KILLFOCUS) {
            form_.Edit_SearchAppNameExit();
        } else if (code == EN_CHANGE) {
            wchar_t text[512];
            const int length = GetWindowTextW(search_edit_, text, 512);
            form_.Edit_SearchAppNameChange(FromWide(text, std::size_t(length > 0 ? length : 0)));
        }
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case kIdMinimise:
            form_.AImg_MinClick();
            break;
        case kIdClose:     // AImg_CloseClick
        case kIdTrayQuit:  // TrayIconQuitClick
            SendMessageW(hwnd_, WM_CLOSE, 0, 0);
            break;
        case kIdSupport:
            form_.ImgBtn_Menu_SupportClick();
            break;
        case kIdHelp:
            form_.ImgBtn_Menu_HelpClick();
            break;
        case kIdUpgrade:  // ImgBtn_Menu_UpgradeClick
            if (on_upgrade_click) on_upgrade_click();
            break;
        case kIdTrayAbout:
            TrayIconAboutClick();
            break;
        case kIdRefresh:
            form_.ImgBtn_Step1_RefreshClick();
            break;
        case kIdRun:
            form_.ImgBtn_Step1_RunClick();
            break;
        case kIdSearchButton:
            form_.ImgBtn_SearchAppClick();
            break;
        case kIdCustomUninstall:
            form_.ImgBtn_CustomUninstallWizardClick();
            break;
        case kIdCompleteUninstall:
            form_.ImagBtn_Step2_CompleteUninstallClick();
            break;
        case kIdStep2Back:
            form_.ImgBtn_Step2_BackClick();
            break;
        case kIdStep3Back:
            form_.ImgBtn_Step3_BackClick();
            break;
        case kIdDelete:
            form_.ImgBtn_Step3_DeleteClick();
            break;
    }
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    for (int step = 0; step < 2; ++step) {
        if (header.hwndFrom == tabs_[step] && header.code == TCN_SELCHANGE) {
            const ReportTab tab = TabCtrl_GetCurSel(tabs_[step]) == 1 ? ReportTab::kRegistry
                                                                      : ReportTab::kFilesFolders;
            (step == 0 ? form_.NB_Step2_Report : form_.NB_Step3_Report) = tab;
            RenderReportTabs();
            return 0;
        }
    }
    for (int list = 0; list < 4; ++list) {
        if (header.hwndFrom != reports_[list] || header.code != LVN_ITEMCHANGED) continue;
        // A tick set or cleared by the user (the check box is state image 1 or 2).
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!rendering_reports_ && (change.uChanged & LVIF_STATE) &&
            ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) && change.iItem >= 0) {
            form_.SetReportRowTicked(static_cast<TFrm_Main_PG::ReportList>(list),
                                     std::size_t(change.iItem),
                                     ListView_GetCheckState(reports_[list], change.iItem) != 0);
        }
        return 0;
    }
    if (header.hwndFrom != app_list_) return 0;
    if (header.code == NM_CLICK) {
        form_.ListView_InstalledAppClick(ListView_GetNextItem(app_list_, -1, LVNI_SELECTED));
    } else if (header.code == LVN_ITEMCHANGED) {
        // A selection made with the keyboard shows the details as a click does.
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
            !(change.uOldState & LVIS_SELECTED)) {
            form_.ListView_InstalledAppClick(change.iItem);
        }
    }
    return 0;
}

LRESULT CALLBACK MainWindow::SearchEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<MainWindow*>(data);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter belongs to the box (it searches), not to the dialog keys.
            if (lparam && reinterpret_cast<const MSG*>(lparam)->message == WM_KEYDOWN &&
                reinterpret_cast<const MSG*>(lparam)->wParam == VK_RETURN)
                return DLGC_WANTALLKEYS | DefSubclassProc(hwnd, message, wparam, lparam);
            break;
        case WM_KEYDOWN: {
            // Edit_SearchAppNameKeyDown sees the text before the key acts.
            wchar_t text[512];
            const int length = GetWindowTextW(hwnd, text, 512);
            self->form_.Edit_SearchAppNameKeyDown(
                int(wparam), FromWide(text, std::size_t(length > 0 ? length : 0)));
            if (wparam == VK_RETURN) return 0;
            break;
        }
        case WM_CHAR:
            if (wparam == L'\r') return 0;  // no beep for Enter
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &MainWindow::SearchEditProc, kSearchEditSubclass);
            break;
    }
    return DefSubclassProc(hwnd, message, wparam, lparam);
}

// --- Painting -------------------------------------------------------------------

void MainWindow::PaintFrame(HDC dc, const RECT& client) {
    const int width = client.right;
    Artwork& art = Artwork::Instance();
    if (!art.Draw(dc, IDP_TITLE, 0, 0)) Fill(dc, 0, 0, width, kTitleBarHeight, kTitleBarColour);
    // Panel_Min and Panel_Close under the two buttons.
    Fill(dc, 674, 3, 674 + 27, 3 + 27, kTitleBarColour);
    Fill(dc, 705, 3, 705 + 27, 3 + 27, kTitleBarColour);
    if (!art.Draw(dc, IDP_MENU_BAR, 0, kMenuBarTop))
        Fill(dc, 0, kMenuBarTop, width, kPageTop, kMenuBarColour);
    Fill(dc, 0, kPageTop, width, kStatusBarTop, kPageColour);
    if (!art.Draw(dc, IDP_STATUS_BAR, 0, kStatusBarTop))
        Fill(dc, 0, kStatusBarTop, width, client.bottom, kTitleBarColour);
}

// --- MainFormView ---------------------------------------------------------------

void MainWindow::Render(MainPart part) {
    switch (part) {
        case MainPart::kAppList:
            RenderAppList();
            break;
        case MainPart::kAppListGroups:
            if (form_.app_list_groups_enabled && app_list_) {
                // Wine's list view neither draws nor keeps groups; Windows does.
                ListView_EnableGroupView(app_list_, TRUE);
                for (const AppListGroup& group : kAppListGroups) {
                    if (ListView_HasGroup(app_list_, group.id)) continue;
                    LVGROUP item{};
                    item.cbSize = sizeof(item);
                    item.mask = LVGF_HEADER | LVGF_GROUPID;
                    item.pszHeader =
                        const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(group.header));
                    item.iGroupId = group.id;
                    ListView_InsertGroup(app_list_, -1, &item);
                }
            }
            break;
        case MainPart::kDetails:
            RenderDetails();
            break;
        case MainPart::kStatusStrip:
            RenderStatusStrip();
            break;
        case MainPart::kSearchBox:
            RenderSearchBox();
            break;
        case MainPart::kPage:
            RenderPage();
            break;
        case MainPart::kOpacity:
            SetLayeredWindowAttributes(hwnd_, 0, static_cast<BYTE>(form_.m_ulAlphaBlend),
                                       LWA_ALPHA);
            break;
        case MainPart::kReportLists:
            RenderReportLists();
            break;
        case MainPart::kReportTabs:
            RenderReportTabs();
            break;
        case MainPart::kStepLabels:
            RenderStepLabels();
            break;
    }
}

void MainWindow::RenderAppList() {
    if (!app_list_) return;
    const auto& rows = form_.ListView_InstalledApp;
    if (form_.ListView_InstalledApp_Filling && !app_list_filling_) {
        // Rows of an enumeration arrive one by one behind the loading window:
        // arranged and drawn per row, the list costs time in the square of
        // its length. Placed without arranging, drawn and arranged once at
        // the end.
        app_list_filling_ = true;
        SendMessageW(app_list_, WM_SETREDRAW, FALSE, 0);
        SetWindowLongW(app_list_, GWL_STYLE,
                       GetWindowLongW(app_list_, GWL_STYLE) & ~LVS_AUTOARRANGE);
    }
    if (rows.size() < rows_shown_) {
        ListView_DeleteAllItems(app_list_);
        rows_shown_ = 0;
    }
    for (; rows_shown_ < rows.size(); ++rows_shown_) {
        const AppListRow& row = rows[rows_shown_];
        std::wstring caption = WideText(row.caption);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_GROUPID;
        item.iItem = int(rows_shown_);
        item.pszText = caption.data();
        item.iImage = row.image_index;
        item.iGroupId = row.group_id;
        ListView_InsertItem(app_list_, &item);
    }
    if (!form_.ListView_InstalledApp_Filling && app_list_filling_) {
        app_list_filling_ = false;
        SetWindowLongW(app_list_, GWL_STYLE,
                       GetWindowLongW(app_list_, GWL_STYLE) | LVS_AUTOARRANGE);
        ListView_Arrange(app_list_, LVA_DEFAULT);
        SendMessageW(app_list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(app_list_, nullptr, TRUE);
    }
}

void MainWindow::RenderDetails() {
    const bool visible = form_.Panel_CurSelect_Software_Info_Visible;
    if (visible) {
        details_logo_.SetImage(icons_.ImgList_SoftwareIcon(), form_.Img_Step1_CurSoftwareLogo);
        details_name_.SetText(WideText(form_.Label_Step1_CurSoftwareName));
        details_version_.SetText(WideText(form_.Label_Step1_CurSoftware_Ver));
        details_publisher_.SetText(WideText(form_.Label_Step1_CurSoftware_Publisher));
        details_location_.SetText(WideText(form_.Label_Step1_CurSoftware_Location));
    }
    details_.Show(visible);
    LayOutListPanel();
}

void MainWindow::RenderStatusStrip() {
    status_text_.SetText(WideText(form_.Label_AppList_Status_Title));
    status_animation_.Play(form_.Gif_AppList_Status_Title_Playing);
    status_strip_.Show(form_.Panel_AppList_Status_Title_Visible);
    LayOutListPanel();
}

void MainWindow::RenderSearchBox() {
    if (!search_edit_) return;
    const std::wstring wanted = WideText(form_.Edit_SearchAppName);
    wchar_t text[512];
    const int length = GetWindowTextW(search_edit_, text, 512);
    if (std::wstring(text, std::size_t(length > 0 ? length : 0)) != wanted)
        SetWindowTextW(search_edit_, wanted.c_str());  // its change event runs from here
    InvalidateRect(search_edit_, nullptr, TRUE);       // the colour
}

void MainWindow::RenderPage() {
    page1_.Show(form_.NB_Main == MainPage::kStep1);
    page2_.Show(form_.NB_Main == MainPage::kStep2);
    page3_.Show(form_.NB_Main == MainPage::kStep3);
}

void MainWindow::LayOutListPanel() {
    // The strip at the top and the details at the foot take their room when
    // shown; the list fills the rest.
    if (!app_list_) return;
    auto shown = [](HWND window) {
        return window && (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    };
    const int top = shown(status_strip_.hwnd()) ? kStatusStripHeight : 0;
    const int bottom =
        shown(details_.hwnd()) ? kListPanelHeight - kDetailsHeight : kListPanelHeight;
    SetWindowPos(app_list_, nullptr, 0, top, kListPanelWidth, bottom - top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

WindowId MainWindow::LoadingWindowId() {
    return loading_ ? reinterpret_cast<WindowId>(loading_->hwnd()) : 0;
}

void MainWindow::FocusAppList() {
    focus_ = app_list_;
    if (app_list_ && IsWindowVisible(hwnd_)) SetFocus(app_list_);
}

void MainWindow::RepaintAppListNow() {
    if (app_list_) UpdateWindow(app_list_);
}

void MainWindow::Minimise() {
    ShowWindow(hwnd_, SW_MINIMIZE);
}

void MainWindow::ShowLoadingWindowModal() {
    if (loading_) loading_->ShowModal(hwnd_);
}

bool MainWindow::IsLoadingWindowVisible() {
    return loading_ && IsWindowVisible(loading_->hwnd());
}

// --- Steps 2 and 3 ------------------------------------------------------------

void MainWindow::CreateReportPage(int step) {
    const Fonts& fonts = Fonts::Get();
    const int i = step - 2;
    Panel& page = step == 2 ? page2_ : page3_;
    step_picture_[i].art = step == 2 ? IDP_STEP2_PICTURE : IDP_STEP3_PICTURE;
    step_picture_[i].Create(page.hwnd(), 0, L"", 8, 5, 162, 135);
    back_[i].Create(page.hwnd(), step == 2 ? kIdStep2Back : kIdStep3Back, L"Back", 12, 206, 151, 43,
                    IDP_BTN_BACK);
    if (step == 2) {
        step_action_[i].Create(page.hwnd(), kIdCompleteUninstall, L"Complete Uninstall", 30, 284,
                               122, 122, IDP_BTN_COMPLETE_UNINSTALL);
    } else {
        step_action_[i].Create(page.hwnd(), kIdDelete, L"Delete", 30, 284, 122, 122,
                               IDP_BTN_DELETE);
    }

    Panel& panel = report_panel_[i];
    panel.transparent = false;
    panel.background = RGB(255, 255, 255);
    panel.Create(page.hwnd(), step == 2 ? kIdStep2Panel : kIdStep3Panel, L"", kListPanelX,
                 kListPanelY, kListPanelWidth, kListPanelHeight, WS_VISIBLE | WS_CLIPCHILDREN);
    SetWindowLongPtrW(panel.hwnd(), GWL_EXSTYLE,
                      GetWindowLongPtrW(panel.hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    int top = 10;
    if (step == 2) {
        program_label_.font = fonts.arial13_bold;
        program_label_.colour = kDetailsNameColour;
        program_label_.Create(panel.hwnd(), kIdUninstallProgram, L"", 12, top, 530, 18);
        top += 24;
    }
    files_caption_[i].font = fonts.tahoma11;
    files_caption_[i].colour = kDetailsTextColour;
    files_caption_[i].Create(panel.hwnd(), step == 2 ? kIdStep2Caption : kIdStep3Caption,
                             step == 2 ? L"Program Files:" : L"Leftovers Files:", 12, top, 300, 16);
    top += 20;
    const int tabs_height = (step == 2 ? 300 : 278) - top + 34;
    tabs_[i] = CreateWindowExW(
        0, WC_TABCONTROLW, L"Report", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 8, top,
        kListPanelWidth - 16, tabs_height, panel.hwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(step == 2 ? kIdStep2Tabs : kIdStep3Tabs)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(tabs_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts.tahoma11), FALSE);
    for (const wchar_t* caption : {L"Files/Folders", L"Registry"}) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(caption);
        TabCtrl_InsertItem(tabs_[i], TabCtrl_GetItemCount(tabs_[i]), &item);
    }
    RECT area{8, top, 8 + kListPanelWidth - 16, top + tabs_height};
    TabCtrl_AdjustRect(tabs_[i], FALSE, &area);
    for (int kind = 0; kind < 2; ++kind) {
        const int list = i * 2 + kind;
        const int ids[4] = {kIdStep2FilesList, kIdStep2RegistryList, kIdStep3FilesList,
                            kIdStep3RegistryList};
        HWND view = CreateWindowExW(
            0, WC_LISTVIEWW, kind == 0 ? L"Files/Folders" : L"Registry",
            WS_CHILD | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
            area.left, area.top, area.right - area.left, area.bottom - area.top, panel.hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids[list])), GetModuleHandleW(nullptr),
            nullptr);
        SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.tahoma11), FALSE);
        ListView_SetExtendedListViewStyle(
            view, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        // Step 2: an untitled 30-pixel tick column and a 493-pixel path;
        // Step 3: "Index" and a 473-pixel path.
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(step == 2 ? L"" : L"Index");
        column.cx = step == 2 ? 30 : (area.right - area.left) - 473 - 4;
        ListView_InsertColumn(view, 0, &column);
        column.pszText = const_cast<wchar_t*>(kind == 0 ? L"Files/Folder path" : L"Registry path");
        column.cx = step == 2 ? 493 : 473;
        ListView_InsertColumn(view, 1, &column);
        reports_[list] = view;
    }
    const int foot = top + tabs_height + 8;
    if (step == 2) {
        for (auto [label, id, x] : {std::tuple{&files_count_, kIdStep2FilesCount, 12},
                                    std::tuple{&registry_count_, kIdStep2RegistryCount, 280}}) {
            label->font = fonts.tahoma13_bold;
            label->colour = kDetailsTextColour;
            label->Create(panel.hwnd(), id, L"", x, foot, 260, 18);
        }
    } else {
        stand_tip_.font = fonts.arial13_bold;
        stand_tip_.colour = kDetailsNameColour;
        stand_tip_.Create(panel.hwnd(), kIdStep3StandTip, L"", 12, foot, 530, 18);
        custom_tip_.font = fonts.tahoma11;
        custom_tip_.colour = kDetailsTextColour;
        custom_tip_.format = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX;
        custom_tip_.Create(panel.hwnd(), kIdStep3CustomTip, L"", 12, foot, 530, 40, 0);
    }
    RenderReportTabs();
}

void MainWindow::RenderReportLists() {
    const std::vector<ReportRow>* rows[4] = {
        &form_.ListView_Step2_FilesFolders, &form_.ListView_Step2_Registry,
        &form_.ListView_Step3_FilesFolders, &form_.ListView_Step3_Registry};
    rendering_reports_ = true;
    for (int list = 0; list < 4; ++list) {
        HWND view = reports_[list];
        if (!view) continue;
        if (rows[list]->size() < report_rows_shown_[list]) {
            ListView_DeleteAllItems(view);
            report_rows_shown_[list] = 0;
        }
        const bool many = rows[list]->size() - report_rows_shown_[list] > 1;
        if (many) SendMessageW(view, WM_SETREDRAW, FALSE, 0);
        for (std::size_t& shown = report_rows_shown_[list]; shown < rows[list]->size(); ++shown) {
            const ReportRow& row = (*rows[list])[shown];
            // The first cell holds only the tick; Step 3 shows the row's number.
            std::wstring index = list >= 2 ? std::to_wstring(shown + 1) : std::wstring();
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = int(shown);
            item.pszText = index.data();
            const int at = ListView_InsertItem(view, &item);
            std::wstring path = WideText(row.path);
            ListView_SetItemText(view, at, 1, path.data());
            ListView_SetCheckState(view, at, row.ticked ? TRUE : FALSE);
        }
        if (many) SendMessageW(view, WM_SETREDRAW, TRUE, 0);
    }
    rendering_reports_ = false;
}

void MainWindow::RenderReportTabs() {
    for (int i = 0; i < 2; ++i) {
        if (!tabs_[i]) continue;
        const ReportTab tab = i == 0 ? form_.NB_Step2_Report : form_.NB_Step3_Report;
        TabCtrl_SetCurSel(tabs_[i], tab == ReportTab::kRegistry ? 1 : 0);
        ShowWindow(reports_[i * 2], tab == ReportTab::kFilesFolders ? SW_SHOWNA : SW_HIDE);
        ShowWindow(reports_[i * 2 + 1], tab == ReportTab::kRegistry ? SW_SHOWNA : SW_HIDE);
        SetWindowPos(reports_[i * 2 + (tab == ReportTab::kRegistry ? 1 : 0)], HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void MainWindow::RenderStepLabels() {
    program_label_.SetText(WideText(form_.RLB_QVU_UninstallProgram));
    files_count_.SetText(WideText(form_.Label_Step2_FilesCount));
    registry_count_.SetText(WideText(form_.Label_Step2_RegistryCount));
    stand_tip_.SetText(WideText(form_.Label_Step3_Bottom_StandName));
    custom_tip_.SetText(WideText(form_.Label_Step3_Bottom_CustomNameContext));
    const bool custom = form_.NB_Step3_Bottom_Tip == Step3Tip::kCustom;
    stand_tip_.Show(!custom);
    custom_tip_.Show(custom);
}

int MainWindow::MeasureLabel(MeasuredLabel, const std::u16string& text) {
    // Both measured labels (the program's name on Step 2 and Step 3) share
    // one font.
    const ScopedWindowDc screen(nullptr);
    ScopedSelectObject selected(screen.Get(), Fonts::Get().arial13_bold);
    SIZE size{};
    GetTextExtentPoint32W(screen.Get(), Wide(text), int(text.size()), &size);
    return size.cx;
}

void MainWindow::Analysing_Prepare(int mode, const std::u16string& heading, int logo_image) {
    if (!analysing_) return;
    if (mode == 1 && logo_image >= 0) {
        ScopedIcon logo(ImageList_GetIcon(icons_.ImgList_SoftwareIcon(), logo_image, ILD_NORMAL));
        if (logo) analysing_->SetAppLogo(logo.Get());
    }
    analysing_->Prepare(mode, heading);
}

void MainWindow::Analysing_ShowFilesCount(int count) {
    if (analysing_) analysing_->ShowFilesCount(count);
}

void MainWindow::Analysing_ShowRegistryCount(int count) {
    if (analysing_) analysing_->ShowRegistryCount(count);
}

void MainWindow::Analysing_ShowModal() {
    if (analysing_) analysing_->ShowModal(hwnd_);
}

void MainWindow::Analysing_Close() {
    if (analysing_) SendMessageW(analysing_->hwnd(), WM_CLOSE, 0, 0);
}

void MainWindow::UninstallProcess_SendStep(std::uint32_t step) {
    if (uninstall_) SendMessageW(uninstall_->hwnd(), WM_UNINSTALL_STEP, step, 0);
}

void MainWindow::UninstallProcess_ShowModal() {
    if (uninstall_) uninstall_->ShowModal(hwnd_);
}

void MainWindow::UninstallProcess_Complete() {
    if (uninstall_) uninstall_->mpu_pro_UpdateStepTip_Complete();
}

bool MainWindow::CustomWizard_ShowModal(std::u16string* folder) {
    if (!wizard_ || !wizard_->ShowModal(hwnd_)) return false;
    *folder = wizard_->mpu_str_SelCustomUinstallPath();
    return true;
}

// --- Tray -----------------------------------------------------------------------

void MainWindow::TrayIcon_AppClick() {
    if (IsWindowVisible(hwnd_)) {
        if (IsIconic(hwnd_) || GetForegroundWindow() != hwnd_) ShowWindow(hwnd_, SW_RESTORE);
        SetActiveWindow(hwnd_);
        SetForegroundWindow(hwnd_);
        ShowWindow(hwnd_, SW_SHOW);
    } else {
        ShowWindow(hwnd_, SW_SHOW);
    }
}

void MainWindow::TrayIconAboutClick() {
    // The overlay's modal loop: not while another modal window is up.
    if (shadow_ && IsWindowEnabled(hwnd_)) shadow_->form().Interface_ShadowFormShowModal(1);
}

}  // namespace purgeon
