// The PipeWire back end: a playback stream of the player's own on the
// PipeWire daemon, in float at the daemon's graph rate (the mixer converts),
// asking for the latency of the options through node.latency. The session
// manager links it to the default sink, or to the sink whose node name the
// device identifier digests. It never starts a daemon. A daemon that goes
// away, or a stream it ends, only marks the back end failed: the output
// replaces it with a new connection once the daemon answers again.
#pragma once

#include "engine/device/ZylBackend.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylPipeWireConnection.h"

#include <atomic>
#include <memory>
#include <string>

struct pw_stream;

class TZylPipeWireBackend : public TZylBackend {
public:
    // True when a PipeWire daemon answers.
    static bool ServerAnswers();
    // Connects and finds the device (null: the default sink). Null, with
    // *result set and the reason given, when that fails.
    static std::unique_ptr<TZylPipeWireBackend> Create(const TZylDeviceId* id, ZylResult* result);
    ~TZylPipeWireBackend() override;

    ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) override;
    void Close() override;
    bool HasFailed() override;
    double OutputLatency() override;
    const char* Name() const override { return "PipeWire"; }

    // The loop thread's side of the stream.
    struct TEvents;

private:
    TZylPipeWireBackend() = default;
    bool ConnectStream(uint32_t channels, uint32_t rate);

    TZylPipeWireConnection Connection;
    std::string TargetNode; // empty: the default sink
    pw_stream* Stream = nullptr;
    struct TStreamHook;
    std::unique_ptr<TStreamHook> Hook;
    TZylMixer* Mixer = nullptr;
    uint32_t Channels = 2;
    std::atomic<bool> StreamFailed{false};
    std::atomic<bool> Streaming{false};
};

// The text the device list shows for each sink, and its identifier.
std::vector<TZylPipeWireSink> ZylListPipeWireSinks();
TZylDeviceId ZylPipeWireDeviceId(const TZylPipeWireSink& sink);
