#include "engine/device/ZylNullBackend.h"

#include "diag/Diag.h"
#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylNull.h"
#include "engine/device/ZylRenderThread.h"
#include "engine/device/ZylSampleFormat.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

namespace {

// The hand-stepped device that ZylNullStep drives. The mutex also keeps the
// device open for the length of a step.
std::mutex gSteppedMutex;
TZylNullBackend* gStepped = nullptr;

} // namespace

TZylNullBackend::TZylNullBackend(bool handStepped, std::string capturePath,
                                 std::chrono::milliseconds tick)
    : HandStepped(handStepped), Tick(tick), CapturePath(std::move(capturePath)) {}

TZylNullBackend::~TZylNullBackend() {
    Close();
}

ZylResult TZylNullBackend::Open(const TWaveFormatEx& format, TZylMixer* mixer) {
    Close();
    Format = format;
    Mixer = mixer;
    // The stream runs in the device format itself, whatever ran before.
    Mixer->SetFormat(format);
    if (!CapturePath.empty() && !Capture.Open(CapturePath, format))
        DIAG_REPORT(kDiagReported, "ZylAudio: Cannot create the capture file %s",
                    CapturePath.c_str());
    const auto tickFrames = static_cast<size_t>(format.nSamplesPerSec * Tick.count() / 1000);
    Scratch.assign((tickFrames + 1) * format.nBlockAlign, 0);
    if (HandStepped) {
        std::lock_guard<std::mutex> lock(gSteppedMutex);
        gStepped = this;
        return DS_OK;
    }
    ClockStopping = false;
    ClockThread = std::thread(&TZylNullBackend::RunClock, this);
    return DS_OK;
}

bool TZylNullBackend::Pause() {
    {
        std::lock_guard<std::mutex> lock(ClockMutex);
        Paused.store(true);
    }
    ClockWake.notify_all();
    return true;
}

bool TZylNullBackend::Resume() {
    {
        std::lock_guard<std::mutex> lock(ClockMutex);
        Paused.store(false);
    }
    ClockWake.notify_all();
    return !Failed.load();
}

void TZylNullBackend::Close() {
    {
        std::lock_guard<std::mutex> lock(gSteppedMutex);
        if (gStepped == this)
            gStepped = nullptr;
    }
    if (ClockThread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(ClockMutex);
            ClockStopping = true;
        }
        ClockWake.notify_all();
        ClockThread.join();
    }
    Capture.Close();
    Mixer = nullptr;
    Paused.store(false);
}

double TZylNullBackend::OutputLatency() {
    return HandStepped ? 0.0 : std::chrono::duration<double>(Tick).count();
}

void TZylNullBackend::Render(uint32_t frames, uint8_t* out) {
    const uint32_t scratchFrames = static_cast<uint32_t>(Scratch.size() / Format.nBlockAlign);
    while (frames > 0) {
        const uint32_t pass = out != nullptr ? frames : std::min(frames, scratchFrames);
        uint8_t* target = out != nullptr ? out : Scratch.data();
        if (Paused.load())
            std::memset(target, ZylSilenceByte(Mixer->StreamType()),
                        static_cast<size_t>(pass) * Format.nBlockAlign);
        else
            Mixer->Render(target, pass);
        Capture.Write(target, static_cast<size_t>(pass) * Format.nBlockAlign);
        frames -= pass;
    }
}

// Renders as many frames as the wall clock says are due, every tick, so
// that the device keeps time however late a tick wakes up.
// Paused, it waits without a timeout and starts its count afresh on resume.
void TZylNullBackend::RunClock() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    const uint32_t scratchFrames = static_cast<uint32_t>(Scratch.size() / Format.nBlockAlign);
    uint64_t rendered = 0;
    ZylFavourRenderThread();
    std::unique_lock<std::mutex> lock(ClockMutex);
    Clock::time_point next = start;
    while (!ClockStopping) {
        if (Paused.load()) {
            ClockWake.wait(lock, [this] { return ClockStopping || !Paused.load(); });
            if (ClockStopping)
                break;
            // The first tick's frames are due at once: play is heard
            // without waiting out a tick.
            start = next = Clock::now() - Tick;
            rendered = 0;
        }
        next += Tick;
        ClockWake.wait_until(lock, next, [this] { return ClockStopping || Paused.load(); });
        if (Paused.load())
            continue;
        if (ClockStopping)
            break;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const auto due = static_cast<uint64_t>(elapsed * Format.nSamplesPerSec);
        while (rendered < due) {
            const auto pass =
                static_cast<uint32_t>(std::min<uint64_t>(due - rendered, scratchFrames));
            Render(pass, Scratch.data());
            rendered += pass;
        }
    }
}

void ZylNullSetHandStepped(bool on) {
    ZylSetHandSteppedOverride(on);
}

uint32_t ZylNullStep(uint32_t frames, void* out) {
    std::lock_guard<std::mutex> lock(gSteppedMutex);
    if (gStepped == nullptr)
        return 0;
    gStepped->Render(frames, static_cast<uint8_t*>(out));
    return frames;
}

std::vector<int16_t> ZylNullStepSamples(uint32_t frames) {
    std::lock_guard<std::mutex> lock(gSteppedMutex);
    if (gStepped == nullptr || gStepped->DeviceFormat().wBitsPerSample != 16)
        return {};
    std::vector<int16_t> samples(static_cast<size_t>(frames) * gStepped->DeviceFormat().nChannels);
    gStepped->Render(frames, reinterpret_cast<uint8_t*>(samples.data()));
    return samples;
}

TWaveFormatEx ZylNullFormat() {
    std::lock_guard<std::mutex> lock(gSteppedMutex);
    return gStepped != nullptr ? gStepped->DeviceFormat() : TWaveFormatEx{};
}

bool ZylNullIsQuiet() {
    std::lock_guard<std::mutex> lock(gSteppedMutex);
    return gStepped != nullptr && gStepped->IsPaused();
}

void ZylNullSimulateDeviceLoss() {
    std::lock_guard<std::mutex> lock(gSteppedMutex);
    if (gStepped != nullptr)
        gStepped->MarkFailed();
}
