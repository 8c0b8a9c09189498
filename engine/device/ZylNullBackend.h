// The Null back end: no sound. Either a clock thread renders the mixer in
// real time, or (hand-stepped) nothing runs until a test calls ZylNullStep.
// Either way everything rendered can be recorded to a WAV file. Paused, the
// clock thread waits on its condition without a timeout; a hand-stepped
// device paused writes silence without running the mixer, as a stopped
// stream plays nothing.
#pragma once

#include "engine/device/ZylBackend.h"
#include "engine/device/ZylWavWriter.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TZylNullBackend : public TZylBackend {
public:
    // tick: how often the clock renders what is due.
    TZylNullBackend(bool handStepped, std::string capturePath,
                    std::chrono::milliseconds tick = std::chrono::milliseconds(5));
    ~TZylNullBackend() override;

    ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) override;
    void Close() override;
    bool HasFailed() override { return Failed.load(); }
    bool Pause() override;
    bool Resume() override;
    bool IsPaused() const { return Paused.load(); }
    double OutputLatency() override;
    const char* Name() const override { return "Null output"; }
    const TWaveFormatEx& DeviceFormat() const { return Format; }
    void MarkFailed() { Failed.store(true); }

    // Renders frames frames into out (or a scratch block when out is null)
    // and records them. One render thread at a time.
    void Render(uint32_t frames, uint8_t* out);

private:
    void RunClock();

    const bool HandStepped;
    const std::chrono::milliseconds Tick;
    const std::string CapturePath;
    TWaveFormatEx Format;
    TZylMixer* Mixer = nullptr;
    TZylWavWriter Capture;
    std::vector<uint8_t> Scratch;

    std::thread ClockThread;
    std::mutex ClockMutex;
    std::condition_variable ClockWake;
    bool ClockStopping = false;
    std::atomic<bool> Paused{false}; // written under ClockMutex
    std::atomic<bool> Failed{false};
};
