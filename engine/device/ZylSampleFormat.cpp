#include "engine/device/ZylSampleFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kScale16 = 32768.0f;
constexpr float kScale8 = 128.0f;

} // namespace

void ZylPcmToFloat(const uint8_t* pcm, uint16_t bitsPerSample, uint32_t samples, float* out) {
    if (bitsPerSample == 16) {
        for (uint32_t i = 0; i < samples; ++i) {
            int16_t sample;
            std::memcpy(&sample, pcm + 2 * i, sizeof sample);
            out[i] = sample / kScale16;
        }
        return;
    }
    for (uint32_t i = 0; i < samples; ++i)
        out[i] = (static_cast<int>(pcm[i]) - 128) / kScale8;
}

void ZylFloatToPcm(const float* in, uint32_t samples, uint16_t bitsPerSample, uint8_t* pcm) {
    if (bitsPerSample == 16) {
        for (uint32_t i = 0; i < samples; ++i) {
            const long value = std::clamp(std::lrint(in[i] * kScale16), -32768L, 32767L);
            const auto sample = static_cast<int16_t>(value);
            std::memcpy(pcm + 2 * i, &sample, sizeof sample);
        }
        return;
    }
    for (uint32_t i = 0; i < samples; ++i)
        pcm[i] = static_cast<uint8_t>(std::clamp(std::lrint(in[i] * kScale8), -128L, 127L) + 128);
}
