// Runs a piece of work on a thread with a small stack, so that a test can
// tell a walk that keeps its levels on the heap from one that recurses: the
// recursive one overflows the stack and the test binary crashes.
#pragma once

#include <pthread.h>

#include <functional>
#include <stdexcept>

namespace purgeon::testing {

inline void RunWithSmallStack(const std::function<void()>& work, size_t stack_bytes = 256 * 1024) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stack_bytes);
    pthread_t thread;
    auto* task = new std::function<void()>(work);
    const int status = pthread_create(
        &thread, &attributes,
        [](void* argument) -> void* {
            auto* function = static_cast<std::function<void()>*>(argument);
            (*function)();
            delete function;
            return nullptr;
        },
        task);
    pthread_attr_destroy(&attributes);
    if (status != 0) {
        delete task;
        throw std::runtime_error("cannot start a thread");
    }
    pthread_join(thread, nullptr);
}

}  // namespace purgeon::testing
