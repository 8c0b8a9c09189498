#include "engine/VxDSP.h"

#include "EngineTestSupport.h"
#include "engine/device/ZylDS.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// An active device buffer of the given size on a hand-stepped device, so
// that the stages see a real play cursor.
struct StageFixture : ::testing::Test {
    TZylAudioTAG Audio;
    TZylSoundBufferTAG Buffer;

    void SetUp() override {
        enginetest::UseHandSteppedDevice();
        ASSERT_EQ(Audio.Open(TZylAudioParams()), 0);
    }
    void MakeBuffer(uint32_t size, uint16_t channels = 2, uint16_t bits = 16) {
        const TWaveFormatEx format = MakePcmFormat(channels, 44100, bits);
        ASSERT_EQ(Buffer.Create(&Audio, &format, size, kZylBufferLooping, 0), 0);
    }
};

// Stereo 16-bit frames with the given left and right values.
std::vector<int16_t> Frames(uint32_t count, int16_t left, int16_t right) {
    std::vector<int16_t> data(count * 2);
    for (uint32_t i = 0; i < count; ++i) {
        data[2 * i] = left;
        data[2 * i + 1] = right;
    }
    return data;
}

uint8_t* Bytes(std::vector<int16_t>& data) {
    return reinterpret_cast<uint8_t*>(data.data());
}

using MeterFixture = StageFixture;

TEST_F(MeterFixture, BlockGeometryFollowsTheBufferSize) {
    TVxVMetterDSPTAG meter;
    MakeBuffer(557056);
    meter.Start(&Buffer, 32768);
    EXPECT_EQ(meter.BlockFrames, 544u);
    EXPECT_EQ(meter.SamplesPerBlock, 55u);
    EXPECT_EQ(meter.BlockCount, 256u);
    EXPECT_EQ(meter.BlockBytes, 2176u);
    EXPECT_EQ(meter.Kind, TVxVMetterDSPTAG::Kind16Stereo);
    MakeBuffer(552960);
    meter.Start(&Buffer, 36864);
    EXPECT_EQ(meter.BlockFrames, 540u);
    EXPECT_EQ(meter.SamplesPerBlock, 54u); // (540 + 9) / 10: every tenth of 540 frames
    EXPECT_EQ(meter.BlockCount, 256u);
    EXPECT_EQ(meter.BlockBytes, 2160u);
}

TEST_F(MeterFixture, PeaksOfKnownSignals) {
    TVxVMetterDSPTAG meter;
    MakeBuffer(557056);
    meter.Start(&Buffer, 32768);
    meter.NotifyVolume(100);
    meter.NotifyPan(0);
    // Block 0: constant full positive level; the range starts at 0, so 127.
    std::vector<int16_t> block0 = Frames(544, 32767, 16384);
    meter.Process(Bytes(block0), 0, 0, 544 * 4, 544 * 4);
    EXPECT_EQ(meter.LeftPeaks[0], 127);
    EXPECT_EQ(meter.RightPeaks[0], 64);
    // Block 1: one examined frame (every tenth) at the negative extreme.
    std::vector<int16_t> block1 = Frames(544, 32767, 0);
    block1[2 * 20] = -32768;
    meter.Process(Bytes(block1), 0, 2176, 2176, 2176);
    EXPECT_EQ(meter.LeftPeaks[1], 255);
    EXPECT_EQ(meter.RightPeaks[1], 0);
    // Frames between the examined ones are not looked at.
    std::vector<int16_t> block2 = Frames(544, 0, 0);
    block2[2 * 15] = 32767;
    meter.Process(Bytes(block2), 0, 2 * 2176, 2176, 2176);
    EXPECT_EQ(meter.LeftPeaks[2], 0);

    int left = -1, right = -1;
    meter.GetLevels(left, right); // cursor at 0: block 0 only
    EXPECT_EQ(left, 127);
    EXPECT_EQ(right, 64);
    meter.GetLevels(left, right); // cursor has not moved: same block again
    EXPECT_EQ(left, 127);
    Buffer.SetPlayCursor(2176 + 100);
    meter.GetLevels(left, right); // blocks 0..1
    EXPECT_EQ(left, 255);
}

