// What a thread that ticks the player system shares with it, so that the
// system may be destroyed while the thread is away in a read that blocks (a
// hung medium): the thread enters the system only through an entry of this
// link, and it holds the link itself, which outlives the system for as long
// as the thread needs it. The system's destruction closes the link: no entry
// succeeds afterwards, and the close waits only for an entry in progress,
// which covers a tick's locked steps and never a read.
#pragma once

#include "engine/ZylSync.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class TVxSystemTAG;

class TVxTickLink {
public:
    explicit TVxTickLink(TVxSystemTAG& system) : System(system) {}
    TVxTickLink(const TVxTickLink&) = delete;
    TVxTickLink& operator=(const TVxTickLink&) = delete;

    // Holds the system alive for one scope; false when it is closed.
    class TEntry {
    public:
        explicit TEntry(TVxTickLink& link) : Link(link), Inside(link.Enter()) {}
        ~TEntry() {
            if (Inside)
                Link.Leave();
        }
        TEntry(const TEntry&) = delete;
        TEntry& operator=(const TEntry&) = delete;
        explicit operator bool() const { return Inside; }
        TVxSystemTAG& System() const { return Link.System; }

    private:
        TVxTickLink& Link;
        const bool Inside;
    };

    // The system's destructor, before anything else of it goes.
    void Close();

    // Wakes the worker before its tick period is over, or from its sleep.
    TZylEventTAG Wake;
    // Set by every tick under the system's lock: nothing goes on with time,
    // so the worker sleeps until a command that starts something signals
    // Wake.
    std::atomic<bool> Idle{false};
    // Ticks begun: lets tests and benches count the worker's wake-ups.
    std::atomic<uint64_t> Ticks{0};

private:
    bool Enter();
    void Leave();

    TVxSystemTAG& System;
    std::mutex Mutex;
    std::condition_variable Left;
    int Inside = 0;
    bool Closed = false;
};
