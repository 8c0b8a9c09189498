// The worker thread: completion on the window thread, synchronised calls,
// and termination while a call waits.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "playlist/ZylThread.h"

namespace {

class TProbeThread : public TZylThread {
public:
    using TZylThread::TZylThread;
    ~TProbeThread() override {
        WaitFor();
        if (Destroyed != nullptr)
            *Destroyed = true;
    }
    std::function<int(TProbeThread&)> Body;
    bool* Destroyed = nullptr;
    using TZylThread::Synchronize;

protected:
    int Execute() override { return Body(*this); }
};

// Tells the test when something has been posted.
class TSignallingDispatcher : public TZylDispatcher {
public:
    void Post(std::function<void()> call) override {
        Queue.Post(std::move(call));
        if (!Signalled.exchange(true))
            Posted.set_value();
    }
    TZylQueueDispatcher Queue;
    std::promise<void> Posted;
    std::atomic<bool> Signalled{false};
};

} // namespace

TEST(ZylThread, CompletionRunsOnTheDrainingThreadThenFreesTheObject) {
    TZylQueueDispatcher dispatcher;
    bool destroyed = false;
    std::thread::id executedOn, terminatedOn;
    int returned = 0;
    auto* thread = new TProbeThread(dispatcher);
    thread->Destroyed = &destroyed;
    thread->FreeOnTerminate = true;
    thread->Body = [&](TProbeThread&) {
        executedOn = std::this_thread::get_id();
        return 42;
    };
    thread->OnTerminate = [&](TZylThread& sender) {
        terminatedOn = std::this_thread::get_id();
        returned = sender.ReturnValue();
    };
    thread->Start();
    while (!destroyed)
        dispatcher.WaitAndDrain(std::chrono::milliseconds(50));
    EXPECT_EQ(returned, 42);
    EXPECT_EQ(terminatedOn, std::this_thread::get_id());
    EXPECT_NE(executedOn, terminatedOn);
}

TEST(ZylThread, TerminateReleasesAWaitingSynchronizeAndDropsItsCall) {
    TSignallingDispatcher dispatcher;
    std::atomic<bool> ran{false};
    {
        TProbeThread thread(dispatcher);
        thread.Body = [&](TProbeThread& self) {
            return self.Synchronize([&] { ran = true; }) ? 1 : 0;
        };
        thread.Start();
        dispatcher.Posted.get_future().wait();
        // The window thread waits for the worker without draining: without
        // the release this would never return.
        thread.Terminate();
        thread.WaitFor();
        EXPECT_EQ(thread.ReturnValue(), 0);
    }
    dispatcher.Queue.Drain(); // the stale call and completion find nobody
    EXPECT_FALSE(ran);
}
