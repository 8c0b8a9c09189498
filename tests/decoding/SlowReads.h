// Slow file reads for tests of what a slow medium does to the player: while
// a gate lives, every file read past the ones it lets through waits until
// the gate is released.
#pragma once

#include "decoding/ZylFile.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <future>
#include <limits>
#include <mutex>
#include <thread>

class TReadGate {
public:
    static constexpr size_t kPassAll = std::numeric_limits<size_t>::max();

    // passing: how many reads go through before the gate holds (kPassAll:
    // it only counts them).
    explicit TReadGate(size_t passing = 0) : FPassing(passing) {
        Current() = this;
        ZylFileSetReadHook(&Hook);
    }
    ~TReadGate() {
        Release();
        ZylFileSetReadHook(nullptr);
        Current() = nullptr;
    }
    TReadGate(const TReadGate&) = delete;
    TReadGate& operator=(const TReadGate&) = delete;

    // From now on only the thread whose read the gate holds is held; other
    // threads' reads pass.
    void HoldOnlyTheHeldThread() {
        std::lock_guard<std::mutex> lock(FMutex);
        FOnlyHeld = true;
    }
    // Returns once some thread's read waits at the gate.
    void WaitForAReader() {
        std::unique_lock<std::mutex> lock(FMutex);
        FChanged.wait(lock, [&] { return FWaiting; });
    }
    // The reads that came to the gate so far, let through or held.
    size_t Reads() {
        std::lock_guard<std::mutex> lock(FMutex);
        return FReads;
    }
    void Release() {
        std::lock_guard<std::mutex> lock(FMutex);
        FOpen = true;
        FChanged.notify_all();
    }
    // Runs action on a thread of its own; true when it finished while the
    // gate held its readers. A generous guard, not a timing: should the
    // action wait for a held read after all, the gate opens, so that the
    // test fails instead of hanging.
    bool Completes(const std::function<void()>& action) {
        std::future<void> done = std::async(std::launch::async, action);
        if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
            return true;
        Release();
        done.wait();
        return false;
    }

private:
    static TReadGate*& Current() {
        static TReadGate* gate = nullptr;
        return gate;
    }
    static void Hook() {
        TReadGate& gate = *Current();
        std::unique_lock<std::mutex> lock(gate.FMutex);
        if (gate.FReads++ < gate.FPassing ||
            (gate.FOnlyHeld && std::this_thread::get_id() != gate.FHeld))
            return;
        gate.FHeld = std::this_thread::get_id();
        gate.FWaiting = true;
        gate.FChanged.notify_all();
        gate.FChanged.wait(lock, [&] { return gate.FOpen; });
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    const size_t FPassing;
    size_t FReads = 0;
    bool FWaiting = false;
    bool FOnlyHeld = false;
    std::thread::id FHeld;
    bool FOpen = false;
};
