// The way from a stream's callback to the mixer. A stream found lost must
// give it up at once, before the output's stand-in starts rendering, even
// though the stream itself may not be closed yet: a stalled server can still
// call back late, and closing a client of a server that is gone can take a
// while. Once Close returns, no pass through the gate reaches the mixer; the
// callback writes silence instead, and a late pass reads nothing of the
// mixer's, whose layout its new owner may be changing. The streams behind a
// gate play floats. Real-time safe on the callback's side.
#pragma once

#include <atomic>
#include <cstdint>

class TZylMixer;

class TZylRenderGate {
public:
    // From the callback: renders frames frames of channels floats into out,
    // or silence once closed.
    void Render(TZylMixer* mixer, float* out, uint32_t frames, uint32_t channels);
    // Shuts the gate and waits out a pass that is going through it.
    void Close();

private:
    std::atomic<bool> Closed{false};
    std::atomic<bool> Passing{false};
};
