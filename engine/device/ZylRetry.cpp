#include "engine/device/ZylRetry.h"

#include <utility>

void TZylRetry::Start(std::function<bool()> attempt, std::chrono::milliseconds period) {
    Stop();
    Stopping = false;
    Thread = std::thread([this, attempt = std::move(attempt), period] { Run(attempt, period); });
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

void TZylRetry::Run(const std::function<bool()>& attempt, std::chrono::milliseconds period) {
    std::unique_lock<std::mutex> lock(Mutex);
    while (!Stopping) {
        lock.unlock();
        const bool done = attempt();
        lock.lock();
        if (done || Wake.wait_for(lock, period, [this] { return Stopping; }))
            return;
    }
}