TEST_F(MeterFixture, LevelsScaleWithVolumeAndBalance) {
    TVxVMetterDSPTAG meter;
    MakeBuffer(557056);
    meter.Start(&Buffer, 32768);
    std::vector<int16_t> block0 = Frames(544, 32767, 32767);
    block0[0] = block0[1] = -32768;
    meter.Process(Bytes(block0), 0, 0, 2176, 2176);
    meter.NotifyVolume(50);
    meter.NotifyPan(-40); // right side attenuated to 60 %
    int left = 0, right = 0;
    meter.GetLevels(left, right);
    EXPECT_EQ(left, 127);   // 255 * 0.5
    EXPECT_EQ(right, 76);   // 255 * 0.5 * 0.6
    meter.SetDownmix(true); // downmix scales by Volume * 2.55; the silent side reads 0
    meter.NotifyPan(-40);
    meter.GetLevels(left, right);
    EXPECT_EQ(left, 127);
    EXPECT_EQ(right, 0);
}

// The same signal in every layout a device buffer may have reads the same
// peaks, and a downmix shows the average of both channels on its side only;
// the meter never alters the audio it reads.
TEST_F(MeterFixture, EveryLayoutReadsTheSamePeaksAndDownmixShowsTheAverage) {
    struct TLayout {
        uint16_t Tag;
        uint16_t Bits;
    };
    // Left at half scale, right at a quarter, as each layout writes them.
    const TLayout layouts[] = {{1, 8}, {1, 16}, {1, 24}, {1, 32}, {3, 32}};
    for (const TLayout& layout : layouts) {
        SCOPED_TRACE(testing::Message() << "tag " << layout.Tag << " bits " << layout.Bits);
        TWaveFormatEx format = MakePcmFormat(2, 44100, layout.Bits);
        format.wFormatTag = layout.Tag;
        ASSERT_EQ(
            Buffer.Create(&Audio, &format, 557056 / 4 * layout.Bits / 8, kZylBufferLooping, 0), 0);
        TVxVMetterDSPTAG meter;
        meter.Start(&Buffer, 32768);
        const uint32_t sampleBytes = layout.Bits / 8;
        std::vector<uint8_t> block(meter.BlockBytes);
        for (uint32_t frame = 0; frame < meter.BlockFrames; ++frame) {
            const bool negative = frame % 20 == 10; // examined frames swing both ways
            for (int channel = 0; channel < 2; ++channel) {
                const double value = (channel == 0 ? 0.5 : 0.25) * (negative ? -1 : 1);
                uint8_t* at = block.data() + (frame * 2 + channel) * sampleBytes;
                if (layout.Tag == 3) {
                    const auto f = static_cast<float>(value);
                    std::memcpy(at, &f, 4);
                } else if (layout.Bits == 8) {
                    *at = static_cast<uint8_t>(128 + value * 128);
                } else {
                    const auto v = static_cast<int64_t>(value * (int64_t(1) << (layout.Bits - 1)));
                    std::memcpy(at, &v, sampleBytes); // little-endian: the low bytes
                }
            }
        }
        const std::vector<uint8_t> written = block;
        meter.Process(block.data(), 0, 0, meter.BlockBytes, meter.BlockBytes);
        EXPECT_EQ(block, written);
        int left = 0, right = 0;
        meter.GetLevels(left, right);
        EXPECT_EQ(left, 128); // from -0.5 to +0.5: half of the full swing
        EXPECT_EQ(right, 64);
        meter.SetDownmix(true);
        meter.NotifyPan(30);
        meter.NotifyPosition(0);
        meter.GetLevels(left, right);
        EXPECT_EQ(left, 0);
        EXPECT_EQ(right, 96); // the average swings from -0.375 to +0.375
        meter.Stop();
        Buffer.Release();
    }
}

