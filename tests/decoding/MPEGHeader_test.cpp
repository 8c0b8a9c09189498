#include "decoding/MPEGHeader.h"

#include <gtest/gtest.h>

namespace {

struct THeaderCase {
    const char* What;
    uint32_t Header;
    uint32_t Version, Layer, SampleRate, Bitrate, Channels, SamplesPerFrame, Length;
};

constexpr THeaderCase kValidHeaders[] = {
    {"MPEG-1 III 128k 44.1k joint", 0xFFFB9064, 1, 3, 44100, 128, 2, 1152, 417},
    {"MPEG-1 III 128k 44.1k padded", 0xFFFB9264, 1, 3, 44100, 128, 2, 1152, 418},
    {"MPEG-1 III 320k 32k mono", 0xFFFBE8C0, 1, 3, 32000, 320, 1, 1152, 1440},
    {"MPEG-1 II 192k 48k", 0xFFFDA404, 1, 2, 48000, 192, 2, 1152, 576},
    {"MPEG-1 I 32k 44.1k", 0xFFFF1000, 1, 1, 44100, 32, 2, 384, 32},
    {"MPEG-1 I 448k 32k padded", 0xFFFFEA00, 1, 1, 32000, 448, 2, 384, 676},
    {"MPEG-2 III 32k 22.05k mono", 0xFFF340C0, 2, 3, 22050, 32, 1, 576, 104},
    {"MPEG-2 II 160k 16k", 0xFFF5E800, 2, 2, 16000, 160, 2, 1152, 1440},
    {"MPEG-2 I 256k 24k", 0xFFF7E400, 2, 1, 24000, 256, 2, 384, 512},
    {"MPEG-2.5 III 16k 8k mono", 0xFFE328C0, 3, 3, 8000, 16, 1, 576, 144},
    {"MPEG-2.5 III 8k 11.025k", 0xFFE31000, 3, 3, 11025, 8, 2, 576, 52},
};

TEST(MPEGHeader, DecodesTheStandardsTables) {
    for (const THeaderCase& c : kValidHeaders) {
        SCOPED_TRACE(c.What);
        TMPEGFrameInfo info{};
        ASSERT_EQ(DecodeFrameHeader(c.Header, &info), 1);
        EXPECT_EQ(IsValidHeader(c.Header), 1);
        EXPECT_EQ(info.Version, c.Version);
        EXPECT_EQ(info.Layer, c.Layer);
        EXPECT_EQ(info.SampleRate, c.SampleRate);
        EXPECT_EQ(info.Bitrate, c.Bitrate);
        EXPECT_EQ(HeaderBitrate(c.Header), c.Bitrate);
        EXPECT_EQ(info.Channels, c.Channels);
        EXPECT_EQ(info.SamplesPerFrame, c.SamplesPerFrame);
        EXPECT_EQ(FrameLength(c.Header), c.Length);
        EXPECT_EQ(DecodedFrameBytes(info), c.SamplesPerFrame * c.Channels * 2);
    }
}

TEST(MPEGHeader, RejectsReservedAndUnusableFields) {
    const struct {
        const char* What;
        uint32_t Header;
    } invalid[] = {
        {"no sync", 0xFF7B9064},
        {"reserved version", 0xFFEB9064},
        {"reserved layer", 0xFFF99064},
        {"free format", 0xFFFB0064},
        {"bitrate index 15", 0xFFFBF064},
        {"reserved sample rate", 0xFFFB9C64},
        {"zeros", 0x00000000},
        {"all ones", 0xFFFFFFFF},
    };
    for (const auto& c : invalid) {
        SCOPED_TRACE(c.What);
        TMPEGFrameInfo info{};
        EXPECT_EQ(IsValidHeader(c.Header), 0);
        EXPECT_EQ(DecodeFrameHeader(c.Header, &info), 0);
        EXPECT_EQ(FrameLength(c.Header), 0u);
    }
    // The bitrate lookup does not depend on the sample-rate field.
    EXPECT_EQ(HeaderBitrate(0xFFFB9C64), 128u);
    EXPECT_EQ(HeaderBitrate(0xFFEB9064), 0u);
}

TEST(MPEGHeader, DurationOfBytesAtABitrate) {
    EXPECT_DOUBLE_EQ(DurationMs(16000, 128), 1000.0);
    EXPECT_DOUBLE_EQ(DurationMs(40000, 320), 1000.0);
    EXPECT_DOUBLE_EQ(DurationMs(16000, 0), DurationMs(16000, 128));
}

} // namespace
