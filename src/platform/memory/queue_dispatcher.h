// Dispatcher port for native tests. The thread that constructs it plays the
// window thread: a worker's Send queues the work and blocks until that thread
// runs it through RunPending or RunUntil, as SendMessage blocks until the
// window thread pumps. Send on the window thread itself runs the work at
// once. Post only records the message for the test to read.
//
// An exception thrown by the work is caught on the window thread and
// rethrown from Send in the sending thread, as if the work had run there.
// The dispatcher must outlive every worker that uses it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dispatcher.h"

namespace purgeon {

struct PostedMessage {
    WindowId window = 0;
    std::uint32_t message = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;

    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

class QueueDispatcher : public DispatcherPort {
  public:
    QueueDispatcher();

    void Send(const std::function<void()>& work) override;
    // Records the message and returns true.
    bool Post(WindowId window, std::uint32_t message, std::uintptr_t wparam,
              std::intptr_t lparam) override;

    // Window thread only. Runs the work queued so far, in the order it was
    // sent, and returns how many pieces ran.
    std::size_t RunPending();
    // Window thread only. Runs queued work as it arrives until `done` holds
    // or `timeout` has passed; returns the last result of `done`. `done` is
    // checked on the window thread after every piece of work, on every post
    // and every few milliseconds.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    std::size_t PendingCount() const;
    std::vector<PostedMessage> Posted() const;
    std::thread::id WindowThread() const { return window_thread_; }

  private:
    struct Request;

    bool RunOne(std::unique_lock<std::mutex>& lock);

    const std::thread::id window_thread_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;   // work queued or message posted
    std::condition_variable finished_;  // a piece of work has run
    std::deque<Request*> queue_;
    std::vector<PostedMessage> posted_;
    std::uint64_t events_ = 0;  // counts sends and posts, for RunUntil
};

}  // namespace purgeon
