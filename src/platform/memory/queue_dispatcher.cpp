#include "platform/memory/queue_dispatcher.h"

#include <algorithm>
#include <exception>

namespace purgeon {

// Lives on the sending worker's stack while it waits in Send.
struct QueueDispatcher::Request {
    const std::function<void()>* work = nullptr;
    bool done = false;
    std::exception_ptr error;
};

QueueDispatcher::QueueDispatcher() : window_thread_(std::this_thread::get_id()) {}

void QueueDispatcher::Send(const std::function<void()>& work) {
    if (std::this_thread::get_id() == window_thread_) {
        work();
        return;
    }
    Request request;
    request.work = &work;
    std::unique_lock lock(mutex_);
    queue_.push_back(&request);
    ++events_;
    arrived_.notify_all();
    finished_.wait(lock, [&] { return request.done; });
    lock.unlock();
    if (request.error) std::rethrow_exception(request.error);
}

bool QueueDispatcher::Post(WindowId window, std::uint32_t message, std::uintptr_t wparam,
                           std::intptr_t lparam) {
    std::lock_guard lock(mutex_);
    posted_.push_back({window, message, wparam, lparam});
    ++events_;
    arrived_.notify_all();
    return true;
}

// Runs the oldest queued request with the lock released; false when the
// queue is empty.
bool QueueDispatcher::RunOne(std::unique_lock<std::mutex>& lock) {
    if (queue_.empty()) return false;
    Request* request = queue_.front();
    queue_.pop_front();
    lock.unlock();
    std::exception_ptr error;
    try {
        (*request->work)();
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    request->error = error;
    request->done = true;
    finished_.notify_all();
    return true;
}

std::size_t QueueDispatcher::RunPending() {
    std::unique_lock lock(mutex_);
    std::size_t count = 0;
    while (RunOne(lock)) ++count;
    return count;
}

bool QueueDispatcher::RunUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds timeout) {
    // `done` may also turn true through a worker's plain writes, which wake
    // nobody: look again at least this often.
    constexpr auto kRecheck = std::chrono::milliseconds(2);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    for (;;) {
        // Taken before `done` runs, so that a post racing with the check
        // still cuts the wait below short.
        const std::uint64_t seen = events_;
        lock.unlock();
        if (done()) return true;
        lock.lock();
        if (RunOne(lock)) continue;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) break;
        arrived_.wait_until(lock, std::min(deadline, now + kRecheck),
                            [&] { return !queue_.empty() || events_ != seen; });
    }
    lock.unlock();
    return done();
}

std::size_t QueueDispatcher::PendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::vector<PostedMessage> QueueDispatcher::Posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
}

}  // namespace purgeon
