// Dispatcher port over a message-only window owned by the window thread.
// Send from another thread is SendMessageW of one private message whose
// lParam points to the work: the sender waits until the window thread, which
// must be pumping messages (a message loop or a modal window), has run it.
// Send on the window thread runs the work at once. Post is PostMessageW.
//
// An exception thrown by the work never leaves the window procedure: it is
// caught there and rethrown from Send in the sending thread.
#pragma once

#include <cstdint>

#include "platform/dispatcher.h"

namespace purgeon {

class Win32Dispatcher : public DispatcherPort {
  public:
    // Construct and destroy on the window thread.
    Win32Dispatcher();
    ~Win32Dispatcher() override;
    Win32Dispatcher(const Win32Dispatcher&) = delete;
    Win32Dispatcher& operator=(const Win32Dispatcher&) = delete;

    // Without a window (creation failed) the work of a Send from another
    // thread is not run.
    void Send(const std::function<void()>& work) override;
    bool Post(WindowId window, std::uint32_t message, std::uintptr_t wparam,
              std::intptr_t lparam) override;

    WindowId Window() const { return window_; }
    std::uint32_t WindowThreadId() const { return thread_id_; }

  private:
    WindowId window_ = 0;
    std::uint32_t thread_id_ = 0;
};

}  // namespace purgeon
