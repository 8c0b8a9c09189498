// The sample layouts a buffer or a device stream may use, and conversions
// between them and the mixer's floats (full scale 1.0). Integer layouts are
// signed little-endian except 8-bit, which is unsigned; 24-bit samples are
// packed in three bytes. Real-time safe: no allocation, no locks.
#pragma once

#include <cstdint>

// The format tag of IEEE float PCM (32-bit samples, full scale 1.0).
constexpr uint16_t kZylWaveFormatFloat = 3;

enum class TZylSampleType : uint8_t { U8, S16, S24, S32, F32 };

// The layout of a format tag (1 PCM, 3 float) and sample width; false when
// the mixer has no such layout.
bool ZylSampleTypeOf(uint16_t formatTag, uint16_t bitsPerSample, TZylSampleType* type);
uint32_t ZylSampleBytes(TZylSampleType type);
// The byte that fills silence: 0x80 for 8-bit, 0 for every other layout.
uint8_t ZylSilenceByte(TZylSampleType type);

// Converts samples samples (frames times channels) to floats, through the
// decoders' conversion (PcmToFloat). Every layout up to 24 bits converts
// exactly.
void ZylPcmToFloat(const uint8_t* pcm, TZylSampleType type, uint32_t samples, float* out);

// Converts floats to samples, rounding integers to the nearest step and
// clipping them; float output passes through untouched.
void ZylFloatToPcm(const float* in, uint32_t samples, TZylSampleType type, uint8_t* pcm);
