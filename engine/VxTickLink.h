// What a thread that ticks the player system shares with it, so that the
// system may be destroyed while the thread is away in a read that blocks (a
// hung medium): the thread enters the system only through an entry of this
// link, and it holds the link itself, which outlives the system for as long
// as the thread needs it. The system's destruction closes the link: no entry
// succeeds afterwards, and the close waits only for an entry in progress,
// which covers a tick's locked steps and never a read.
#pragma once

#include "engine/ZylSync.h"

#include <condition_variable>
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

    // Wakes the worker before its tick period is over.
    TZylEventTAG Wake;

private:
    bool Enter();
    void Leave();

    TVxSystemTAG& System;
    std::mutex Mutex;
    std::condition_variable Left;
    int Inside = 0;
    bool Closed = false;
};
