// Hands calls over to the window thread. The scan thread never touches the
// playlist's list directly: its completion and any synchronised call are
// posted here and run later, in posting order, on the window thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

class TZylDispatcher {
public:
    virtual ~TZylDispatcher() = default;
    // Any thread. The call runs on the window thread; never inline.
    virtual void Post(std::function<void()> call) = 0;
};

// A dispatcher whose window thread is whoever drains it: tests, benchmarks and
// headless tools.
class TZylQueueDispatcher final : public TZylDispatcher {
public:
    void Post(std::function<void()> call) override;
    // Runs every queued call, including those queued while draining; returns
    // how many ran.
    std::size_t Drain();
    // Waits up to timeout for a call to be queued, then drains.
    std::size_t WaitAndDrain(std::chrono::milliseconds timeout);
    // Waits up to timeout for a call to be queued and runs only that one, so a
    // caller can stop between two hand-overs; false when none came.
    bool WaitAndRunOne(std::chrono::milliseconds timeout);

private:
    std::mutex FMutex;
    std::condition_variable FQueued;
    std::deque<std::function<void()>> FCalls;
};
