// The JACK back end: a client of its own on the JACK server named by
// JACK_DEFAULT_SERVER (or the default one), two output ports fed with the
// mixer's float samples at the server's rate, connected to the system's
// playback ports. It never starts a server. When the server goes away the
// back end only notes it; the output replaces it with a new client once the
// server answers again, which a stream of PortAudio's JACK host cannot do.
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
    bool HasFailed() override { return ServerGone.load(); }
    double OutputLatency() override;

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
};
