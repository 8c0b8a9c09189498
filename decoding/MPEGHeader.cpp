#include "decoding/MPEGHeader.h"

namespace {

constexpr uint32_t kVersionMpeg1 = 3;
constexpr uint32_t kVersionMpeg2 = 2;

uint32_t VersionBits(uint32_t h) {
    return (h >> 19) & 3;
}
uint32_t LayerBits(uint32_t h) {
    return (h >> 17) & 3;
}
uint32_t BitrateIndex(uint32_t h) {
    return (h >> 12) & 15;
}
uint32_t SampleRateIndex(uint32_t h) {
    return (h >> 10) & 3;
}
uint32_t PaddingBit(uint32_t h) {
    return (h >> 9) & 1;
}
uint32_t ChannelModeBits(uint32_t h) {
    return (h >> 6) & 3;
}
bool HasSync(uint32_t h) {
    return (h & 0xFFE00000u) == 0xFFE00000u;
}

// Layer number 1..3 from the layer bits (0 is reserved).
uint32_t LayerOf(uint32_t h) {
    return 4 - LayerBits(h);
}

// Index 0 is free format, 15 is forbidden; both stay 0 here.
constexpr uint32_t kBitrates[5][16] = {
    // MPEG-1 Layer I, II, III
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    // MPEG-2 and MPEG-2.5: Layer I, then Layers II and III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};

constexpr uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000},  // MPEG-2.5
    {0, 0, 0},             // reserved
    {22050, 24000, 16000}, // MPEG-2
    {44100, 48000, 32000}, // MPEG-1
};

int BitrateRow(uint32_t h) {
    const uint32_t layer = LayerOf(h);
    if (VersionBits(h) == kVersionMpeg1)
        return static_cast<int>(layer - 1);
    return layer == 1 ? 3 : 4;
}

} // namespace

int IsValidHeader(uint32_t header) {
    return HasSync(header) && VersionBits(header) != 1 && LayerBits(header) != 0 &&
                   BitrateIndex(header) != 0 && BitrateIndex(header) != 15 &&
                   SampleRateIndex(header) != 3
               ? 1
               : 0;
}

uint32_t HeaderBitrate(uint32_t header) {
    if (VersionBits(header) == 1 || LayerBits(header) == 0)
        return 0;
    return kBitrates[BitrateRow(header)][BitrateIndex(header)];
}

uint32_t HeaderSampleRate(uint32_t header) {
    if (SampleRateIndex(header) == 3)
        return 0;
    return kSampleRates[VersionBits(header)][SampleRateIndex(header)];
}

int DecodeFrameHeader(uint32_t header, TMPEGFrameInfo* info) {
    if (!IsValidHeader(header))
        return 0;
    const uint32_t version = VersionBits(header);
    info->Version = version == kVersionMpeg1 ? 1 : version == kVersionMpeg2 ? 2 : 3;
    info->Layer = LayerOf(header);
    info->SampleRate = HeaderSampleRate(header);
    info->Bitrate = HeaderBitrate(header);
    info->ChannelMode = ChannelModeBits(header);
    info->Channels = info->ChannelMode == 3 ? 1 : 2;
    if (info->Layer == 1)
        info->SamplesPerFrame = 384;
    else if (info->Layer == 3 && version != kVersionMpeg1)
        info->SamplesPerFrame = 576;
    else
        info->SamplesPerFrame = 1152;
    return 1;
}

uint32_t FrameLength(uint32_t header) {
    if (!IsValidHeader(header))
        return 0;
    const uint32_t bitrate = HeaderBitrate(header);
    const uint32_t rate = HeaderSampleRate(header);
    const uint32_t padding = PaddingBit(header);
    const uint32_t layer = LayerOf(header);
    if (layer == 1)
        return (12000 * bitrate / rate + padding) * 4;
    uint32_t slots = 144000 * bitrate / rate;
    if (layer == 3 && VersionBits(header) != kVersionMpeg1)
        slots /= 2;
    return slots + padding;
}

uint32_t TruncToU32(double value) {
    if (!(value > 0))
        return 0;
    if (value >= static_cast<double>(UINT32_MAX))
        return UINT32_MAX;
    return static_cast<uint32_t>(value);
}

double DurationMs(double bytes, uint32_t kbps) {
    if (kbps == 0)
        kbps = 128;
    return bytes / (kbps * 0.125);
}
