// One connection to a PulseAudio server (PulseAudio itself, or PipeWire's
// PulseAudio service): a threaded main loop of its own and a context, with
// the server's sample rate and a flag for a server that went away. The
// PulseAudio back end streams over it; the device list asks it for the
// sinks.
//
// Threads: the public calls come from one caller thread at a time; the
// loop's thread runs the callbacks. Lock()/Unlock() guard every use of the
// context from the caller.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_operation;

struct TZylPulseSink {
    std::string Name;        // the sink's stable name: the device's identity
    std::string Description; // what the desktop shows
};

class TZylPulseConnection {
public:
    // Connects without ever spawning a server; Connected() tells.
    TZylPulseConnection();
    ~TZylPulseConnection();
    TZylPulseConnection(const TZylPulseConnection&) = delete;
    TZylPulseConnection& operator=(const TZylPulseConnection&) = delete;

    bool Connected() const { return Ready && !Lost.load(); }
    bool HasLost() const { return Lost.load(); }
    // The server's default sample rate (0 while unknown).
    uint32_t ServerRate() const { return Rate; }

    // The sinks, in the order of their names, so that a list keeps its
    // order across server restarts.
    std::vector<TZylPulseSink> ListSinks();

    void Lock();
    void Unlock();
    // With the lock held: waits for the loop thread to signal.
    void Wait();
    // With the lock held: waits for operation to finish and releases it.
    void Await(pa_operation* operation);
    pa_threaded_mainloop* Loop() const { return MainLoop; }
    pa_context* Context() const { return ContextObject; }

    // The loop thread's side.
    struct TEvents;

private:
    pa_threaded_mainloop* MainLoop = nullptr;
    pa_context* ContextObject = nullptr;
    bool Ready = false;
    std::atomic<bool> Lost{false};
    uint32_t Rate = 0;
    std::vector<TZylPulseSink> Sinks;
};
