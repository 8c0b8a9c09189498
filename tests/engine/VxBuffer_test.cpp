#include "engine/VxBuffer.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace enginetest;

namespace {

constexpr uint32_t kChunk = 36864;           // 8 units of 4608 bytes
constexpr uint32_t kSize = 552960;           // 15 chunks
constexpr uint32_t kSongFrames = 1152 * 400; // about 10.4 s

struct BufferFixture : ::testing::Test {
    TManualClock Clock;
    TZylAudioTAG Audio;
    TPatternDecoder Decoder{kSongFrames};
    TVxControlDSPTAG EndStage;
    std::unique_ptr<TVxBufferTAG> Buffer;
    std::vector<int16_t> Output;

    void SetUp() override {
        UseHandSteppedDevice();
        ASSERT_EQ(Audio.Open(TZylAudioParams()), 0);
        ASSERT_EQ(Decoder.Open("x", 0), 0);
        Buffer = std::make_unique<TVxBufferTAG>(Clock);
        Buffer->AttachStage(&EndStage);
        ASSERT_EQ(Buffer->Open(&Audio, &Decoder.Format, Config(), kSize), 0);
    }
    TVxBufferConfig Config() {
        TVxBufferConfig config;
        config.ChunkBytes = kChunk;
        config.FramesPerChunk = 8;
        config.BytesPerFrame = 4608;
        // The fixture owns the decoder; the buffer shares it without owning.
        config.Decoder = std::shared_ptr<TVxPlayerTAG>(std::shared_ptr<void>(), &Decoder);
        return config;
    }
    // One service as the worker does it, its reads run in place.
    void Service() {
        for (auto read = Buffer->BeginService(); read; read = Buffer->FinishService(*read))
            read->Run();
    }
    // Plays frames of output, then services once.
    void Step(uint32_t frames = kFramesPerTick) {
        const std::vector<int16_t> out = ZylNullStepSamples(frames);
        Output.insert(Output.end(), out.begin(), out.end());
        Clock.Advance(frames * 1000 / kRate);
        Service();
    }
    int64_t OutputFrame(size_t frame) const {
        return PatternFrame(Output[2 * frame], Output[2 * frame + 1]);
    }
    size_t OutputFrames() const { return Output.size() / 2; }
};

TEST_F(BufferFixture, SizeThatIsNotWholeChunksIsRefused) {
    TVxBufferTAG other(Clock);
    EXPECT_EQ(other.Open(&Audio, &Decoder.Format, Config(), kSize + 4), -1);
    EXPECT_NE(std::strstr(DiagLastMessage(), "VxBuffer: Bad config data"), nullptr);
    EXPECT_EQ(other.Active, 0u);
}

TEST_F(BufferFixture, RestartInsideADecoderFrameStartsAtTheRequestedSample) {
    Buffer->RequestRestart(1234, true);
    Service();
    const uint32_t target = 1234 * 441 / 10; // 54419, 275 frames into its unit
    EXPECT_EQ(Buffer->RestartOffset, (target % 1152) * 4);
    EXPECT_EQ(Buffer->GetPlayCursor(), Buffer->RestartOffset);
    Step();
    ASSERT_GE(OutputFrames(), kFramesPerTick);
    // The ramp shapes the level of the first frames, not their position.
    for (size_t i = kRampFrames; i < kFramesPerTick; ++i)
        ASSERT_EQ(OutputFrame(i), target + i) << i;
    // The played count starts at the restart position, not the unit's start.
    EXPECT_EQ(Buffer->TakePlayedBytes(), int(kFramesPerTick * 4));
    EXPECT_EQ(Buffer->TakePlayedBytes(), 0);
}

// The worker reads without the engine lock: a cue pressed while a seek's
// read is out must win, and the read of the old position must not play.
TEST_F(BufferFixture, RestartAskedForWhileARestartsReadIsOutWins) {
    Buffer->RequestRestart(1000, true);
    const std::shared_ptr<TVxChunkRead> read = Buffer->BeginService();
    ASSERT_TRUE(read && read->Restart);
    EXPECT_EQ(Buffer->BeginService(), nullptr) << "one read of a song at a time";
    Buffer->RequestRestart(2345, true);
    read->Run();
    EXPECT_EQ(Buffer->FinishService(*read), nullptr);
    EXPECT_TRUE(Buffer->RestartOutstanding());
    EXPECT_FALSE(Buffer->IsPlaying());
    Service();
    Step();
    const uint32_t target = 2345 * 441 / 10;
    for (size_t i = kRampFrames; i < kFramesPerTick; ++i)
        ASSERT_EQ(OutputFrame(i), target + i) << i;
}

TEST_F(BufferFixture, RestartKeepsTheDeviceRunningOrStopped) {
    Buffer->RequestRestart(0, true);
    Step();
    Step();
    ASSERT_TRUE(Buffer->IsPlaying());
    Buffer->RequestRestart(5000, Buffer->WillPlay());
    Step();
    EXPECT_TRUE(Buffer->IsPlaying());
    Buffer->Stop();
    Buffer->RequestRestart(2000, Buffer->WillPlay());
    Step();
    EXPECT_FALSE(Buffer->IsPlaying());
    EXPECT_EQ(Buffer->GetPlayCursor(), Buffer->RestartOffset);
}

TEST_F(BufferFixture, PlayAskedForWhileARestartIsPendingIsKeptForTheRestart) {
    Buffer->RequestRestart(0, false);
    Buffer->Play(); // e.g. autoplay before the worker came round
    Step();
    EXPECT_TRUE(Buffer->IsPlaying());
    Buffer->RequestRestart(3000, true);
    Buffer->Stop();
    Step();
    EXPECT_FALSE(Buffer->IsPlaying());
}

TEST_F(BufferFixture, ChunksChaseThePlayCursorOneAtATime) {
    Buffer->RequestRestart(0, false);
    Service(); // the restart's chunk and the first regular one
    EXPECT_EQ(Buffer->WritePos, 2 * kChunk);
    for (int i = 0; i < 30; ++i)
        Service();
    // Writing stops while no more than one chunk is free: the chunk under
    // the cursor is never overwritten.
    EXPECT_EQ(Buffer->WritePos, kSize - kChunk);
    EXPECT_EQ(Buffer->FreeBytes, kChunk);
    Buffer->SetPlayCursor(kChunk + 4);
    Service();
    EXPECT_EQ(Buffer->WritePos, kSize);
    Service();
    EXPECT_EQ(Buffer->WritePos, kChunk); // wrapped and wrote the first chunk again
    Buffer->SetPlayCursor(kChunk);
    Service();
    EXPECT_EQ(Buffer->FreeBytes, kSize); // cursor on the write position: all free
}

TEST_F(BufferFixture, SearchLoopRepeatsTheSamePieceWithAPause) {
    Buffer->StartLoop(1000);
    std::vector<size_t> passStarts;
    for (int i = 0; i < 60; ++i) {
        const size_t before = OutputFrames();
        Step();
        // A pass begins with a ramp: its first frame is scaled down.
        for (size_t f = std::max<size_t>(before, kRampFrames); f < OutputFrames(); ++f)
            if (OutputFrame(f) == 44100 + kRampFrames && OutputFrame(f - kRampFrames) != 44100)
                passStarts.push_back(f - kRampFrames);
    }
    ASSERT_GE(passStarts.size(), 4u);
    for (size_t p = 1; p + 1 < passStarts.size(); ++p) {
        // Each pass plays the same piece: at least 200 ms, and it is cut at
        // the first service after the cursor passes its end.
        const size_t length = passStarts[p] - passStarts[p - 1];
        EXPECT_GE(length, 8820u);
        EXPECT_LE(length, 8820u + kFramesPerTick + 1);
        const size_t from = passStarts[p];
        for (size_t f = kRampFrames; f < 8820; ++f)
            ASSERT_EQ(OutputFrame(from + f), 44100 + int64_t(f));
    }
    // The device paused 50 ms before each repeat.
    EXPECT_GE(Clock.Sleeps, passStarts.size() - 1);
    EXPECT_EQ(Clock.SleptMs, 50u * Clock.Sleeps);
    EXPECT_EQ(Buffer->TakePlayedBytes(), 0); // the position stays at the loop's start

    // Ending the loop continues normally from the loop's start.
    Buffer->EndLoop();
    Output.clear();
    Step();
    EXPECT_EQ(OutputFrame(kRampFrames), 44100 + kRampFrames);
    EXPECT_NEAR(double(OutputFrame(kFramesPerTick - 1)), 44100.0 + kFramesPerTick - 1, 1);
}

TEST_F(BufferFixture, PlaybackRecoversAfterTheDecoderFellBehind) {
    Buffer->RequestRestart(0, true);
    for (int i = 0; i < 10; ++i)
        Step();
    // No service for four seconds: the cursor laps the written audio and
    // replays stale memory. Nothing detects it; nothing may break.
    for (int i = 0; i < 200; ++i) {
        const std::vector<int16_t> out = ZylNullStepSamples(kFramesPerTick);
        Output.insert(Output.end(), out.begin(), out.end());
    }
    // The decoder catches up: within one buffer length output is a
    // continuous run of the song again.
    for (int i = 0; i < 250; ++i)
        Step();
    const size_t last = OutputFrames() - 1;
    const int64_t end = OutputFrame(last);
    ASSERT_GT(end, 0);
    for (size_t back = 1; back < 44100; ++back)
        ASSERT_EQ(OutputFrame(last - back), end - int64_t(back)) << back;
}

TEST_F(BufferFixture, DecoderFailureIsReportedOnceAndTheSongRunsOutInSilence) {
    Buffer->RequestRestart(0, true);
    for (int i = 0; i < 20; ++i)
        Step();
    TReportCounter reports;
    Decoder.FailReads = true;
    const int readsBefore = Decoder.Reads;
    bool ended = false;
    for (int i = 0; i < 400 && !ended; ++i) {
        Step();
        ended = EndStage.IsEndOfSong();
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(Decoder.Reads, readsBefore + 1);
    EXPECT_EQ(TReportCounter::Count(), 1);
    // A restart gives the decoder another chance.
    Decoder.FailReads = false;
    Buffer->RequestRestart(0, true);
    Step();
    EXPECT_FALSE(EndStage.IsEndOfSong());
}

TEST_F(BufferFixture, UnitsDecodedBeforeAFailureStillPlay) {
    Decoder.FailAfterUnits = 3;
    Buffer->RequestRestart(0, true);
    Service();
    // The three units read before the failure are the song; the end starts
    // right behind them, not at the chunk's start.
    const uint32_t validFrames = 3 * TPatternDecoder::kUnitFrames;
    for (int i = 0; i < 5; ++i)
        Step();
    ASSERT_GT(OutputFrames(), validFrames + 1);
    EXPECT_EQ(OutputFrame(validFrames - 1), validFrames - 1);
    EXPECT_EQ(OutputFrame(validFrames + 1), -1);
    const uint32_t endBlock = (validFrames * 4 + EndStage.BlockBytes - 1) / EndStage.BlockBytes;
    EXPECT_EQ(EndStage.Marks[endBlock - 1], 0u);
    EXPECT_EQ(EndStage.Marks[endBlock], EndStage.Marker);
}

TEST_F(BufferFixture, CloseWakesAWaiterAndStopsTheStages) {
    Buffer->RequestRestart(0, false);
    EXPECT_TRUE(Buffer->RestartOutstanding());
    Buffer->Close();
    EXPECT_FALSE(Buffer->RestartOutstanding());
    EXPECT_TRUE(Buffer->Event.WaitFor(0));
    EXPECT_EQ(EndStage.Buffer, nullptr);
}

} // namespace
