#include "engine/ZylSync.h"

#include "diag/Diag.h"
#include "engine/device/ZylRenderThread.h"

#include <chrono>
#include <sys/resource.h>
#include <unistd.h>

void TZylEventTAG::Signal() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        Signalled = true;
    }
    Cond.notify_one();
}

void TZylEventTAG::Reset() {
    std::lock_guard<std::mutex> lock(Mutex);
    Signalled = false;
}

void TZylEventTAG::Wait() {
    std::unique_lock<std::mutex> lock(Mutex);
    Cond.wait(lock, [this] { return Signalled; });
    Signalled = false;
}

bool TZylEventTAG::WaitFor(unsigned ms) {
    std::unique_lock<std::mutex> lock(Mutex);
    if (!Cond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Signalled; }))
        return false;
    Signalled = false;
    return true;
}

TZylThreadTAG::TZylThreadTAG(TCallback callback, void* userData, int priority)
    : Priority(priority), UserData(userData), Callback(callback),
      Shared(std::make_shared<TShared>()), StopRequested(Shared->StopRequested) {
    Handle = std::thread(&TZylThreadTAG::Entry, Shared, callback, userData, priority);
    ThreadId = Handle.get_id();
}

TZylThreadTAG::~TZylThreadTAG() {
    Stop();
}

void TZylThreadTAG::Entry(std::shared_ptr<TShared> shared, TCallback callback, void* userData,
                          int priority) {
    if (priority == 1) {
        // Per-thread nice value: Linux applies setpriority to a single thread id.
        const int tid = static_cast<int>(gettid());
        if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kZylAboveNormalNice) == 0)
            shared->Raised.store(true);
    }
    callback(&shared->StopRequested, userData);
    {
        std::lock_guard<std::mutex> lock(shared->DoneMutex);
        shared->Done = true;
    }
    shared->DoneCond.notify_all();
}

void TZylThreadTAG::Stop() {
    if (!Handle.joinable())
        return;
    StopRequested.store(1);
    bool ended;
    {
        std::unique_lock<std::mutex> lock(Shared->DoneMutex);
        ended = Shared->DoneCond.wait_for(lock, std::chrono::milliseconds(StopTimeoutMs),
                                          [this] { return Shared->Done; });
    }
    if (ended) {
        Handle.join();
        return;
    }
    DIAG_REPORT(kDiagReported, "ZylThread: worker did not stop within %u ms; abandoned",
                StopTimeoutMs);
    Abandon();
}

void TZylThreadTAG::Abandon() {
    if (!Handle.joinable())
        return;
    StopRequested.store(1);
    Handle.detach();
    Abandoned = true;
}
