#include "platform/win32/win32_clock.h"

#include <windows.h>

namespace purgeon {

void Win32Clock::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

std::uint64_t Win32Clock::TickCount() {
    return GetTickCount64();
}

}  // namespace purgeon
