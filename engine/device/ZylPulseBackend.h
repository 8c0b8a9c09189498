// The PulseAudio back end: a playback stream of the player's own on the
// PulseAudio server (or PipeWire's PulseAudio service), in float at the
// server's rate (the mixer converts), its buffer sized from the latency of
// the options. It plays on the default sink, or on the sink whose name the
// device identifier digests. It never spawns a server. A server that goes
// away, or a stream it ends, only marks the back end failed: the output
// replaces it with a new connection once the server answers again.
#pragma once

#include "engine/device/ZylBackend.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylPulseConnection.h"

#include <atomic>
#include <memory>
#include <string>

struct pa_stream;

class TZylPulseBackend : public TZylBackend {
public:
    // True when a PulseAudio server answers.
    static bool ServerAnswers();
    // Connects and finds the device (null: the default sink). Null, with
    // *result set and the reason given, when that fails.
    static std::unique_ptr<TZylPulseBackend> Create(const TZylDeviceId* id, ZylResult* result);
    ~TZylPulseBackend() override;

    ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) override;
    void Close() override;
    bool HasFailed() override;
    double OutputLatency() override;
    const char* Name() const override { return "PulseAudio"; }

    // The loop thread's side of the stream.
    struct TEvents;

private:
    TZylPulseBackend() = default;
    bool ConnectStream(uint32_t channels, uint32_t rate);

    TZylPulseConnection Connection;
    std::string TargetSink; // empty: the default sink
    pa_stream* Stream = nullptr;
    TZylMixer* Mixer = nullptr;
    uint32_t Channels = 2;
    std::atomic<bool> StreamFailed{false};
    std::atomic<bool> Streaming{false};
};

std::vector<TZylPulseSink> ZylListPulseSinks();
TZylDeviceId ZylPulseDeviceId(const TZylPulseSink& sink);
