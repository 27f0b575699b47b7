#include "platform/win32/win32_code_page.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace purgeon {

std::string Win32CodePage::ToAnsi(const std::u16string& text) {
    if (text.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_ACP, 0, Wide(text), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string out(size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, Wide(text), int(text.size()), out.data(), length, nullptr,
                        nullptr);
    return out;
}

std::u16string Win32CodePage::FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (length <= 0) return {};
    std::vector<wchar_t> out(static_cast<size_t>(length));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), out.data(), length);
    return FromWide(out.data(), size_t(length));
}

}  // namespace purgeon
