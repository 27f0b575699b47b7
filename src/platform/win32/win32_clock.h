// Clock port over ::Sleep and GetTickCount64.
#pragma once

#include "platform/clock.h"

namespace purgeon {

class Win32Clock : public ClockPort {
  public:
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t TickCount() override;
};

}  // namespace purgeon
