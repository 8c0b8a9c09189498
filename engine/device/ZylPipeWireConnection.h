// One connection to the PipeWire daemon: a thread loop of its own, a context
// and the core proxy, with the daemon's clock settings and a flag for a
// daemon that went away. The PipeWire back end streams over it; the device
// list asks it for the sinks.
//
// Threads: the public calls come from one caller thread at a time; the
// loop's thread runs the events. Lock() guards every use of the core from
// the caller.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct pw_thread_loop;
struct pw_context;
struct pw_core;

struct TZylPipeWireSink {
    std::string NodeName;    // the node's stable name: the device's identity
    std::string Description; // what the desktop shows ("Built-in Audio Analog Stereo")
};

class TZylPipeWireConnection {
public:
    // Connects without ever starting a daemon; Connected() tells.
    TZylPipeWireConnection();
    ~TZylPipeWireConnection();
    TZylPipeWireConnection(const TZylPipeWireConnection&) = delete;
    TZylPipeWireConnection& operator=(const TZylPipeWireConnection&) = delete;

    bool Connected() const { return Core != nullptr && !Lost.load(); }
    // True once the daemon has gone away or refused the connection.
    bool HasLost() const { return Lost.load(); }
    // The daemon's graph rate and period (0 while unknown).
    uint32_t ClockRate() const { return Rate.load(); }
    uint32_t ClockQuantum() const { return Quantum.load(); }

    // The audio sinks, in the order of their node names, so that a list
    // keeps its order across daemon restarts.
    std::vector<TZylPipeWireSink> ListSinks();

    pw_thread_loop* Loop() const { return ThreadLoop; }
    pw_core* CoreProxy() const { return Core; }
    // Called by the loop's events.
    void NoteLoss();

private:
    // Waits until the daemon has handled every request made before.
    bool Sync();

    struct TListeners;
    pw_thread_loop* ThreadLoop = nullptr;
    pw_context* Context = nullptr;
    pw_core* Core = nullptr;
    TListeners* Hooks = nullptr;
    std::atomic<bool> Lost{false};
    // The daemon may send its settings again at any time.
    std::atomic<uint32_t> Rate{0};
    std::atomic<uint32_t> Quantum{0};
    int PendingSeq = -1;
    bool SyncDone = false;
    std::vector<TZylPipeWireSink> Sinks;
    friend struct TZylPipeWireEvents;
};

// Starts the PipeWire library once per process.
void ZylPipeWireInit();
