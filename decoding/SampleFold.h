// Sample layouts the decoders deliver beyond 8 and 16-bit PCM, and the fold
// of sources with more than two channels to stereo.
//
// The fold is the usual downmix: front left and right at full level, centre
// and surround channels at -3 dB into the side they stand on (centre ones
// into both), the low-frequency channel left out. The result stays in float
// and is not scaled down, so nothing is lost or clipped here; the mixer
// limits the final output. Toolkit-free and allocation-free.
#pragma once

#include "decoding/VxPlayer.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr uint16_t kWaveTagIeeeFloat = 3;
constexpr uint16_t kWaveTagExtensible = 0xFFFE;

// A float format record: tag 3, 32 bits.
TWaveFormatEx MakeFloatFormat(uint16_t channels, uint32_t rate);

// Converts samples interleaved samples of tag 1 (8-bit unsigned, 16, 24 or
// 32-bit signed little-endian) or tag 3 (32 or 64-bit float) to floats of
// full scale 1.0. False for any other layout. The one conversion of stored
// samples to floats: the decoders' and the mixer's. Real-time safe.
bool PcmToFloat(const uint8_t* in, uint16_t tag, uint16_t bits, size_t samples, float* out);
bool IsFloatConvertible(uint16_t tag, uint16_t bits);

// Speaker positions, numbered as the bits of a WAVE channel mask (front
// left 0, front right 1, centre 2, low frequency 3, back left 4, ...).
constexpr int kMaxFoldChannels = 32;

class TStereoFold {
public:
    // speakers[i] is the position of channel i; a negative or unknown one
    // goes to both sides at -3 dB. False for more than kMaxFoldChannels.
    bool Init(const int* speakers, int channels);
    // Positions of a WAVE channel mask, lowest bit first, with the usual
    // layout for the channel count when the mask names too few.
    bool InitFromMask(uint32_t mask, int channels);
    int Channels() const { return Count; }
    // in holds frames frames of Channels() floats; out gets frames stereo pairs.
    void Apply(const float* in, size_t frames, float* out) const;

private:
    int Count = 0;
    std::array<float, kMaxFoldChannels> Left{};
    std::array<float, kMaxFoldChannels> Right{};
};
