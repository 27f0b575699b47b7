#include "platform/win32/own_executable.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace purgeon {

std::u16string OwnExecutablePath() {
    // GetModuleFileNameW truncates silently when the buffer is short: grow it
    // until the path fits (the longest Windows path is 32767 characters).
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0) return std::u16string();
        if (length < buffer.size()) return FromWide(buffer.data(), length);
        if (buffer.size() > 32768) return std::u16string();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace purgeon
