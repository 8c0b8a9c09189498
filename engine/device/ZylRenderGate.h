// The way from a stream's callback to the mixer. A stream found lost must
// give it up at once, before the output's stand-in starts rendering, even
// though the stream itself may not be closed yet: a stalled server can still
// call back late, and closing a client of a server that is gone can take a
// while. Once Close returns, no pass through the gate reaches the mixer; the
// callback writes silence instead. Real-time safe on the callback's side.
#pragma once

#include <atomic>
#include <cstdint>

class TZylMixer;

class TZylRenderGate {
public:
    // From the callback: renders frames into out, or silence once closed.
    void Render(TZylMixer* mixer, void* out, uint32_t frames);
    // Shuts the gate and waits out a pass that is going through it.
    void Close();

private:
    std::atomic<bool> Closed{false};
    std::atomic<bool> Passing{false};
};
