#include "decoding/SampleFold.h"

#include <cstring>

namespace {

constexpr float kMinus3dB = 0.70710678f;

enum TSpeaker {
    kFrontLeft = 0,
    kFrontRight = 1,
    kLowFrequency = 3,
    kBackLeft = 4,
    kBackRight = 5,
    kFrontLeftOfCentre = 6,
    kFrontRightOfCentre = 7,
    kSideLeft = 9,
    kSideRight = 10,
    kTopFrontLeft = 12,
    kTopFrontRight = 14,
    kTopBackLeft = 15,
    kTopBackRight = 17,
};

bool IsLeftSurround(int speaker) {
    return speaker == kBackLeft || speaker == kFrontLeftOfCentre || speaker == kSideLeft ||
           speaker == kTopFrontLeft || speaker == kTopBackLeft;
}

bool IsRightSurround(int speaker) {
    return speaker == kBackRight || speaker == kFrontRightOfCentre || speaker == kSideRight ||
           speaker == kTopFrontRight || speaker == kTopBackRight;
}

// The usual channel masks of WAVE files that carry none, by channel count.
uint32_t DefaultMask(int channels) {
    static constexpr uint32_t kMasks[] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return channels < static_cast<int>(std::size(kMasks)) ? kMasks[channels] : 0;
}

int32_t Le24(const uint8_t* p) {
    // Into the top of a 32-bit word, so the shift back keeps the sign.
    const uint32_t word = uint32_t{p[0]} << 8 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 24;
    return static_cast<int32_t>(word) >> 8;
}

template <typename T> T Load(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

} // namespace

TWaveFormatEx MakeFloatFormat(uint16_t channels, uint32_t rate) {
    TWaveFormatEx format = MakePcmFormat(channels, rate, 32);
    format.wFormatTag = kWaveTagIeeeFloat;
    return format;
}

bool IsFloatConvertible(uint16_t tag, uint16_t bits) {
    if (tag == kWaveFormatPcm)
        return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return tag == kWaveTagIeeeFloat && (bits == 32 || bits == 64);
}

namespace {

// One loop per layout, the layout chosen once per call: the mixer converts
// every buffer it plays through here.
template <typename Convert>
void ConvertEach(const uint8_t* in, size_t width, size_t samples, float* out, Convert convert) {
    for (size_t i = 0; i < samples; ++i, in += width)
        out[i] = convert(in);
}

} // namespace

bool PcmToFloat(const uint8_t* in, uint16_t tag, uint16_t bits, size_t samples, float* out) {
    if (!IsFloatConvertible(tag, bits))
        return false;
    const size_t width = bits / 8u;
    if (tag == kWaveTagIeeeFloat && bits == 32)
        std::memcpy(out, in, samples * sizeof(float));
    else if (tag == kWaveTagIeeeFloat)
        ConvertEach(in, width, samples, out,
                    [](const uint8_t* p) { return static_cast<float>(Load<double>(p)); });
    else if (bits == 8)
        ConvertEach(in, width, samples, out,
                    [](const uint8_t* p) { return (static_cast<int>(p[0]) - 128) / 128.0f; });
    else if (bits == 16)
        ConvertEach(in, width, samples, out,
                    [](const uint8_t* p) { return Load<int16_t>(p) / 32768.0f; });
    else if (bits == 24)
        ConvertEach(in, width, samples, out,
                    [](const uint8_t* p) { return static_cast<float>(Le24(p) / 8388608.0); });
    else
        ConvertEach(in, width, samples, out, [](const uint8_t* p) {
            return static_cast<float>(Load<int32_t>(p) / 2147483648.0);
        });
    return true;
}

bool TStereoFold::Init(const int* speakers, int channels) {
    if (channels < 1 || channels > kMaxFoldChannels)
        return false;
    Count = channels;
    for (int i = 0; i < Count; ++i) {
        const int speaker = speakers[i];
        Left[i] = Right[i] = kMinus3dB;
        if (speaker == kFrontLeft || IsLeftSurround(speaker))
            Right[i] = 0;
        if (speaker == kFrontRight || IsRightSurround(speaker))
            Left[i] = 0;
        if (speaker == kFrontLeft)
            Left[i] = 1;
        if (speaker == kFrontRight)
            Right[i] = 1;
        if (speaker == kLowFrequency)
            Left[i] = Right[i] = 0;
    }
    return true;
}

bool TStereoFold::InitFromMask(uint32_t mask, int channels) {
    if (__builtin_popcount(mask) < channels)
        mask = DefaultMask(channels);
    int speakers[kMaxFoldChannels];
    int next = 0;
    for (int bit = 0; bit < 32 && next < kMaxFoldChannels; ++bit)
        if (mask & (1u << bit))
            speakers[next++] = bit;
    while (next < kMaxFoldChannels)
        speakers[next++] = -1;
    return Init(speakers, channels);
}

void TStereoFold::Apply(const float* in, size_t frames, float* out) const {
    for (size_t f = 0; f < frames; ++f, in += Count) {
        float left = 0;
        float right = 0;
        for (int c = 0; c < Count; ++c) {
            left += in[c] * Left[c];
            right += in[c] * Right[c];
        }
        out[2 * f] = left;
        out[2 * f + 1] = right;
    }
}
