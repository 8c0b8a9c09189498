#include "playlist/ZylDispatcher.h"

void TZylQueueDispatcher::Post(std::function<void()> call) {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FCalls.push_back(std::move(call));
    }
    FQueued.notify_all();
}

std::size_t TZylQueueDispatcher::Drain() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            if (FCalls.empty())
                return ran;
            call = std::move(FCalls.front());
            FCalls.pop_front();
        }
        // Run outside the lock: a call may post further calls.
        call();
        ++ran;
    }
}

bool TZylQueueDispatcher::WaitAndRunOne(std::chrono::milliseconds timeout) {
    std::function<void()> call;
    {
        std::unique_lock<std::mutex> lock(FMutex);
        if (!FQueued.wait_for(lock, timeout, [this] { return !FCalls.empty(); }))
            return false;
        call = std::move(FCalls.front());
        FCalls.pop_front();
    }
    call();
    return true;
}

std::size_t TZylQueueDispatcher::WaitAndDrain(std::chrono::milliseconds timeout) {
    {
        std::unique_lock<std::mutex> lock(FMutex);
        FQueued.wait_for(lock, timeout, [this] { return !FCalls.empty(); });
    }
    return Drain();
}
