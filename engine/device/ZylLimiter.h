// Keeps the mixed output within full scale (1.0) before it reaches the
// device, whatever the buffers hold: float sources beyond full scale and
// surround sources folded to stereo can sum past it.
//
// While every sample stays within full scale the gain is exactly 1 and the
// samples pass untouched, so playback at the buffer's own rate stays
// bit-transparent. A sample beyond full scale pulls the gain down at once,
// just far enough to bring it to full scale (there is no look-ahead, which
// would delay the output); the gain then recovers smoothly towards 1.
// Real-time safe: no allocation, no locks.
#pragma once

#include <cstdint>

class TZylLimiter {
public:
    // The stream's rate sets the recovery speed; the gain starts at 1.
    void Reset(uint32_t rate);
    // Limits frames interleaved frames of channels samples in place.
    void Apply(float* samples, uint32_t frames, uint16_t channels);

private:
    float Gain = 1.0f;
    float Recovery = 0.0f; // the part of the reduction kept per frame
};
