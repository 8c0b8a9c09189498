// The JACK back end: a client of its own on the JACK server named by
// JACK_DEFAULT_SERVER (or the default one), two output ports fed with the
// mixer's float samples at the server's rate, connected to the system's
// playback ports. It never starts a server. When the server goes away the
// back end only notes it; the output replaces it with a new client once the
// server answers again, which a stream of PortAudio's JACK host cannot do.
// A server that goes without a word (PipeWire's JACK calls no shutdown
// callback: the process callback simply stops) is noticed by the process
// callback falling silent for several periods.
#pragma once

#include "engine/device/ZylBackend.h"

#include <jack/types.h>

#include <atomic>
#include <memory>

class TZylJackBackend : public TZylBackend {
public:
    // Connects to the server; null (and *result set) when none answers.
    static std::unique_ptr<TZylJackBackend> Create(ZylResult* result);
    ~TZylJackBackend() override;

    ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) override;
    void Close() override;
    bool HasFailed() override;
    double OutputLatency() override;
    const char* Name() const override { return "JACK"; }

private:
    // Frames the mixer renders per pass of the callback.
    static constexpr uint32_t kPassFrames = 1024;

    TZylJackBackend() = default;
    // Registers the ports and the callbacks.
    bool SetUpClient();
    void ConnectToPlayback();
    static int Process(jack_nframes_t frames, void* self);
    static void Shutdown(jack_status_t code, const char* reason, void* self);

    jack_client_t* Client = nullptr;
    jack_port_t* Ports[2] = {};
    bool Active = false;
    TZylMixer* Mixer = nullptr;
    uint32_t Channels = 2;
    std::unique_ptr<float[]> Interleaved; // kPassFrames frames of Channels samples
    std::atomic<bool> ServerGone{false};
    std::atomic<int64_t> LastProcessNs{0};
    int64_t StallNs = 0; // set at Open from the server's period
};
