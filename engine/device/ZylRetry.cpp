#include "engine/device/ZylRetry.h"

#include <algorithm>
#include <utility>

void TZylRetry::Start(std::function<bool()> attempt, std::chrono::milliseconds firstWait,
                      std::chrono::milliseconds longestWait) {
    Stop();
    Stopping = false;
    Thread = std::thread([this, attempt = std::move(attempt), firstWait, longestWait] {
        Run(attempt, firstWait, longestWait);
    });
}

void TZylRetry::Stop() {
    if (!Thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Stopping = true;
    }
    Wake.notify_all();
    Thread.join();
}

void TZylRetry::Run(const std::function<bool()>& attempt, std::chrono::milliseconds wait,
                    std::chrono::milliseconds longestWait) {
    std::unique_lock<std::mutex> lock(Mutex);
    while (!Stopping) {
        lock.unlock();
        const bool done = attempt();
        lock.lock();
        if (done || Wake.wait_for(lock, wait, [this] { return Stopping; }))
            return;
        wait = std::min(wait * 2, longestWait);
    }
}
