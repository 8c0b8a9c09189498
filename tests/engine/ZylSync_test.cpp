#include "engine/ZylSync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(ZylEvent, ASignalGivenBeforeTheWaitIsNotLost) {
    TZylEventTAG event;
    EXPECT_FALSE(event.WaitFor(0));
    event.Signal();
    EXPECT_TRUE(event.WaitFor(0));  // latched
    EXPECT_FALSE(event.WaitFor(0)); // and consumed: auto-reset
    event.Signal();
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0));
}

TEST(ZylEvent, WakesAWaiterOnAnotherThread) {
    TZylEventTAG event;
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        event.Signal();
    });
    event.Wait();
    signaller.join();
}

TEST(ZylSync, OwnerMayEnterAgainWhileOthersWait) {
    TZylSync sync;
    std::atomic<bool> otherEntered{false};
    std::thread other;
    {
        TZylSyncLock outer(sync);
        TZylSyncLock inner(sync); // re-entry by the owner does not block
        other = std::thread([&] {
            TZylSyncLock lock(sync);
            otherEntered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(otherEntered.load());
    }
    other.join();
    EXPECT_TRUE(otherEntered.load());
}

struct TWorkerProbe {
    std::atomic<int> Loops{0};
};

void ProbeLoop(std::atomic<uint32_t>* stop, void* user) {
    auto* probe = static_cast<TWorkerProbe*>(user);
    while (stop->load() == 0) {
        ++probe->Loops;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(ZylThread, StopsAWorkerThatPollsItsFlag) {
    TWorkerProbe probe;
    const auto start = std::chrono::steady_clock::now();
    {
        TZylThreadTAG worker(&ProbeLoop, &probe, 1);
        while (probe.Loops.load() < 3)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(worker.UserData, &probe);
        worker.Stop();
        EXPECT_FALSE(worker.WasAbandoned());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A worker spinning in a loop that never looks at its flag (no sleep, no
// cancellation point) is abandoned once the bound has passed, and the
// process still exits cleanly while it spins.
TEST(ZylThreadDeathTest, AStuckWorkerIsAbandonedWithinTheBoundAndExitStaysClean) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static std::atomic<bool> spin{true};
            const auto start = std::chrono::steady_clock::now();
            TZylThreadTAG worker(
                [](std::atomic<uint32_t>*, void*) {
                    while (spin.load(std::memory_order_relaxed)) {
                    }
                },
                nullptr, 0);
            worker.Stop();
            const auto waited = std::chrono::steady_clock::now() - start;
            const bool bounded =
                waited < std::chrono::milliseconds(TZylThreadTAG::StopTimeoutMs + 2000);
            std::exit(worker.WasAbandoned() && bounded ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