using EndStageFixture = StageFixture;

TEST_F(EndStageFixture, EndStartsInTheFirstBlockWhollyAfterTheSong) {
    TVxControlDSPTAG stage;
    MakeBuffer(557056);
    stage.Start(&Buffer, 32768);
    // Blocks divide the chunk of 8192 frames: 32 frames of 4 bytes.
    EXPECT_EQ(stage.BlockBytes, 128u);
    // A chunk at 32768 whose first 1000 bytes are song: the song's last byte
    // lies in block (32768 + 999) / 128 = 263, so the end starts at block 264.
    stage.Process(nullptr, 0, 32768, 32768, 1000);
    Buffer.SetPlayCursor(264 * 128 - 4);
    EXPECT_FALSE(stage.IsEndOfSong());
    Buffer.SetPlayCursor(264 * 128);
    EXPECT_TRUE(stage.IsEndOfSong());
    Buffer.SetPlayCursor(65535);
    EXPECT_TRUE(stage.IsEndOfSong());
    Buffer.SetPlayCursor(65536); // the next chunk was not written as silence
    EXPECT_FALSE(stage.IsEndOfSong());
    // A fully valid chunk marks nothing.
    stage.Process(nullptr, 0, 0, 32768, 32768);
    Buffer.SetPlayCursor(0);
    EXPECT_FALSE(stage.IsEndOfSong());
}

// The chunk written just behind the play cursor is silence after the song,
// while the cursor still plays the song's last lap in the chunk after it: no
// mark may reach into that chunk, whatever the frame size.
TEST_F(EndStageFixture, SilenceBehindTheCursorNeverMarksTheChunkBeingPlayed) {
    struct Case {
        uint16_t Channels, Bits;
        uint32_t ChunkBytes;
    };
    for (const Case c : {Case{2, 24, 33024}, Case{2, 16, 32768}, Case{2, 32, 32768},
                         Case{1, 24, 32769}, Case{2, 24, 32766}}) {
        SCOPED_TRACE(c.ChunkBytes);
        TVxControlDSPTAG stage;
        MakeBuffer(c.ChunkBytes * 3, c.Channels, c.Bits);
        stage.Start(&Buffer, c.ChunkBytes);
        ASSERT_EQ(c.ChunkBytes % stage.BlockBytes, 0u);
        stage.Process(nullptr, 0, 0, c.ChunkBytes, 0);
        const uint32_t frame = c.Channels * c.Bits / 8;
        for (uint32_t at = c.ChunkBytes; at < c.ChunkBytes + 64 * frame; at += frame) {
            Buffer.SetPlayCursor(at);
            ASSERT_FALSE(stage.IsEndOfSong()) << at;
        }
        Buffer.SetPlayCursor(c.ChunkBytes - frame);
        EXPECT_TRUE(stage.IsEndOfSong());
        Buffer.Release();
    }
}

TEST_F(EndStageFixture, MarksFromBeforeARestartNoLongerCount) {
    TVxControlDSPTAG stage;
    MakeBuffer(557056);
    stage.Start(&Buffer, 32768);
    stage.Process(nullptr, 0, 0, 32768, 0);
    Buffer.SetPlayCursor(320);
    EXPECT_TRUE(stage.IsEndOfSong());
    stage.NotifyPosition(1000);
    EXPECT_FALSE(stage.IsEndOfSong());
    // Even after the 16-bit marker wraps, old marks never match again.
    for (int i = 0; i < 70000; ++i)
        stage.NotifyPosition(0);
    EXPECT_FALSE(stage.IsEndOfSong());
    stage.Process(nullptr, 0, 0, 32768, 0);
    EXPECT_TRUE(stage.IsEndOfSong());
}

} // namespace
