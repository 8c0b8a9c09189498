// The PortAudio back end: the real sound output.
#pragma once

#include "engine/device/ZylBackend.h"
#include "engine/device/ZylDS.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

typedef void PaStream;
typedef int PaError;
struct PaStreamParameters;

// PortAudio initialised for the object's lifetime, with the sound system's
// start-up chatter kept off the terminal. PortAudio counts its own
// initialisations, so sessions may overlap.
class TZylPortAudioSession {
public:
    TZylPortAudioSession();
    ~TZylPortAudioSession();
    TZylPortAudioSession(const TZylPortAudioSession&) = delete;
    TZylPortAudioSession& operator=(const TZylPortAudioSession&) = delete;
    ZylResult Result() const { return InitResult; }

private:
    ZylResult InitResult;
};

// Starting PortAudio takes a good part of a second with a sound server
// running, and the device listing at start-up is followed at once by the
// first open. The listing's session is handed over here and kept until that
// open has a session of its own; later listings end theirs as usual, so
// that a lost device can start the sound system afresh.
void ZylKeepSessionForFirstOpen(std::unique_ptr<TZylPortAudioSession> session);

struct TZylPortAudioDevice {
    int Index = -1;
    std::string Text; // "<host API>: <device name>"
    TZylDeviceId Id;
};

// Every device with output channels, in PortAudio's order. Needs a session.
std::vector<TZylPortAudioDevice> ZylListPortAudioDevices();

class TZylPortAudioBackend : public TZylBackend {
public:
    // Initialises PortAudio and finds the device (null: the default one, of
    // the host API whose name contains hostApi when that is not empty).
    static std::unique_ptr<TZylPortAudioBackend>
    Create(const TZylDeviceId* id, const std::string& hostApi, ZylResult* result);
    ~TZylPortAudioBackend() override;

    ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) override;
    void Close() override;
    bool HasFailed() override;
    // Aborts the stream (only silence is left in it) and starts it again;
    // not on PortAudio's JACK host, whose stop drops the port connections.
    bool Pause() override;
    bool Resume() override;
    double OutputLatency() override;
    const char* Name() const override { return "PortAudio"; }
    std::vector<std::string> ServerSockets() const override { return Servers; }

private:
    TZylPortAudioBackend() = default;
    PaError StartStream(const PaStreamParameters& output, uint32_t rate);
    static int Callback(const void* input, void* output, unsigned long frames,
                        const struct PaStreamCallbackTimeInfo* time, unsigned long flags,
                        void* self);
    static void Finished(void* self);

    TZylPortAudioSession Session;
    int DeviceIndex = -1; // paNoDevice until found
    uint32_t Channels = 2;
    PaStream* Stream = nullptr;
    TZylMixer* Mixer = nullptr;
    std::atomic<bool> StreamFinished{false};
    bool OnJack = false;
    bool Paused = false; // by Pause, not by a failure
    bool ResumeFailed = false;
    std::atomic<int64_t> LastCallbackNs{0};
    std::vector<std::string> Servers; // see ServerSockets
};
