// Clock port for native tests: virtual time. Sleep returns at once after
// moving the time forward and recording the call; TickCount reads the
// virtual time. Safe to use from several threads.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace purgeon {

class FakeClock : public ClockPort {
  public:
    explicit FakeClock(std::uint64_t start_ticks = 0) : now_(start_ticks) {}

    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t TickCount() override;

    // Moves the time forward without a Sleep call (time spent elsewhere).
    void Advance(std::uint64_t milliseconds);
    // Every Sleep so far, in call order.
    std::vector<std::uint32_t> Sleeps() const;
    // Runs on the sleeping thread after each Sleep has moved the time, so
    // that a test can change the world "while" the code under test waits.
    // Set it before the code under test runs.
    void SetOnSleep(std::function<void(std::uint32_t milliseconds)> on_sleep);

  private:
    mutable std::mutex mutex_;
    std::uint64_t now_;
    std::vector<std::uint32_t> sleeps_;
    std::function<void(std::uint32_t)> on_sleep_;
};

}  // namespace purgeon
