// MPEG audio frame headers: the four header bytes as one big-endian value
// (bit 31 is the top bit of the first file byte), checked and decoded with
// the standard's bitrate and sample-rate tables for MPEG-1, MPEG-2 and
// MPEG-2.5, layers I to III. Pure functions, no I/O.
#pragma once

#include <cstdint>

struct TMPEGFrameInfo {
    uint32_t Version;         // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
    uint32_t Layer;           // 1, 2, 3
    uint32_t SampleRate;      // Hz
    uint32_t Bitrate;         // kbit/s
    uint32_t Channels;        // 1 for the single-channel mode 3, else 2
    uint32_t ChannelMode;     // 0..3
    uint32_t SamplesPerFrame; // 384, 1152 or 576
};

// Sync, version, layer, bitrate index (not free format) and sample rate.
int IsValidHeader(uint32_t header);
// kbit/s from the tables, without testing the sample-rate index; 0 when the
// version, layer or bitrate index is not usable.
uint32_t HeaderBitrate(uint32_t header);
// 1 and every field filled for a valid header, else 0.
int DecodeFrameHeader(uint32_t header, TMPEGFrameInfo* info);
// Bytes of the frame including its header, 0 for an invalid header.
uint32_t FrameLength(uint32_t header);
// Milliseconds that bytes of a stream at kbit/s last; 0 kbit/s counts as 128.
double DurationMs(double bytes, uint32_t kbps);
// A non-negative time or count truncated toward zero into 32 bits,
// saturating: a damaged header (a Xing frame count near 2^32, a stray low
// bitrate in a large file) must not overflow the conversion.
uint32_t TruncToU32(double value);
// Sample rate of a header's version and sample-rate index, 0 if reserved.
uint32_t HeaderSampleRate(uint32_t header);

// Decoded PCM bytes of one frame: samples per frame x channels x 2.
inline uint32_t DecodedFrameBytes(const TMPEGFrameInfo& info) {
    return info.SamplesPerFrame * info.Channels * 2;
}
