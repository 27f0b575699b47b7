#include "ui/win32/secondary_windows.h"

#include "artwork_ids.h"
#include "platform/window_messages.h"
#include "ui/product_site.h"
#include "ui/win32/artwork.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/fonts.h"

namespace purgeon {

namespace {
constexpr UINT_PTR kShadowTimer = 1;
constexpr COLORREF kLoadingBack = RGB(217, 235, 249);
constexpr COLORREF kLoadingFrame = RGB(112, 112, 112);
constexpr int kLoadingFrameWidth = 3;

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}
}  // namespace

WindowRect RectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void CentreWindowOver(HWND window, HWND owner) {
    const WindowRect own = RectOf(window);
    const WindowRect placed = CentreOver(RectOf(owner), own.width, own.height);
    SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- FormWindow -----------------------------------------------------------------

FormWindow::~FormWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool FormWindow::CreateForm(const wchar_t* class_name, const wchar_t* caption, int width,
                            int height, HWND owner, DWORD ex_style) {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return CreateBase(GetModuleHandleW(nullptr), class_name, ex_style, caption,
                      WS_POPUP | WS_CLIPCHILDREN, x, y, width, height, owner) != nullptr;
}

void FormWindow::ShowModal(HWND owner) {
    RunModal(hwnd_, owner, modal_);
}

void FormWindow::PaintForm(HDC dc, const RECT& client) {
    Fill(dc, client, background_);
    if (picture_ != 0) Artwork::Instance().Draw(dc, picture_, 0, 0);
}

LRESULT FormWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            PaintBuffered(hwnd_, [this](HDC dc, const RECT& client) { PaintForm(dc, client); });
            return 0;
        case WM_PRINTCLIENT: {
            RECT client;
            GetClientRect(hwnd_, &client);
            PaintForm(reinterpret_cast<HDC>(wparam), client);
            return 0;
        }
        case WM_CLOSE:
            // Windows of the start-up table are hidden, never destroyed.
            if (modal_.active())
                modal_.End();
            else
                ShowWindow(hwnd_, SW_HIDE);
            return 0;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

// --- Splash ------------------------------------------------------------------------

bool SplashWindow::Create() {
    picture_ = IDP_SPLASH;
    background_ = RGB(35, 110, 190);
    return CreateForm(L"TFrm_SplashScreen", L"Purgeon", kWidth, kHeight, nullptr);
}

void SplashWindow::ShowFor(ClockPort& clock, std::uint32_t milliseconds) {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
    clock.Sleep(milliseconds);
    ShowWindow(hwnd_, SW_HIDE);
}

// --- List-loading window --------------------------------------------------------

bool LoadingWindow::Create(HWND main_window) {
    main_window_ = main_window;
    background_ = kLoadingBack;
    if (!CreateForm(L"TFrm_AppListLoadingShow", L"Purgeon", kWidth, kHeight, main_window))
        return false;
    animation_.art = IDP_LOADING_ANIMATION;
    animation_.frame_width = 48;
    animation_.frame_count = 12;
    animation_.interval = 70;
    text_.font = Fonts::Get().arial13;
    text_.colour = RGB(63, 63, 63);
    text_.format = DT_LEFT | DT_TOP | DT_NOPREFIX;
    return animation_.Create(hwnd_, kIdLoadingAnimation, L"", 15, 36, 48, 48) &&
           text_.Create(hwnd_, kIdLoadingText,
                        L"Program is analyzing and loading the information of installed\r\n"
                        L"program, please wait patiently......",
                        77, 41, kWidth - 77 - 3, 40);
}

void LoadingWindow::PaintForm(HDC dc, const RECT& client) {
    Fill(dc, client, kLoadingFrame);
    RECT inner = client;
    InflateRect(&inner, -kLoadingFrameWidth, -kLoadingFrameWidth);
    Fill(dc, inner, kLoadingBack);
}

LRESULT LoadingWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wparam) {  // FormShow
                CentreWindowOver(hwnd_, main_window_);
                animation_.Play(true);
            } else {  // FormHide
                animation_.Play(false);
            }
            break;
        case WM_CLOSE_LOADING_WINDOW:
            animation_.Play(false);
            modal_.End();
            return 0;
    }
    return FormWindow::MessageHandler(message, wparam, lparam);
}

// --- About -----------------------------------------------------------------------

bool AboutWindow::Create(HWND main_window, LauncherPort& launcher) {
    main_window_ = main_window;
    launcher_ = &launcher;
    picture_ = IDP_ABOUT;
    background_ = RGB(255, 255, 255);
    if (!CreateForm(L"TFrm_About", L"About Purgeon", kWidth, kHeight, main_window)) return false;
    if (!close_.Create(hwnd_, kIdAboutClose, L"Close", 605, 7, 27, 27, IDP_BTN_ABOUT_CLOSE))
        return false;
    // The link shows the site's address; it opens the start page.
    link_.SetTextLook(Fonts::Get().arial13_bold_link, RGB(242, 68, 0));
    return link_.Create(hwnd_, kIdAboutLink, reinterpret_cast<const wchar_t*>(kProductSiteHost),
                        136, 325, 200, 18, 0);
}

void AboutWindow::ShowModalOverMain(HWND owner) {
    CentreWindowOver(hwnd_, main_window_);
    ShowModal(owner);
}

LRESULT AboutWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && HIWORD(wparam) == BN_CLICKED) {
        if (LOWORD(wparam) == kIdAboutClose) {
            CloseModal();
            return 0;
        }
        if (LOWORD(wparam) == kIdAboutLink) {
            launcher_->ShellExecuteFile(reinterpret_cast<WindowId>(hwnd_), u"open", kStartPageUrl,
                                        u"", u"", SW_SHOWNORMAL);
            return 0;
        }
    }
    return FormWindow::MessageHandler(message, wparam, lparam);
}

// --- Dimming overlay ---------------------------------------------------------------

bool ShadowWindow::Create(HWND main_window, AboutWindow& about) {
    main_window_ = main_window;
    about_ = &about;
    background_ = RGB(0, 0, 0);
    if (!CreateForm(L"TFrm_Shadow", L"Purgeon", kWidth, kHeight, main_window,
                    WS_EX_TOOLWINDOW | WS_EX_LAYERED))
        return false;
    SetLayeredWindowAttributes(hwnd_, 0, TFrm_Shadow::kOpacity, LWA_ALPHA);
    return true;
}

LRESULT ShadowWindow::MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wparam) form_.FormShow();
            break;
        case WM_TIMER:
            if (wparam == kShadowTimer) {
                form_.Timer1Timer();
                return 0;
            }
            break;
    }
    return FormWindow::MessageHandler(message, wparam, lparam);
}

void ShadowWindow::ShowOverlayModal() {
    ShowModal(main_window_);
}

void ShadowWindow::PlaceOverMainWindow() {
    const WindowRect main = RectOf(main_window_);
    SetWindowPos(hwnd_, nullptr, main.left, main.top, kWidth, kHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShadowWindow::EnableTimer(bool enabled) {
    if (enabled)
        SetTimer(hwnd_, kShadowTimer, TFrm_Shadow::kTimerInterval, nullptr);
    else
        KillTimer(hwnd_, kShadowTimer);
}

void ShadowWindow::ShowAboutModal() {
    about_->ShowModalOverMain(hwnd_);
}

void ShadowWindow::CloseOverlay() {
    CloseModal();
}

}  // namespace purgeon
