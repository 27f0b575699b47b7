#include "platform/memory/fake_clock.h"

namespace purgeon {

void FakeClock::Sleep(std::uint32_t milliseconds) {
    std::function<void(std::uint32_t)> on_sleep;
    {
        std::lock_guard lock(mutex_);
        now_ += milliseconds;
        sleeps_.push_back(milliseconds);
        on_sleep = on_sleep_;
    }
    // Outside the lock: the hook may read the clock.
    if (on_sleep) on_sleep(milliseconds);
}

std::uint64_t FakeClock::TickCount() {
    std::lock_guard lock(mutex_);
    return now_;
}

void FakeClock::Advance(std::uint64_t milliseconds) {
    std::lock_guard lock(mutex_);
    now_ += milliseconds;
}

std::vector<std::uint32_t> FakeClock::Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

void FakeClock::SetOnSleep(std::function<void(std::uint32_t)> on_sleep) {
    std::lock_guard lock(mutex_);
    on_sleep_ = std::move(on_sleep);
}

}  // namespace purgeon
