#include "analysis/VxSongAnalysis.h"
#include "analysis/VxTempoWorker.h"
#include "tests/analysis/TempoTestSongs.h"

#include <gtest/gtest.h>

namespace {

using namespace tempotest;

// Waiting for the worker is not timing: the limit only keeps a broken
// worker from hanging the suite.
constexpr unsigned kPatienceMs = 60000;

TEST(TempoWorker, FindsTheSongsTempoAndKeepsATapAcrossRestarts) {
    const fs::path cache = ScratchDir("worker-song");
    const std::string song = FixtureSong("kickhat-128.wav");
    {
        TVxTempoWorker worker(cache.string(), {}, false);
        EXPECT_FALSE(worker.SongTempo().Known);
        worker.OpenSong(song);
        ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
        EXPECT_TRUE(worker.SongTempo().Known);
        EXPECT_NEAR(worker.SongTempo().Bpm, 128, 0.05);
        const std::uint64_t generation = worker.Generation();
        worker.SetUserBpm(129.5);
        EXPECT_GT(worker.Generation(), generation);
        EXPECT_TRUE(worker.SongTempo().Tapped);
        ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
        worker.CloseSong();
        EXPECT_FALSE(worker.SongTempo().Known);
    }
    TVxTempoWorker worker(cache.string(), {}, false);
    worker.OpenSong(song);
    ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
    EXPECT_DOUBLE_EQ(worker.SongTempo().Bpm, 129.5);
    EXPECT_TRUE(worker.SongTempo().Tapped);
}

TEST(TempoWorker, AnalysesThePlaylistAheadOnlyWhileTheDeckAllowsIt) {
    const fs::path folder = ScratchDir("worker-playlist");
    const std::vector<std::string> songs = {FixtureSong("tonal-140.wav"),
                                            FixtureSong("swing-174.wav")};
    {
        TVxTempoWorker worker(folder.string(), {}, false);
        worker.SetBackgroundAllowed(false);
        worker.SetPlaylist(songs);
        ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
        TVxTempoCache cache(folder.string());
        ASSERT_TRUE(cache.Open());
        for (const std::string& song : songs)
            EXPECT_FALSE(cache.Lookup(*VxFileKeyOf(song)).has_value()) << song;
        worker.SetBackgroundAllowed(true);
        ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
    }
    TVxTempoCache cache(folder.string());
    ASSERT_TRUE(cache.Open());
    const double expected[] = {140, 174};
    for (size_t i = 0; i < songs.size(); ++i) {
        const auto found = cache.Lookup(*VxFileKeyOf(songs[i]));
        ASSERT_TRUE(found.has_value()) << songs[i];
        EXPECT_EQ(found->Version, kVxTempoAnalysisVersion);
        EXPECT_NEAR(found->Bpm(), expected[i], 0.05);
        EXPECT_NEAR(cache.BpmOf(songs[i], {}), expected[i], 0.05);
    }
    TVxTempoWorker idle(folder.string(), {});
    ASSERT_TRUE(idle.WaitIdle(kPatienceMs));
    EXPECT_TRUE(idle.PriorityLowered());
    EXPECT_EQ(cache.BpmOf(FixtureSong("sine.wav"), {}), 0);
}

} // namespace
