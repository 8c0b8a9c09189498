// What the output needs from a back end: a stream at the device format that
// calls the mixer's Render from its own thread (or lets a test call it), and
// a way to tell that the stream has died.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/device/ZylDSResult.h"
#include "engine/device/ZylRenderGate.h"

#include <string>
#include <vector>

class TZylMixer;

class TZylBackend {
public:
    virtual ~TZylBackend() = default;
    // Opens the stream at format and starts it pulling from mixer. The mixer
    // outlives the stream: Close comes first.
    virtual ZylResult Open(const TWaveFormatEx& format, TZylMixer* mixer) = 0;
    // Stops the stream; once it returns, Render is no longer being called.
    virtual void Close() = 0;
    // True once the stream stopped on its own (device unplugged, I/O error).
    virtual bool HasFailed() = 0;
    // Quiets the open stream while nothing plays: no more callbacks (and no
    // wake-ups of the stream's thread) until Resume. What the device still
    // holds is silence by then and may be dropped. False when this back end
    // keeps its stream running (it then renders silence as before). Never
    // from the callback; the output calls both under its own lock.
    virtual bool Pause() { return false; }
    // Starts a paused stream again: the next callback renders what the
    // mixer plays from then on. False when the device is gone; HasFailed then
    // says so, and the output recovers as for any loss.
    virtual bool Resume() { return true; }
    // The stream's own estimate of the output latency, in seconds.
    virtual double OutputLatency() = 0;
    // The back end's name as users know it, for messages ("PipeWire").
    virtual const char* Name() const = 0;
    // The local sockets of the sound servers the open stream plays through,
    // when the back end reaches them only indirectly: after a loss, a new
    // attempt is worth its cost only once all of them answer again.
    virtual std::vector<std::string> ServerSockets() const { return {}; }
    // Gives up the mixer for good, at once, when the stream is found lost:
    // once it returns, this back end's callback no longer renders (it plays
    // silence until the stream is closed). Never from the callback.
    void Abandon() { Gate.Close(); }

protected:
    // The callback's way to the mixer (see Abandon).
    TZylRenderGate Gate;
};
