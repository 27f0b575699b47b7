// Dispatcher for a program without windows (the console front end): the
// calling thread is the only thread, so work runs at once and there is no
// window to post to.
#pragma once

#include "platform/dispatcher.h"

namespace purgeon {

class InlineDispatcher : public DispatcherPort {
  public:
    void Send(const std::function<void()>& work) override { work(); }
    bool Post(WindowId, std::uint32_t, std::uintptr_t, std::intptr_t) override { return false; }
};

}  // namespace purgeon
