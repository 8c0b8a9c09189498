#include "engine/device/ZylLimiter.h"

#include <algorithm>
#include <cmath>

namespace {

// The time constant of the recovery: slow enough that the gain barely moves
// between the peaks of a low tone, so a steady over is only turned down.
constexpr double kRecoverySeconds = 0.2;
// Closer to 1 than this, the gain is 1 again and the samples untouched.
constexpr float kUnity = 1.0f - 1e-6f;

} // namespace

void TZylLimiter::Reset(uint32_t rate) {
    Gain = 1.0f;
    Recovery = rate != 0 ? static_cast<float>(std::exp(-1.0 / (kRecoverySeconds * rate))) : 0.0f;
}

void TZylLimiter::Apply(float* samples, uint32_t frames, uint16_t channels) {
    for (uint32_t i = 0; i < frames; ++i, samples += channels) {
        float peak = 0.0f;
        for (uint16_t c = 0; c < channels; ++c)
            peak = std::max(peak, std::fabs(samples[c]));
        if (Gain != 1.0f) {
            Gain = 1.0f - (1.0f - Gain) * Recovery;
            if (Gain > kUnity)
                Gain = 1.0f;
        }
        if (peak * Gain > 1.0f)
            Gain = 1.0f / peak;
        // The clamp catches the last rounding step of the division.
        if (Gain != 1.0f)
            for (uint16_t c = 0; c < channels; ++c)
                samples[c] = std::clamp(samples[c] * Gain, -1.0f, 1.0f);
    }
}
