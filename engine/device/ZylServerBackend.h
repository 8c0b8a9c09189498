// What the back ends on a desktop sound server (PipeWire, PulseAudio) share:
// a connection of their own, a sink chosen by the digest of its name (empty:
// the server's default sink), and one float stream at the server's own rate
// that the mixer renders (the server converts nothing). A server that goes
// away, or a stream it ends, only marks the back end failed: the output
// replaces it with a new connection once the server answers again.
#pragma once

#include "engine/device/ZylBackend.h"
#include "engine/device/ZylDS.h"

#include <atomic>
#include <string>
#include <vector>

class TZylServerBackend : public TZylBackend {
public:
    ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) final;
    bool HasFailed() final;
    const char* Name() const final { return ServerName; }
    bool Resume() override { return !StreamFailed.load() && !ConnectionLost(); }

protected:
    TZylServerBackend(const char* serverName, uint32_t fallbackRate)
        : ServerName(serverName), FallbackRate(fallbackRate) {}
    // Checks that the server answers and finds the sink id names (null: the
    // default sink). DS_OK, or the failure with its reason given.
    ZylResult Start(const TZylDeviceId* id);

    virtual bool Connected() const = 0;
    virtual bool ConnectionLost() const = 0;
    // The server's rate; 0 when it does not say.
    virtual uint32_t ServerRate() const = 0;
    virtual std::vector<std::string> SinkNames() = 0;
    // Connects the stream; false with the reason given.
    virtual bool ConnectStream(uint32_t channels, uint32_t rate) = 0;

    const char* const ServerName;
    std::string TargetSink;
    TZylMixer* Mixer = nullptr;
    uint32_t Channels = 2;
    std::atomic<bool> StreamFailed{false};
    std::atomic<bool> Streaming{false};

private:
    const uint32_t FallbackRate;
};

// The identifier the device list gives a server's sink.
TZylDeviceId ZylServerSinkId(const char* serverName, const std::string& sinkName);
