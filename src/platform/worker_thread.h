// A worker thread that owns itself: created by the window thread, started
// once, and freed by its own thread when Execute returns. Nothing thrown in
// Execute leaves the thread.
#pragma once

#include <thread>

namespace purgeon {

class WorkerThread {
  public:
    WorkerThread() = default;
    virtual ~WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Runs Execute on a new thread, then deletes this object. The object must
    // have been made with new; the caller must not touch it after Start.
    void Start() {
        std::thread([this] {
            try {
                Execute();
            } catch (...) {
                // A worker's failure must not end the program; the run is
                // simply over.
            }
            delete this;
        }).detach();
    }

    // The run itself; tests may call it directly on their own thread.
    virtual void Execute() = 0;
};

}  // namespace purgeon
