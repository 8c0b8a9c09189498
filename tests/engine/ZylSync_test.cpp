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
    bool IgnoreStop = false;
};

void ProbeLoop(std::atomic<uint32_t>* stop, void* user) {
    auto* probe = static_cast<TWorkerProbe*>(user);
    while (probe->IgnoreStop || stop->load() == 0) {
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
        EXPECT_FALSE(worker.WasCancelled());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(ZylThread, AWorkerThatNeverStopsIsCancelledAfterTheTimeout) {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer leaves the stack of a cancelled thread poisoned and
    // then trips over it when the thread's own bookkeeping is torn down; the
    // cancellation itself is checked in the plain and thread-sanitized builds.
    GTEST_SKIP() << "thread cancellation is not supported under AddressSanitizer";
#endif
    TWorkerProbe probe;
    probe.IgnoreStop = true;
    const auto start = std::chrono::steady_clock::now();
    TZylThreadTAG worker(&ProbeLoop, &probe, 1);
    worker.Stop();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(worker.WasCancelled());
    EXPECT_GE(waited, std::chrono::milliseconds(TZylThreadTAG::StopTimeoutMs));
    EXPECT_LT(waited, std::chrono::milliseconds(TZylThreadTAG::StopTimeoutMs + 1000));
    const int loops = probe.Loops.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(probe.Loops.load(), loops); // it really is gone
}

} // namespace
