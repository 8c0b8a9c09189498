// The PipeWire back end: a playback stream of the player's own on the
// PipeWire daemon at the daemon's graph rate, asking for the latency of the
// options through node.latency. The session manager links it to the default
// sink, or to the sink whose node name the device identifier digests. It
// never starts a daemon.
#pragma once

#include "engine/device/ZylPipeWireConnection.h"
#include "engine/device/ZylServerBackend.h"

#include <memory>

struct pw_stream;

class TZylPipeWireBackend : public TZylServerBackend {
public:
    // True when a PipeWire daemon answers.
    static bool ServerAnswers();
    // Connects and finds the device (null: the default sink). Null, with
    // *result set and the reason given, when that fails.
    static std::unique_ptr<TZylPipeWireBackend> Create(const TZylDeviceId* id, ZylResult* result);
    ~TZylPipeWireBackend() override;

    void Close() override;
    bool Pause() override;
    bool Resume() override;
    double OutputLatency() override;

    // The loop thread's side of the stream.
    struct TEvents;

private:
    TZylPipeWireBackend();
    bool Connected() const override { return Connection.Connected(); }
    bool ConnectionLost() const override { return Connection.HasLost(); }
    uint32_t ServerRate() const override { return Connection.ClockRate(); }
    std::vector<std::string> SinkNames() override;
    bool ConnectStream(uint32_t channels, uint32_t rate) override;
    // In the graph's cycles or out of them.
    bool SetActive(bool active);

    TZylPipeWireConnection Connection;
    pw_stream* Stream = nullptr;
    struct TStreamHook;
    std::unique_ptr<TStreamHook> Hook;
};

// The text the device list shows for each sink, and its identifier.
std::vector<TZylPipeWireSink> ZylListPipeWireSinks();
TZylDeviceId ZylPipeWireDeviceId(const TZylPipeWireSink& sink);
