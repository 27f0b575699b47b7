// The small borderless windows around the main window: the splash window,
// the list-loading window, the About window and the dimming overlay through
// which About is shown; and the windows of the uninstall workflow and the
// update check, created hidden at start-up like the others.
#pragma once

#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "platform/launcher.h"
#include "ui/Form_Shadow.h"
#include "ui/win32/base_window.h"
#include "ui/win32/controls.h"
#include "ui/win32/image_button.h"
#include "ui/win32/modal.h"
#include "ui/window_geometry.h"

namespace purgeon {

// The screen rectangle of a window.
WindowRect RectOf(HWND window);
// Moves `window` (its size kept) so that it is centred over `owner`.
void CentreWindowOver(HWND window, HWND owner);

// A hidden top-level window of a given class, caption and size; the base of
// the windows below and, for now, the workflow's windows.
class FormWindow : public BaseWindow<FormWindow> {
  public:
    FormWindow() = default;
    virtual ~FormWindow();
    // Creates the window hidden, owned by `owner`, centred on the screen.
    bool CreateForm(const wchar_t* class_name, const wchar_t* caption, int width, int height,
                    HWND owner, DWORD ex_style = WS_EX_TOOLWINDOW);
    virtual LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam);

    // Shows the window modally over `owner`; returns when it has closed.
    void ShowModal(HWND owner);
    void CloseModal() { modal_.End(); }

  protected:
    virtual void PaintForm(HDC dc, const RECT& client);
    COLORREF background_ = RGB(255, 255, 255);
    int picture_ = 0;
    ModalState modal_;
};

class SplashWindow : public FormWindow {
  public:
    static constexpr int kWidth = 450, kHeight = 250;
    bool Create();
    // Shows and paints the splash, blocks the thread for `milliseconds`
    // (no message is processed meanwhile), then hides it.
    void ShowFor(ClockPort& clock, std::uint32_t milliseconds);
};

class LoadingWindow : public FormWindow {
  public:
    static constexpr int kWidth = 463, kHeight = 123;
    bool Create(HWND main_window);
    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  protected:
    void PaintForm(HDC dc, const RECT& client) override;

  private:
    HWND main_window_ = nullptr;
    Animation animation_;
    Label text_;
};

class AboutWindow : public FormWindow {
  public:
    static constexpr int kWidth = 641, kHeight = 550;
    bool Create(HWND main_window, LauncherPort& launcher);
    // Centres the window over the main window and shows it modally over
    // `owner` (the overlay).
    void ShowModalOverMain(HWND owner);
    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    HWND main_window_ = nullptr;
    LauncherPort* launcher_ = nullptr;
    ImageButton close_;
    ImageButton link_;
};

class ShadowWindow : public FormWindow, public ShadowView {
  public:
    static constexpr int kWidth = 738, kHeight = 560;
    ShadowWindow(ClockPort& clock) : form_(*this, clock) {}
    bool Create(HWND main_window, AboutWindow& about);
    TFrm_Shadow& form() { return form_; }
    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam) override;

    void ShowOverlayModal() override;
    void PlaceOverMainWindow() override;
    void EnableTimer(bool enabled) override;
    void ShowAboutModal() override;
    void CloseOverlay() override;

  private:
    TFrm_Shadow form_;
    HWND main_window_ = nullptr;
    AboutWindow* about_ = nullptr;
};

}  // namespace purgeon
