// The Win32 view of the main window: a borderless frame that paints the
// state of TFrm_Main_PG and forwards the window's events to it.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Form_Main.h"
#include "ui/win32/base_window.h"

namespace purgeon {

class MainWindow : public BaseWindow<MainWindow> {
  public:
    // Window class name and caption; the class bears the form's name.
    static constexpr const wchar_t* kClassName = L"TFrm_Main_PG";
    static constexpr const wchar_t* kCaption = L"Purgeon";
    static constexpr int kClientWidth = 738;
    static constexpr int kClientHeight = 560;

    // `form` is borrowed and outlives the window; `exe_path` is the running
    // executable's full path.
    MainWindow(TFrm_Main_PG& form, std::u16string exe_path);
    ~MainWindow();

    // Creates the window hidden, centred on the primary monitor; running its
    // WM_CREATE runs the form's creation steps. False on failure.
    bool Create(HINSTANCE instance);

    LRESULT MessageHandler(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    void Paint(HDC dc, const RECT& client) const;

    TFrm_Main_PG& form_;
    const std::u16string exe_path_;
    HFONT font_ = nullptr;
};

}  // namespace purgeon
