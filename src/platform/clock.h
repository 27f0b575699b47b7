// Clock port: waits go through it so that tests need not really wait.
#pragma once

#include <cstdint>

namespace purgeon {

class ClockPort {
  public:
    virtual ~ClockPort() = default;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since an arbitrary start (GetTickCount64).
    virtual std::uint64_t TickCount() = 0;
};

}  // namespace purgeon
