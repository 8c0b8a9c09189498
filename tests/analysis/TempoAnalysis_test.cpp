#include "analysis/VxSongAnalysis.h"
#include "decoding/VxDecoderSet.h"
#include "tests/analysis/TempoTestSongs.h"

#include <gtest/gtest.h>

namespace {

using namespace tempotest;

TVxAnalysisResult Analyze(const std::string& path, bool cancelled = false) {
    TVxDecoderSet decoders;
    const std::atomic<bool> cancel{cancelled};
    return VxAnalyzeSong(decoders, path.c_str(), {}, cancel, kVxTempoPart);
}

// Kick-and-hat patterns (straight, swung, sixteenths), tonal loops, tempo-
// less intros and outros, 44.1 and 48 kHz, the range's very ends, an MP3,
// and a sine without a beat, which must never get a tempo. The first beat
// lies where the song's first kick or note begins, not where the onset
// detector noticed it.
TEST(TempoAnalysis, FindsEveryFixtureTempoWithinATwentiethOfABpm) {
    const std::vector<TSong> songs = FixtureSongs();
    ASSERT_GE(songs.size(), 10u);
    for (const TSong& song : songs) {
        const TVxAnalysisResult result = Analyze(song.Path);
        ASSERT_EQ(result.Status, TVxAnalysisStatus::Done) << song.Path;
        if (song.Bpm == 0)
            EXPECT_EQ(result.Tempo.Bpm, 0) << song.Path;
        else
            EXPECT_NEAR(result.Tempo.Bpm, song.Bpm, 0.05) << song.Path;
        if (song.FirstBeatMs >= 0) {
            EXPECT_NEAR(result.Tempo.FirstBeatMs, song.FirstBeatMs, 2) << song.Path;
        }
    }
}

TEST(TempoAnalysis, DamagedShortAndMissingSongsEndCleanly) {
    const fs::path dir = ScratchDir("bad-songs");
    // An MP3 with a stretch of garbage in its middle plays with a jump where
    // frames were lost: its tempo is the song's or none, never another.
    std::string mp3 = ReadAll(FixtureSong("kickhat-128.mp3"));
    ASSERT_GT(mp3.size(), 200000u);
    for (size_t i = 300000; i < 340000 && i < mp3.size(); ++i)
        mp3[i] = static_cast<char>(i * 7919 % 251);
    WriteAll((dir / "damaged.mp3").string(), mp3);
    WriteAll((dir / "text.mp3").string(), "no audio here, only words");
    const struct {
        std::string Path;
        TVxAnalysisStatus Status;
        double Bpm;
    } cases[] = {
        {SilentWav(dir / "empty.wav", 0), TVxAnalysisStatus::Done, 0},
        {SilentWav(dir / "one-second.wav", 44100), TVxAnalysisStatus::Done, 0},
        {(dir / "text.mp3").string(), TVxAnalysisStatus::Unreadable, 0},
        {(dir / "missing.wav").string(), TVxAnalysisStatus::Unreadable, 0},
    };
    for (const auto& c : cases) {
        const TVxAnalysisResult result = Analyze(c.Path);
        EXPECT_EQ(result.Status, c.Status) << c.Path;
        EXPECT_NEAR(result.Tempo.Bpm, c.Bpm, 0.05) << c.Path;
    }
    const TVxAnalysisResult damaged = Analyze((dir / "damaged.mp3").string());
    EXPECT_EQ(damaged.Status, TVxAnalysisStatus::Done);
    if (damaged.Tempo.Bpm != 0) {
        EXPECT_NEAR(damaged.Tempo.Bpm, 128, 0.05);
    }
    EXPECT_EQ(Analyze(FixtureSong("kickhat-128.wav"), true).Status, TVxAnalysisStatus::Cancelled);
}

} // namespace
