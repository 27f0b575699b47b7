// Dispatcher port: how a worker thread reaches the window thread.
//   Send  hands a piece of work to the window thread and waits until it ran
//         (Win32: SendMessage of a private message to a message-only window).
//   Post  queues a window message without waiting (PostMessage).
// Called on the window thread itself, Send runs the work at once.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/dialog.h"

namespace purgeon {

class DispatcherPort {
  public:
    virtual ~DispatcherPort() = default;
    virtual void Send(const std::function<void()>& work) = 0;
    virtual bool Post(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                      std::intptr_t lparam) = 0;
};

}  // namespace purgeon
