#include "platform/win32/win32_text_compare.h"

#include <windows.h>

namespace purgeon {

bool Win32TextCompare::EqualIgnoringCase(const std::u16string& a, const std::u16string& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE,
                          reinterpret_cast<const wchar_t*>(a.data()), int(a.size()),
                          reinterpret_cast<const wchar_t*>(b.data()), int(b.size())) == CSTR_EQUAL;
}

}  // namespace purgeon
