#include "engine/VxDSP.h"

#include "EngineTestSupport.h"
#include "engine/device/ZylDS.h"

#include <gtest/gtest.h>

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
    meter.SetDownmix(true); // downmix scales both sides by Volume * 2.55
    meter.NotifyPan(-40);
    meter.GetLevels(left, right);
    EXPECT_EQ(left, 127);
    EXPECT_EQ(right, 127);
}

TEST_F(MeterFixture, DownmixAtBalanceMinus40SilencesTheRightAndAveragesOnTheLeft) {
    TVxVMetterDSPTAG meter;
    MakeBuffer(557056);
    meter.Start(&Buffer, 32768);
    meter.SetDownmix(true);
    meter.NotifyPan(-40);
    EXPECT_EQ(meter.Mode, TVxVMetterDSPTAG::ModeLeft);
    std::vector<int16_t> data = Frames(100, 1000, 3001);
    data[2] = -32768;
    data[3] = -32767;
    meter.Process(Bytes(data), 0, 0, 400, 400);
    EXPECT_EQ(data[0], 2000);
    EXPECT_EQ(data[1], 0);
    EXPECT_EQ(data[2], -32768); // arithmetic shift of -65535
    EXPECT_EQ(data[3], 0);
    meter.NotifyPan(25); // the other side
    EXPECT_EQ(meter.Mode, TVxVMetterDSPTAG::ModeRight);
    std::vector<int16_t> other = Frames(4, 10, 20);
    meter.Process(Bytes(other), 0, 0, 16, 16);
    EXPECT_EQ(other[0], 0);
    EXPECT_EQ(other[1], 15);
    meter.NotifyPan(0); // centred: nothing folded
    std::vector<int16_t> centred = Frames(4, 10, 20);
    meter.Process(Bytes(centred), 0, 0, 16, 16);
    EXPECT_EQ(centred[0], 10);
    EXPECT_EQ(centred[1], 20);
}

TEST_F(MeterFixture, EightBitStereoDownmixUsesUnsignedSilence) {
    TVxVMetterDSPTAG meter;
    MakeBuffer(88200 * 2, 2, 8);
    meter.Start(&Buffer, 32768);
    EXPECT_EQ(meter.Kind, TVxVMetterDSPTAG::Kind8Stereo);
    meter.SetDownmix(true);
    meter.NotifyPan(-10);
    std::vector<uint8_t> data = {200, 100, 255, 255};
    meter.Process(data.data(), 0, 0, 4, 4);
    EXPECT_EQ(data, (std::vector<uint8_t>{150, 128, 255, 128}));
}

using EndStageFixture = StageFixture;

TEST_F(EndStageFixture, EndStartsInTheFirstBlockWhollyAfterTheSong) {
    TVxControlDSPTAG stage;
    MakeBuffer(557056);
    stage.Start(&Buffer, 32768);
    EXPECT_EQ(stage.BlockBytes, 160u);
    // A chunk at 32768 whose first 1000 bytes are song: the song's last byte
    // lies in block (32768 + 999) / 160 = 211, so the end starts at block 212.
    stage.Process(nullptr, 0, 32768, 32768, 1000);
    Buffer.SetPlayCursor(212 * 160 - 4);
    EXPECT_FALSE(stage.IsEndOfSong());
    Buffer.SetPlayCursor(212 * 160);
    EXPECT_TRUE(stage.IsEndOfSong());
    Buffer.SetPlayCursor(65535);
    EXPECT_TRUE(stage.IsEndOfSong());
    Buffer.SetPlayCursor(65600); // the next chunk was not written as silence
    EXPECT_FALSE(stage.IsEndOfSong());
    // A fully valid chunk marks nothing.
    stage.Process(nullptr, 0, 0, 32768, 32768);
    Buffer.SetPlayCursor(0);
    EXPECT_FALSE(stage.IsEndOfSong());
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
