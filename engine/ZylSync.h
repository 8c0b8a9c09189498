// Synchronisation helpers shared by the engine: the recursive system lock,
// the auto-reset event that reports finished restarts, and the worker thread
// with a polled stop flag and a bounded join.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

// Recursive lock: code that holds it may enter it again (recompute-and-apply
// inside SetPitch, for instance) without blocking.
class TZylSync {
public:
    void Enter() { Mutex.lock(); }
    void Leave() { Mutex.unlock(); }

private:
    std::recursive_mutex Mutex;
};

// Holds a TZylSync for one scope.
class TZylSyncLock {
public:
    explicit TZylSyncLock(TZylSync& sync) : Sync(sync) { Sync.Enter(); }
    ~TZylSyncLock() { Sync.Leave(); }
    TZylSyncLock(const TZylSyncLock&) = delete;
    TZylSyncLock& operator=(const TZylSyncLock&) = delete;

private:
    TZylSync& Sync;
};

// Auto-reset event, unsignalled at creation. A signal given while nobody
// waits stays set until one waiter consumes it, so a waiter that tested its
// condition before the signal and waits after it is never left hanging.
class TZylEventTAG {
public:
    void Signal();
    // Clears a pending signal; used when a new wait cycle begins.
    void Reset();
    // Waits without limit and consumes the signal.
    void Wait();
    // Waits at most ms milliseconds; true when the signal was consumed.
    bool WaitFor(unsigned ms);

private:
    std::mutex Mutex;
    std::condition_variable Cond;
    bool Signalled = false;
};

// Worker thread: calls Callback(&StopRequested, UserData) once, on a thread
// that asks for above-normal priority (Priority 1) and carries on when the
// system refuses. Destruction sets StopRequested and waits up to
// StopTimeoutMs for the callback to return. A worker that does not (stuck in
// a loop or on a lock) cannot be ended safely from outside, so it is
// abandoned: detached, with the state it shares with this object kept alive
// for as long as it runs. The stop stays bounded and the process can exit;
// the callback's UserData must then stay valid or never be touched again.
class TZylThreadTAG {
public:
    using TCallback = void (*)(std::atomic<uint32_t>* stopRequested, void* userData);
    static constexpr unsigned StopTimeoutMs = 3000;

    TZylThreadTAG(TCallback callback, void* userData, int priority);
    ~TZylThreadTAG();
    TZylThreadTAG(const TZylThreadTAG&) = delete;
    TZylThreadTAG& operator=(const TZylThreadTAG&) = delete;

    // True once the thread runs above normal priority.
    bool PriorityRaised() const { return Shared->Raised.load(); }
    // True when the last stop had to abandon the thread.
    bool WasAbandoned() const { return Abandoned; }
    // Runs the destruction rule early; safe to call twice.
    void Stop();
    // Sets StopRequested and lets the thread go at once, without waiting:
    // for a thread that its owner knows will touch nothing of the owner's
    // again. Stop and destruction then do nothing.
    void Abandon();

    std::thread::id ThreadId;
    int Priority;
    void* UserData;
    TCallback Callback;

private:
    // What the thread itself touches: it outlives this object when the
    // thread is abandoned.
    struct TShared {
        std::atomic<uint32_t> StopRequested{0};
        std::atomic<bool> Raised{false};
        std::mutex DoneMutex;
        std::condition_variable DoneCond;
        bool Done = false;
    };
    static void Entry(std::shared_ptr<TShared> shared, TCallback callback, void* userData,
                      int priority);

    std::shared_ptr<TShared> Shared;
    std::thread Handle;
    bool Abandoned = false;

public:
    std::atomic<uint32_t>& StopRequested;
};
