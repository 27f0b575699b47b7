#include "ui/win32/main_window.h"

#include <windowsx.h>

#include <utility>

#include "artwork_ids.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_handles.h"
#include "platform/window_messages.h"
#include "ui/app_list_rules.h"
#include "ui/win32/artwork.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/fonts.h"
#include "ui/win32/program_file.h"
#include "ui/win32/secondary_windows.h"

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

MainWindow::MainWindow(Ports ports, std::u16string exe_path)
    : ports_(ports), exe_path_(std::move(exe_path)), form_(ports_, *this, icons_) {}

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
        page->picture = IDP_STEP1_BACK;
    }
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
    return app_list_ != nullptr && search_edit_ != nullptr;
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
    }
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
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
    }
}

void MainWindow::RenderAppList() {
    if (!app_list_) return;
    const auto& rows = form_.ListView_InstalledApp;
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
    const int top =
        status_strip_.hwnd() && IsWindowVisible(status_strip_.hwnd()) ? kStatusStripHeight : 0;
    const int bottom = details_.hwnd() && IsWindowVisible(details_.hwnd())
                           ? kListPanelHeight - kDetailsHeight
                           : kListPanelHeight;
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
