// A thread that makes an attempt at once and then again after each failure,
// waiting twice as long each time up to a longest wait, until one succeeds
// or the owner stops it: how a lost device is reopened off the audio
// callback and off the window thread. The back-off keeps a device that
// keeps failing from costing the deck its idle.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TZylRetry {
public:
    TZylRetry() = default;
    ~TZylRetry() { Stop(); }
    TZylRetry(const TZylRetry&) = delete;
    TZylRetry& operator=(const TZylRetry&) = delete;

    // Starts retrying attempt (which returns true on success); a retry
    // still running is stopped first. Never from inside attempt.
    void Start(std::function<bool()> attempt, std::chrono::milliseconds firstWait,
               std::chrono::milliseconds longestWait);
    // Waits for an attempt in progress, then ends the thread.
    void Stop();

private:
    void Run(const std::function<bool()>& attempt, std::chrono::milliseconds wait,
             std::chrono::milliseconds longestWait);

    std::thread Thread;
    std::mutex Mutex;
    std::condition_variable Wake;
    bool Stopping = false;
};
