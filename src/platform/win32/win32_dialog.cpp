#include "platform/win32/win32_dialog.h"

#include <windows.h>

#include "platform/win32/wide.h"

// <windows.h> maps MessageBox to MessageBoxW; the port's method keeps its name.
#undef MessageBox

namespace purgeon {

int Win32Dialog::MessageBox(WindowId owner, const std::u16string& text,
                            const std::u16string& caption, std::uint32_t flags) {
    return MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text), Wide(caption), flags);
}

}  // namespace purgeon
