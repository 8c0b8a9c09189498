// The PulseAudio back end: a playback stream of the player's own on the
// PulseAudio server (or PipeWire's PulseAudio service), in float at the
// server's rate, its buffer sized from the latency of the options. It plays
// on the default sink, or on the sink whose name the device identifier
// digests. It never spawns a server.
#pragma once

#include "engine/device/ZylPulseConnection.h"
#include "engine/device/ZylServerBackend.h"

#include <memory>

struct pa_stream;

class TZylPulseBackend : public TZylServerBackend {
public:
    // True when a PulseAudio server answers.
    static bool ServerAnswers();
    // Connects and finds the device (null: the default sink). Null, with
    // *result set and the reason given, when that fails.
    static std::unique_ptr<TZylPulseBackend> Create(const TZylDeviceId* id, ZylResult* result);
    ~TZylPulseBackend() override;

    void Close() override;
    bool Pause() override;
    bool Resume() override;
    double OutputLatency() override;

    // The loop thread's side of the stream.
    struct TEvents;

private:
    TZylPulseBackend();
    bool Connected() const override { return Connection.Connected(); }
    bool ConnectionLost() const override { return Connection.HasLost(); }
    uint32_t ServerRate() const override { return Connection.ServerRate(); }
    std::vector<std::string> SinkNames() override;
    bool ConnectStream(uint32_t channels, uint32_t rate) override;

    TZylPulseConnection Connection;
    pa_stream* Stream = nullptr;
};

std::vector<TZylPulseSink> ZylListPulseSinks();
TZylDeviceId ZylPulseDeviceId(const TZylPulseSink& sink);
