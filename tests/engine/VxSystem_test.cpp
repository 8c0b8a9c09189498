#include "engine/VxSystem.h"

#include "EngineFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

using namespace enginetest;

namespace {

// Copies an MPEG fixture into the scratch folder (so that it can be cut).
std::string CopyOf(wavtest::TempFolder& folder, const char* fixture, const char* name) {
    std::ifstream in(MpegFixture(fixture), std::ios::binary);
    const wavtest::Bytes bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    return folder.Write(name, bytes);
}

struct SystemFixture : ::testing::Test {
    wavtest::TempFolder Folder{"engine-system"};
    TDeck Deck;
    TVxSystemTAG& System = *Deck.System;

    std::string Write(const std::string& name, const wavtest::Bytes& bytes) {
        return Folder.Write(name, bytes);
    }
    // Opens a pattern song of the given length and performs its first restart.
    void OpenPattern(uint32_t frames, const char* name = "pattern.wav") {
        ASSERT_EQ(System.OpenSong(Write(name, PatternWav(frames)).c_str(), false), 0);
        Deck.Step();
    }
    uint32_t PositionMs() { return Deck.Time().PositionMs; }
    // The song frame heard last, or -1 for silence.
    int64_t LastHeardFrame() {
        const size_t n = Deck.Output.size();
        return PatternFrame(Deck.Output[n - 2], Deck.Output[n - 1]);
    }
};

// ------------------------------------------------------------ whole songs

// Output index at which reference sample refFrom is heard: the samples
// after the start's ramp match the reference exactly from there on.
size_t Alignment(const std::vector<int16_t>& out, size_t outFrom,
                 const std::vector<int16_t>& reference, size_t refFrom) {
    constexpr size_t kRun = 128;
    // An anchor past the ramp where the reference is not silent.
    size_t anchor = refFrom + 2 * kRampFrames;
    while (anchor < reference.size() && reference[anchor] == 0)
        ++anchor;
    anchor -= anchor % 2;
    if (anchor + kRun > reference.size())
        return out.size();
    const size_t lead = anchor - refFrom;
    for (size_t o = outFrom + lead; o + kRun <= out.size(); o += 2)
        if (std::equal(out.begin() + o, out.begin() + o + kRun, reference.begin() + anchor))
            return o - lead;
    return out.size();
}

// Plays a song from its start and checks that the output is the decoded PCM,
// then silence, and that the end is announced exactly when the play cursor
// enters the first block wholly after the last valid byte.
void PlayThroughAndCompare(TDeck& deck, const std::vector<int16_t>& reference,
                           uint32_t validBytes) {
    TVxSystemTAG& system = *deck.System;
    system.PlayPause();
    const uint32_t blockBytes = system.Song.EndStage.BlockBytes;
    const uint32_t size = system.Song.BufferBytes;
    const uint32_t endBlockStart = (validBytes + blockBytes - 1) / blockBytes * blockBytes % size;
    // Coarse steps until the cursor is within a tick of the end, then frame
    // by frame (the worker keeps ticking on its own period).
    uint64_t playedBytes = 0;
    while (playedBytes + 2 * kFramesPerTick * 4 < validBytes) {
        deck.Step();
        playedBytes += kFramesPerTick * 4;
        ASSERT_FALSE(system.IsEndOfSong()) << playedBytes;
    }
    bool ended = false;
    for (uint32_t f = 0; f < 4 * kFramesPerTick && !ended; ++f) {
        deck.Render(1);
        if (f % kFramesPerTick == 0) {
            deck.Clock.Advance(20);
            system.Tick();
        }
        const uint32_t cursor = deck.Cursor();
        ended = system.IsEndOfSong();
        const bool inEndBlock = cursor >= endBlockStart && cursor < endBlockStart + blockBytes;
        ASSERT_EQ(ended, inEndBlock) << "cursor " << cursor << " end block " << endBlockStart;
    }
    ASSERT_TRUE(ended);
    deck.Step(60); // more than a second of what follows

    const std::vector<int16_t>& out = deck.Output;
    const size_t shift = Alignment(out, 0, reference, 0);
    const size_t validSamples = validBytes / 2;
    ASSERT_GE(out.size(), shift + validSamples + 2 * kRate);
    for (size_t i = 2 * kRampFrames; i < validSamples; ++i)
        ASSERT_EQ(out[shift + i], reference[i]) << "sample " << i;
    for (size_t i = validSamples; i < validSamples + 2 * kRate; ++i)
        ASSERT_EQ(out[shift + i], 0) << "after the end, sample " << i;
}

TEST_F(SystemFixture, WavPlaysToTheEndAsDecodedThenSilence) {
    // 2 s and 37 frames: the last 128-byte read unit is partial.
    const std::string path = Write("song.wav", PatternWav(2 * kRate + 37));
    const std::vector<int16_t> reference = DecodeWhole<TZylWAVTAG>(path);
    ASSERT_EQ(System.OpenSong(path.c_str(), false), 0);
    Deck.Step();
    PlayThroughAndCompare(Deck, reference, uint32_t(reference.size() * 2));
}

TEST_F(SystemFixture, Mp3PlaysToTheEndAsDecodedThenSilence) {
    const std::string path = MpegFixture("cbr128_id3v1.mp3");
    const std::vector<int16_t> reference = DecodeWhole<TZylMP3TAG>(path);
    ASSERT_FALSE(reference.empty());
    ASSERT_EQ(System.OpenSong(path.c_str(), false), 0);
    EXPECT_EQ(System.Song.ChunkBytes, 36864u);
    EXPECT_EQ(System.Song.BufferBytes, 552960u);
    EXPECT_EQ(System.Song.FramesPerChunk, 8u);
    Deck.Step();
    PlayThroughAndCompare(Deck, reference, uint32_t(reference.size() * 2));
}

TEST_F(SystemFixture, WavBufferSizing) {
    OpenPattern(kRate);
    EXPECT_EQ(System.Song.ChunkBytes, 32768u);
    EXPECT_EQ(System.Song.BufferBytes, 557056u);
    EXPECT_EQ(System.Song.FramesPerChunk, 256u);
    TVxSongInfo info;
    System.GetSongInfo(info);
    EXPECT_EQ(info.BufferBytes, 557056u);
    EXPECT_EQ(info.SampleRate, 44100u);
    EXPECT_EQ(info.LengthMs, 1000u);
    EXPECT_EQ(info.LengthBytes, 176400u);
    EXPECT_EQ(info.PageMs, 250u);
}

TEST_F(SystemFixture, Mp3RestartInsideAFrameStartsAtTheRequestedSample) {
    // Exact positions need the exact frame index (the ExactSongLength mode).
    TVxSystemOptions options;
    System.GetOptions(options);
    options.OpenMode = 2;
    System.SetOptions(options);
    for (const char* name : {"vbr_noxing.mp3", "cbr128_id3v1.mp3"}) {
        SCOPED_TRACE(name);
        const std::string path = MpegFixture(name);
        const std::vector<int16_t> reference = DecodeWhole<TZylMP3TAG>(path);
        ASSERT_EQ(System.OpenSong(path.c_str(), false), 0);
        Deck.Step();
        for (bool playing : {false, true}) {
            const size_t at = 1234 * 441 / 10; // 54419: 275 frames into an MPEG frame
            System.SetPosition(1234);
            if (!playing)
                System.PlayPause();
            Deck.Step();
            Deck.Output.clear();
            Deck.Step(3);
            const std::vector<int16_t>& out = Deck.Output;
            const size_t shift = Alignment(out, 0, reference, at * 2);
            ASSERT_LT(shift, 64u);
            for (size_t i = shift + 2 * kRampFrames; i < out.size(); ++i)
                ASSERT_EQ(out[i], reference[at * 2 + i - shift]) << i;
            EXPECT_EQ(System.State, kVxPlaying);
        }
    }
}

TEST_F(SystemFixture, LowRateSongPlaysPastItsFirstChunkToItsEnd) {
    // Three seconds of 8 kHz 8-bit mono fit in one 32768-byte chunk.
    ASSERT_EQ(System.OpenSong(Write("low.wav", LongQuietWav(6000)).c_str(), false), 0);
    EXPECT_EQ(System.Song.BufferBytes, 3u * 32768u);
    Deck.Step();
    System.PlayPause();
    bool ended = false;
    for (int i = 0; i < 400 && !ended; ++i) {
        Deck.Step();
        ended = System.IsEndOfSong();
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(PositionMs(), 6000u);
}

// ----------------------------------------------------------------- transport

TEST_F(SystemFixture, OpenEntersPausedAndPlayPauseToggles) {
    EXPECT_EQ(System.State, kVxNoSong);
    OpenPattern(5 * kRate);
    EXPECT_EQ(System.State, kVxPaused);
    EXPECT_EQ(System.SongLoaded, 1u);
    System.StateChanged = 0;
    System.PlayPause();
    EXPECT_EQ(System.State, kVxPlaying);
    EXPECT_EQ(System.StateChanged, 1u);
    Deck.Step(25);
    EXPECT_TRUE(System.Song.Buffer.IsPlaying());
    const uint32_t position = PositionMs();
    EXPECT_NEAR(position, 500, 21);
    System.PlayPause();
    EXPECT_EQ(System.State, kVxPaused);
    EXPECT_FALSE(System.Song.Buffer.IsPlaying());
    EXPECT_EQ(Deck.Time().SliderMs, position); // pausing sets the cue point
}

TEST_F(SystemFixture, CueReturnsToWherePlaybackLastPaused) {
    OpenPattern(5 * kRate);
    System.SetPosition(1000);
    System.PlayPause();
    Deck.Step(25);
    System.CuePress(); // Playing -> Cued: stop and go back
    EXPECT_EQ(System.State, kVxCued);
    Deck.Step();
    EXPECT_EQ(PositionMs(), 1000u);
    EXPECT_FALSE(System.Song.Buffer.IsPlaying());
    System.PlayOrCue(); // not playing: plays
    EXPECT_EQ(System.State, kVxPlaying);
    Deck.Step(10);
    System.PlayOrCue(); // playing: cues
    EXPECT_EQ(System.State, kVxCued);
    Deck.Step();
    EXPECT_EQ(PositionMs(), 1000u);
}

TEST_F(SystemFixture, CueKeyPlaysWhileHeldOnlyWithItsFlag) {
    OpenPattern(5 * kRate);
    System.CuePress(); // Paused -> Cued
    EXPECT_EQ(System.State, kVxCued);
    System.CuePress(); // the flag is on by default
    EXPECT_EQ(System.State, kVxCuePlaying);
    Deck.Step(10);
    EXPECT_GT(PositionMs(), 100u);
    System.CueRelease();
    EXPECT_EQ(System.State, kVxCued);
    Deck.Step();
    EXPECT_EQ(PositionMs(), 0u);
    EXPECT_FALSE(System.Song.Buffer.IsPlaying());

    TVxSystemOptions options;
    System.GetOptions(options);
    options.Flags &= ~kVxOptionPioneerCueKey;
    System.SetOptions(options);
    System.CuePress();
    EXPECT_EQ(System.State, kVxCued);
    System.CueRelease();
    EXPECT_EQ(System.State, kVxCued);
}

TEST_F(SystemFixture, TransportTableWithoutASong) {
    System.PlayPause();
    System.CuePress();
    System.SearchForwardPress(0);
    System.SetState(kVxPlaying);
    EXPECT_EQ(System.State, kVxNoSong);
}

// -------------------------------------------------------------------- search

TEST_F(SystemFixture, SearchLoopHoldsTheStateAndPlayContinuesFromTheSearchPosition) {
    OpenPattern(10 * kRate);
    System.SetPosition(2000);
    Deck.Step();
    System.SearchForwardPress(3); // 1000 ms steps, fresh: waits one interval
    EXPECT_EQ(System.State, kVxSearching);
    Deck.Step(5);
    EXPECT_EQ(PositionMs(), 2000u);
    Deck.Step(6);
    EXPECT_EQ(PositionMs(), 3000u);
    System.SearchForwardRelease();
    Deck.Step(20);
    EXPECT_EQ(System.State, kVxSearching); // releasing only stops the steps
    EXPECT_EQ(PositionMs(), 3000u);
    System.PlayPause();
    EXPECT_EQ(System.State, kVxPlaying);
    Deck.Output.clear();
    Deck.Step(5);
    EXPECT_NEAR(double(LastHeardFrame()), 3.1 * kRate, 200);
    EXPECT_EQ(Deck.Time().SliderMs, 3000u);
}

TEST_F(SystemFixture, AcceleratingSearchFollowsItsSchedule) {
    TVxSystemOptions options;
    System.GetOptions(options);
    options.Flags &= ~kVxOptionSearchLoop; // search while playing, no loop
    System.SetOptions(options);
    ASSERT_EQ(System.OpenSong(Write("long.wav", LongQuietWav(30000)).c_str(), false), 0);
    Deck.Step();
    System.SearchForwardPress(0);
    EXPECT_EQ(System.State, kVxPaused);
    std::vector<int> steps, ticks;
    uint32_t last = 0;
    for (int tick = 1; tick <= 400 && steps.size() < 45; ++tick) {
        Deck.Step();
        const uint32_t now = PositionMs();
        if (now != last) {
            steps.push_back(int(now - last));
            ticks.push_back(tick);
            last = now;
        }
    }
    const int expected[] = {10, 20, 40, 80, 160, 320, 640, 1280, 1431};
    ASSERT_EQ(steps.size(), 45u);
    for (size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(steps[i], expected[i / 5]) << "step " << i;
    // Not fresh (no loop): the first step at the next tick (its surplus of
    // 21 ms carries over); then 200 ms and 100 ms apart; never two in a tick.
    EXPECT_EQ(ticks[0], 1);
    EXPECT_EQ(ticks[1] - ticks[0], 9);
    EXPECT_EQ(ticks[2] - ticks[1], 10);
    EXPECT_EQ(ticks[6] - ticks[5], 5);
    for (size_t i = 1; i < ticks.size(); ++i)
        EXPECT_GE(ticks[i] - ticks[i - 1], 1);
    EXPECT_EQ(ticks[44] - ticks[35], 9); // one step per tick at the end

    System.SearchForwardRelease();
    System.SearchBackwardPress(0);
    for (int tick = 0; tick < 400; ++tick)
        Deck.Step();
    EXPECT_EQ(PositionMs(), 0u); // a backward search stops at the start
}

TEST_F(SystemFixture, FixedSearchStepsAndSmallStepsThatDoNotSeek) {
    TVxSystemOptions options;
    System.GetOptions(options);
    options.Flags &= ~kVxOptionSearchLoop;
    System.SetOptions(options);
    OpenPattern(10 * kRate);
    System.SetPosition(5005);
    System.SearchBackwardPress(2); // -100 ms every 150 ms
    Deck.Step();
    EXPECT_EQ(PositionMs(), 4905u);
    Deck.Step(8);
    EXPECT_EQ(PositionMs(), 4805u);
    System.SearchBackwardRelease();
    System.SetPosition(5005);
    System.SearchForwardPress(5); // +10 ms
    Deck.Step();
    EXPECT_EQ(PositionMs(), 5015u);
}

TEST_F(SystemFixture, SeekBeyondTheEndGoesToTheEnd) {
    OpenPattern(kRate);
    System.SetPosition(99999);
    EXPECT_EQ(PositionMs(), 1000u);
    EXPECT_EQ(Deck.Time().SliderMs, 1000u);
}

// ------------------------------------------------------------ pitch, volume

TEST_F(SystemFixture, PitchReachesTheDeviceBuffer) {
    OpenPattern(kRate);
    System.SetPitch(8000);
    TVxPitchInfo info;
    System.GetPitchInfo(info);
    EXPECT_EQ(info.Frequency, 47627);
    EXPECT_EQ(System.PitchChanged, 0u);
    EXPECT_EQ(System.Song.Buffer.GetFrequency(), 47627u);
    System.PitchUpPress(0); // push bend on top of the pitch
    Deck.Step();
    System.GetPitchInfo(info);
    EXPECT_EQ(info.Bend, 500);
    EXPECT_EQ(info.Frequency, 47848); // 8000 + 500 units
    System.PitchUpRelease();
    System.GetPitchInfo(info);
    EXPECT_EQ(info.Frequency, 47627);
    TVxPitchLimits limits;
    System.GetPitchLimits(limits);
    EXPECT_EQ(limits.NullZone, 571);
}

TEST_F(SystemFixture, PitchSlideThroughTheWorkerStopsAtTheLimit) {
    OpenPattern(kRate);
    System.SetPitch(15500);
    System.PitchUpPress(3);
    Deck.Step();
    TVxPitchInfo info;
    System.GetPitchInfo(info);
    EXPECT_EQ(info.Pitch, 16000);
    Deck.Step(10);
    System.GetPitchInfo(info);
    EXPECT_EQ(info.SlideStep, 0);
    EXPECT_EQ(System.PitchControl.Sliding, false);
}

// The worker sleeps only while nothing goes on with time: each command that
// starts something keeps it ticking until that is over and the buffer is
// full again; commands that start nothing leave it asleep.
TEST_F(SystemFixture, TheWorkerRestsOnlyWhileNothingGoesOnWithTime) {
    EXPECT_FALSE(System.NeedsTicks()) << "no song";
    OpenPattern(10 * kRate);
    const auto settle = [&](const char* what) {
        for (int i = 0; i < 100 && System.NeedsTicks(); ++i)
            Deck.Step();
        EXPECT_FALSE(System.NeedsTicks()) << "still busy after " << what;
    };
    settle("the open's fill");
    struct TCase {
        const char* What;
        void (*Start)(TVxSystemTAG&);
        void (*End)(TVxSystemTAG&);
    };
    const TCase cases[] = {
        {"play", [](TVxSystemTAG& s) { s.PlayPause(); }, [](TVxSystemTAG& s) { s.PlayPause(); }},
        {"seek", [](TVxSystemTAG& s) { s.SetPosition(4000); }, [](TVxSystemTAG&) {}},
        {"cue play",
         [](TVxSystemTAG& s) {
             s.CuePress(); // cued: the next press plays while held
             s.CueRelease();
             s.CuePress();
         },
         [](TVxSystemTAG& s) { s.CueRelease(); }},
        {"search loop", [](TVxSystemTAG& s) { s.SearchForwardPress(0); },
         [](TVxSystemTAG& s) {
             s.SearchForwardRelease();
             s.CuePress();
         }},
        {"bend", [](TVxSystemTAG& s) { s.PitchUpPress(0); },
         [](TVxSystemTAG& s) { s.PitchUpRelease(); }},
        {"slide", [](TVxSystemTAG& s) { s.PitchDownPress(1); },
         [](TVxSystemTAG& s) { s.PitchDownRelease(); }},
    };
    for (const TCase& c : cases) {
        c.Start(System);
        Deck.Step(3);
        EXPECT_TRUE(System.NeedsTicks()) << c.What;
        c.End(System);
        settle(c.What);
    }
    TVxSystemOptions options;
    System.GetOptions(options);
    options.Flags &= ~kVxOptionSearchLoop;
    System.SetOptions(options);
    System.SearchBackwardPress(2); // steps while paused, without the loop
    Deck.Step(3);
    EXPECT_TRUE(System.NeedsTicks()) << "search steps";
    System.SearchBackwardRelease();
    settle("search steps");

    System.SetPitch(4000);
    System.SetVolume(50);
    System.ToggleTimeMode();
    EXPECT_FALSE(System.NeedsTicks()) << "commands that start nothing";
}

TEST_F(SystemFixture, VolumeBalanceDownmixAndMuteReachBufferAndMeter) {
    OpenPattern(kRate);
    System.SetVolume(50);
    System.SetBalance(-40, 1);
    EXPECT_EQ(System.Song.Buffer.Volume, 50u);
    EXPECT_EQ(System.Song.Buffer.Pan, -40);
    EXPECT_EQ(System.Meter.Mode, TVxVMetterDSPTAG::ModeLeft);
    EXPECT_FLOAT_EQ(System.Meter.LeftScale, 127.5f);
    EXPECT_FLOAT_EQ(System.Meter.RightScale, 127.5f);
    System.MuteOn();
    System.SetVolume(70);
    EXPECT_EQ(System.Song.Buffer.Muted, 1u);
    EXPECT_EQ(System.Song.Buffer.GetEffectiveVolume(), 0u);
    System.MuteOff();
    EXPECT_EQ(System.Song.Buffer.GetEffectiveVolume(), 70u);
    // A new song gets the volume and balance of the knobs.
    OpenPattern(kRate, "second.wav");
    EXPECT_EQ(System.Song.Buffer.Volume, 70u);
    EXPECT_EQ(System.Song.Buffer.Pan, -40);
}

// The fold acts on what is heard, not on audio written seconds ahead: the
// next tick after the knob crosses the centre already sounds on the new side.
TEST_F(SystemFixture, DownmixFollowsTheBalanceAtOnce) {
    const std::string path = Write("song.wav", PatternWav(kRate));
    System.SetBalance(-40, 1);
    ASSERT_EQ(System.OpenSong(path.c_str(), false), 0);
    System.PlayPause();
    Deck.Step(20);
    for (int side : {-40, 40}) {
        SCOPED_TRACE(side);
        System.SetBalance(side, 1);
        Deck.Output.clear();
        Deck.Step(1);
        size_t sounding = 0;
        for (size_t i = 0; i + 1 < Deck.Output.size(); i += 2) {
            const int16_t silent = side < 0 ? Deck.Output[i + 1] : Deck.Output[i];
            const int16_t folded = side < 0 ? Deck.Output[i] : Deck.Output[i + 1];
            ASSERT_EQ(silent, 0) << i;
            sounding += folded != 0 ? 1 : 0;
        }
        EXPECT_GT(sounding, kFramesPerTick / 2);
    }
}

// --------------------------------------------------------------- time texts

TEST_F(SystemFixture, TimeTextsElapsedRemainingAndClamped) {
    ASSERT_EQ(System.OpenSong(Write("t.wav", LongQuietWav(200000)).c_str(), false), 0);
    Deck.Step();
    System.SetPosition(65432);
    TVxTimeInfo time = Deck.Time();
    EXPECT_STREQ(time.TimeText, "a01:05");
    EXPECT_STREQ(time.HundredthsText, "43");
    System.ToggleTimeMode();
    time = Deck.Time();
    EXPECT_STREQ(time.TimeText, "-02:14"); // 134568 ms left
    EXPECT_STREQ(time.HundredthsText, "56");
    // Real time at +8 %: the shown times shrink by 100000 / 108000.
    System.SetPitch(8000);
    System.ToggleRealTime();
    time = Deck.Time();
    EXPECT_EQ(time.ShownElapsedMs, int(65432 * (100000.0 / 108000)));
    EXPECT_EQ(time.ShownLengthMs, int(200000 * (100000.0 / 108000)));
    // A shown elapsed time past the shown length reads zero, never negative.
    System.Song.Time.PositionMs = 250000;
    time = Deck.Time();
    EXPECT_STREQ(time.TimeText, "-00:00");
    EXPECT_STREQ(time.HundredthsText, "00");
    System.CloseSong();
    time = Deck.Time();
    EXPECT_STREQ(time.TimeText, "abb:bb");
    EXPECT_STREQ(time.HundredthsText, "bb");
    EXPECT_EQ(time.PositionMs, 0u);
}

TEST_F(SystemFixture, PageSizeOfThePositionSlider) {
    TVxSongInfo info;
    ASSERT_EQ(System.OpenSong(Write("a.wav", LongQuietWav(50000)).c_str(), false), 0);
    System.GetSongInfo(info);
    EXPECT_EQ(info.PageMs, 12500u);
    ASSERT_EQ(System.OpenSong(Write("b.wav", LongQuietWav(60000)).c_str(), false), 0);
    System.GetSongInfo(info);
    EXPECT_EQ(info.PageMs, 30000u);
    System.CloseSong();
    info = System.Song.Info;
    EXPECT_STREQ(info.Title, "-");
    EXPECT_EQ(info.LengthMs, 10u);
    EXPECT_EQ(info.PageMs, 1u);
    EXPECT_EQ(info.SampleRate, 1000u);
}

// ------------------------------------------------------------ failures

TEST_F(SystemFixture, FailureTitles) {
    TVxSongInfo info;
    EXPECT_EQ(System.OpenSong(nullptr, false), -1);
    EXPECT_NE(std::strstr(DiagLastMessage(), "Can't open"), nullptr);

    EXPECT_EQ(System.OpenSong(Write("noise.xyz", wavtest::Ramp(3000)).c_str(), false), -2);
    System.GetSongInfo(info);
    EXPECT_STREQ(info.Title, "(Unsupported) noise.xyz");
    EXPECT_EQ(System.State, kVxNoSong);

    EXPECT_EQ(System.OpenSong(Write("broken.wav", wavtest::Ramp(300)).c_str(), false), -2);
    EXPECT_EQ(System.SongInfoChanged, 1u);
    System.GetSongInfo(info);
    EXPECT_STREQ(info.Title, "(ERROR) broken.wav");
    EXPECT_EQ(System.SongInfoChanged, 0u);
    EXPECT_EQ(System.SongLoaded, 0u);
}

TEST_F(SystemFixture, TitleFromTheFileNameWithBlanksForUnderscores) {
    OpenPattern(kRate, "My_Best_Song.wav");
    TVxSongInfo info;
    System.GetSongInfo(info);
    EXPECT_STREQ(info.Title, "My Best Song");
}

TEST_F(SystemFixture, MpegDataUnderAnotherExtensionFallsBackToTheFirstDecoder) {
    ASSERT_EQ(System.OpenSong(CopyOf(Folder, "cbr128_id3v1.mp3", "song.dat").c_str(), false), 0);
    EXPECT_NE(dynamic_cast<TZylMP3TAG*>(System.Song.Decoder.get()), nullptr);
}

TEST_F(SystemFixture, TruncatedWhilePlayingEndsInSilence) {
    const std::string wav = Write("cut.wav", PatternWav(8 * kRate));
    const std::string mp3 = CopyOf(Folder, "vbr_xing.mp3", "cut.mp3");
    for (const std::string& path : {wav, mp3}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(System.OpenSong(path.c_str(), false), 0);
        System.PlayPause();
        Deck.Step(10);
        // Cut after about a second of audio, while three seconds are buffered.
        const off_t keep = path == wav ? off_t(kRate) * 4 : 16000;
        ASSERT_EQ(::truncate(path.c_str(), keep), 0);
        bool ended = false;
        for (int i = 0; i < 600 && !ended; ++i) {
            Deck.Step();
            ended = System.IsEndOfSong();
        }
        EXPECT_TRUE(ended);
        Deck.Output.clear();
        Deck.Step(10);
        EXPECT_TRUE(
            std::all_of(Deck.Output.begin(), Deck.Output.end(), [](int16_t v) { return v == 0; }));
    }
}

TEST_F(SystemFixture, DeletedWhilePlayingStillPlaysToItsEnd) {
    const std::string path = Write("gone.wav", PatternWav(2 * kRate));
    ASSERT_EQ(System.OpenSong(path.c_str(), false), 0);
    System.PlayPause();
    Deck.Step(5);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    bool ended = false;
    for (int i = 0; i < 300 && !ended; ++i) {
        Deck.Step();
        ended = System.IsEndOfSong();
    }
    EXPECT_TRUE(ended);
}

TEST_F(SystemFixture, SecondSongWhileTheFirstPlaysAndCloseDuringASearchLoop) {
    OpenPattern(5 * kRate, "first.wav");
    System.PlayPause();
    Deck.Step(10);
    OpenPattern(5 * kRate, "second.wav");
    EXPECT_EQ(System.State, kVxPaused);
    EXPECT_EQ(PositionMs(), 0u);
    System.SearchForwardPress(0);
    Deck.Step(30);
    System.CloseSong();
    EXPECT_EQ(System.State, kVxNoSong);
    Deck.Step(5);
    EXPECT_FALSE(System.IsEndOfSong());
}

TEST_F(SystemFixture, SongFileInfoWithoutOpening) {
    char name[kSongNameSize] = {};
    uint32_t length = 0;
    EXPECT_EQ(System.GetSongFileInfo(Write("x_y.wav", PatternWav(kRate)).c_str(), name, &length),
              1);
    EXPECT_EQ(length, 1000u);
    EXPECT_EQ(System.SongLoaded, 0u);
}

} // namespace
