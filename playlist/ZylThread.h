// A worker thread in the style of the component family: created suspended,
// Execute runs once on its own thread, a terminate request that Execute
// polls, OnTerminate run on the window thread once Execute has returned, an
// optional free-on-terminate, and Synchronize to run a call on the window
// thread while the worker waits.
//
// Threads: Start, WaitFor and the destructor belong to the window thread;
// Terminate may be called from any thread; Synchronize only from Execute.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "playlist/ZylDispatcher.h"

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest };

class TZylThread {
public:
    explicit TZylThread(TZylDispatcher& dispatcher);
    TZylThread(const TZylThread&) = delete;
    TZylThread& operator=(const TZylThread&) = delete;
    // Requests termination and waits for Execute to return. OnTerminate is
    // not run for a thread destroyed this way. A derived class whose Execute
    // uses its own members stops the thread in its own destructor, before
    // those members go.
    virtual ~TZylThread();

    // Starts Execute; a second call does nothing.
    void Start();
    // Asks Execute to stop and releases a Synchronize that is still waiting
    // for the window thread (it then reports that its call did not run).
    void Terminate();
    bool Terminated() const;
    // Waits until Execute has returned.
    void WaitFor();
    int ReturnValue() const { return FReturnValue; }

    // Asked of the system when the thread starts; a refusal is not an error.
    TThreadPriority Priority = TThreadPriority::tpNormal;
    // Delete the object on the window thread after OnTerminate has run.
    bool FreeOnTerminate = false;
    std::function<void(TZylThread& sender)> OnTerminate;

protected:
    virtual int Execute() = 0;
    // Runs call on the window thread and waits for it. False when the thread
    // was terminated before the call could run; the call is then dropped.
    bool Synchronize(std::function<void()> call);

private:
    struct TShared;
    void Run();
    void Finish();

    TZylDispatcher& FDispatcher;
    std::shared_ptr<TShared> FShared;
    std::thread FThread;
    int FReturnValue = 0;
};
