#include "playlist/ZylThread.h"

#include <condition_variable>
#include <mutex>
#include <sys/resource.h>
#include <unistd.h>

// State that outlives the object for the calls it has posted to the window
// thread: a completion posted by a thread that was destroyed meanwhile finds
// no owner and does nothing.
struct TZylThread::TShared {
    struct TSyncRequest {
        std::function<void()> Call;
        bool Running = false;
        bool Done = false;
        bool Cancelled = false;
    };

    std::mutex Mutex;
    std::condition_variable Changed;
    bool Terminated = false;
    std::shared_ptr<TSyncRequest> Pending;
    TZylThread* Owner = nullptr; // window thread only
};

namespace {

// Nice values for the priorities; raising above normal usually needs a
// privilege this process does not have, and that refusal is fine.
int NiceValueOf(TThreadPriority priority) {
    switch (priority) {
    case TThreadPriority::tpIdle:
        return 19;
    case TThreadPriority::tpLowest:
        return 10;
    case TThreadPriority::tpLower:
        return 5;
    case TThreadPriority::tpNormal:
        return 0;
    case TThreadPriority::tpHigher:
        return -5;
    case TThreadPriority::tpHighest:
        return -10;
    }
    return 0;
}

void ApplyPriority(TThreadPriority priority) {
    int nice = NiceValueOf(priority);
    if (nice != 0)
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
}

} // namespace

TZylThread::TZylThread(TZylDispatcher& dispatcher)
    : FDispatcher(dispatcher), FShared(std::make_shared<TShared>()) {
    FShared->Owner = this;
}

TZylThread::~TZylThread() {
    FShared->Owner = nullptr;
    Terminate();
    WaitFor();
}

void TZylThread::Start() {
    if (!FThread.joinable())
        FThread = std::thread([this] { Run(); });
}

void TZylThread::Terminate() {
    std::lock_guard<std::mutex> lock(FShared->Mutex);
    FShared->Terminated = true;
    if (FShared->Pending && !FShared->Pending->Running)
        FShared->Pending->Cancelled = true;
    FShared->Changed.notify_all();
}

bool TZylThread::Terminated() const {
    std::lock_guard<std::mutex> lock(FShared->Mutex);
    return FShared->Terminated;
}

void TZylThread::WaitFor() {
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
}

bool TZylThread::Synchronize(std::function<void()> call) {
    auto request = std::make_shared<TShared::TSyncRequest>();
    request->Call = std::move(call);
    {
        std::lock_guard<std::mutex> lock(FShared->Mutex);
        if (FShared->Terminated)
            return false;
        FShared->Pending = request;
    }
    FDispatcher.Post([shared = FShared, request] {
        {
            std::lock_guard<std::mutex> lock(shared->Mutex);
            if (request->Cancelled)
                return;
            request->Running = true;
        }
        request->Call();
        std::lock_guard<std::mutex> lock(shared->Mutex);
        request->Done = true;
        shared->Changed.notify_all();
    });
    std::unique_lock<std::mutex> lock(FShared->Mutex);
    FShared->Changed.wait(lock, [&] { return request->Done || request->Cancelled; });
    FShared->Pending.reset();
    return request->Done;
}

void TZylThread::Run() {
    ApplyPriority(Priority);
    FReturnValue = Execute();
    FDispatcher.Post([shared = FShared] {
        if (shared->Owner != nullptr)
            shared->Owner->Finish();
    });
}

void TZylThread::Finish() {
    WaitFor();
    if (OnTerminate)
        OnTerminate(*this);
    if (FreeOnTerminate)
        delete this;
}
