// Conversions between the PCM layouts the device handles (8-bit unsigned or
// 16-bit signed, native byte order) and the mixer's floats (full scale 1.0).
// Real-time safe: no allocation, no locks.
#pragma once

#include <cstdint>

// Converts samples PCM samples (frames times channels) to floats.
void ZylPcmToFloat(const uint8_t* pcm, uint16_t bitsPerSample, uint32_t samples, float* out);

// Converts floats to PCM, rounding to the nearest step and clipping.
void ZylFloatToPcm(const float* in, uint32_t samples, uint16_t bitsPerSample, uint8_t* pcm);
