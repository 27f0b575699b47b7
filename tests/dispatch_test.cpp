// The in-memory window-thread ports the native tests drive workers with:
// QueueDispatcher (a worker's Send waits for the test's window thread),
// FakeClock (virtual time) and ScriptedDialog (scripted answers).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/memory/fake_clock.h"
#include "platform/memory/queue_dispatcher.h"
#include "platform/memory/scripted_dialog.h"

namespace purgeon {
namespace {

using namespace std::chrono_literals;

// Joins on scope exit so that a failed assertion cannot leave a joinable
// thread behind.
class Worker {
  public:
    explicit Worker(std::function<void()> body) : thread_(std::move(body)) {}
    ~Worker() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

class Log {
  public:
    void Add(std::string entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
    }
    std::vector<std::string> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

// Waits (without draining) until `count` pieces of work are queued.
bool WaitForPending(const QueueDispatcher& dispatcher, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (dispatcher.PendingCount() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return dispatcher.PendingCount() == count;
}

TEST(QueueDispatcher, AWorkersSendWaitsUntilTheWindowThreadRanIt) {
    QueueDispatcher dispatcher;
    const auto window_thread = std::this_thread::get_id();
    Log log;
    std::atomic<bool> finished{false};
    std::vector<std::thread::id> ran_on;  // written on the window thread only
    Worker worker([&] {
        for (int i = 0; i < 2; ++i) {
            dispatcher.Send([&, i] {
                ran_on.push_back(std::this_thread::get_id());
                log.Add("run " + std::to_string(i));
            });
            log.Add("returned " + std::to_string(i));
        }
        finished = true;
    });

    // The first Send is queued; the worker stays blocked while nobody drains.
    ASSERT_TRUE(WaitForPending(dispatcher, 1));
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(log.Entries().empty());

    EXPECT_TRUE(dispatcher.RunUntil([&] { return finished.load(); }, 5s));
    worker.Join();
    EXPECT_EQ(log.Entries(),
              (std::vector<std::string>{"run 0", "returned 0", "run 1", "returned 1"}));
    EXPECT_EQ(ran_on, std::vector<std::thread::id>(2, window_thread));
}

TEST(QueueDispatcher, RunPendingRunsQueuedWorkInArrivalOrder) {
    QueueDispatcher dispatcher;
    Log log;
    std::vector<std::unique_ptr<Worker>> workers;
    // One worker at a time, so that the arrival order is known.
    for (int i = 0; i < 3; ++i) {
        workers.push_back(std::make_unique<Worker>(
            [&, i] { dispatcher.Send([&, i] { log.Add("work " + std::to_string(i)); }); }));
        ASSERT_TRUE(WaitForPending(dispatcher, i + 1));
    }
    EXPECT_EQ(dispatcher.RunPending(), 3u);
    for (auto& worker : workers) worker->Join();
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"work 0", "work 1", "work 2"}));
    EXPECT_EQ(dispatcher.RunPending(), 0u);
}

TEST(QueueDispatcher, ManyWorkersAreAllServedOnTheWindowThread) {
    QueueDispatcher dispatcher;
    const auto window_thread = std::this_thread::get_id();
    int counter = 0;  // touched on the window thread only, so no lock
    bool all_on_window_thread = true;
    std::atomic<int> finished{0};
    std::vector<std::unique_ptr<Worker>> workers;
    for (int w = 0; w < 4; ++w) {
        workers.push_back(std::make_unique<Worker>([&] {
            for (int i = 0; i < 100; ++i) {
                dispatcher.Send([&] {
                    ++counter;
                    all_on_window_thread &= std::this_thread::get_id() == window_thread;
                });
            }
            ++finished;
        }));
    }
    EXPECT_TRUE(dispatcher.RunUntil([&] { return finished.load() == 4; }, 10s));
    for (auto& worker : workers) worker->Join();
    EXPECT_EQ(counter, 400);
    EXPECT_TRUE(all_on_window_thread);
}

TEST(QueueDispatcher, SendOnTheWindowThreadRunsAtOnce) {
    QueueDispatcher dispatcher;
    int runs = 0;
    dispatcher.Send([&] {
        ++runs;
        dispatcher.Send([&] { ++runs; });  // nested: still the window thread
    });
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(dispatcher.PendingCount(), 0u);
}

TEST(QueueDispatcher, AnExceptionInTheWorkIsRethrownToTheSender) {
    QueueDispatcher dispatcher;
    std::string caught;
    std::atomic<bool> finished{false};
    Worker worker([&] {
        try {
            dispatcher.Send([] { throw std::runtime_error("from the work"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        finished = true;
    });
    EXPECT_TRUE(dispatcher.RunUntil([&] { return finished.load(); }, 5s));
    worker.Join();
    EXPECT_EQ(caught, "from the work");
}

TEST(QueueDispatcher, PostRecordsMessagesAndWakesRunUntil) {
    QueueDispatcher dispatcher;
    Worker worker([&] {
        std::this_thread::sleep_for(20ms);  // the window thread is waiting by then
        EXPECT_TRUE(dispatcher.Post(0x10, 0x55E, 0, 0));
        EXPECT_TRUE(dispatcher.Post(0x20, 0x550, 1, -1));
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(dispatcher.RunUntil([&] { return dispatcher.Posted().size() == 2; }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    worker.Join();
    EXPECT_EQ(dispatcher.Posted(),
              (std::vector<PostedMessage>{{0x10, 0x55E, 0, 0}, {0x20, 0x550, 1, -1}}));
}

TEST(QueueDispatcher, RunUntilGivesUpAfterTheTimeout) {
    QueueDispatcher dispatcher;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(dispatcher.RunUntil([] { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST(FakeClock, SleepMovesVirtualTimeAtOnceAndIsRecorded) {
    FakeClock clock(5000);
    std::vector<std::uint64_t> seen_by_hook;
    clock.SetOnSleep([&](std::uint32_t) { seen_by_hook.push_back(clock.TickCount()); });
    const auto start = std::chrono::steady_clock::now();
    clock.Sleep(1000);
    clock.Sleep(2100);
    clock.Advance(7);
    clock.Sleep(0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(clock.TickCount(), 5000u + 1000 + 2100 + 7);
    EXPECT_EQ(clock.Sleeps(), (std::vector<std::uint32_t>{1000, 2100, 0}));
    // The hook sees the time after the sleep.
    EXPECT_EQ(seen_by_hook, (std::vector<std::uint64_t>{6000, 8100, 8107}));
}

TEST(FakeClock, SleepsFromSeveralThreadsAllCount) {
    FakeClock clock;
    {
        Worker a([&] {
            for (int i = 0; i < 1000; ++i) clock.Sleep(1);
        });
        Worker b([&] {
            for (int i = 0; i < 1000; ++i) clock.Sleep(2);
        });
    }
    EXPECT_EQ(clock.TickCount(), 3000u);
    EXPECT_EQ(clock.Sleeps().size(), 2000u);
}

TEST(ScriptedDialog, AnswersInScriptOrderAndRecordsEachBox) {
    ScriptedDialog dialog{kIdYes};
    dialog.Script({kIdNo});
    EXPECT_EQ(dialog.MessageBox(7, u"Remove it?", u"Purgeon", kMbYesNo | kMbIconQuestion), kIdYes);
    EXPECT_EQ(dialog.MessageBox(0, u"Sure?", u"Purgeon", 36), kIdNo);
    EXPECT_EQ(dialog.RemainingAnswers(), 0u);
    EXPECT_FALSE(dialog.AnyUnscripted());
    const auto calls = dialog.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].owner, 7u);
    EXPECT_EQ(calls[0].text, u"Remove it?");
    EXPECT_EQ(calls[0].caption, u"Purgeon");
    EXPECT_EQ(calls[0].flags, 36u);
    EXPECT_EQ(calls[0].answer, kIdYes);
    EXPECT_EQ(calls[1].text, u"Sure?");
    EXPECT_EQ(calls[1].answer, kIdNo);
}

// Without a scripted answer a box gets the answer that declines, so an
// unforeseen question never confirms anything, and the test can see it.
TEST(ScriptedDialog, AnUnscriptedBoxDeclinesAndIsMarked) {
    struct Case {
        std::uint32_t flags;
        int answer;
    } cases[] = {
        {kMbYesNo | kMbIconQuestion, kIdNo}, {kMbOk | kMbIconInformation, kIdOk},
        {0x01 /* OK, Cancel */, 2},          {0x02 /* Abort, Retry, Ignore */, 3},
        {0x03 /* Yes, No, Cancel */, 2},
    };
    for (const Case& c : cases) {
        ScriptedDialog dialog;
        EXPECT_EQ(dialog.MessageBox(0, u"?", u"Purgeon", c.flags), c.answer) << c.flags;
        EXPECT_TRUE(dialog.AnyUnscripted());
        ASSERT_EQ(dialog.Calls().size(), 1u);
        EXPECT_TRUE(dialog.Calls()[0].unscripted);
    }
    ScriptedDialog dialog{kIdYes};
    dialog.MessageBox(0, u"scripted", u"Purgeon", 36);
    EXPECT_FALSE(dialog.AnyUnscripted());
    EXPECT_EQ(dialog.MessageBox(0, u"one too many", u"Purgeon", 36), kIdNo);
    EXPECT_TRUE(dialog.AnyUnscripted());
    EXPECT_FALSE(dialog.Calls()[0].unscripted);
}

}  // namespace
}  // namespace purgeon
