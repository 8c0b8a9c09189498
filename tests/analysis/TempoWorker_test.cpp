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

// The key of a song reported last by the worker; kVxNoKey when none was.
int LastFoundKey(TVxTempoWorker& worker, const std::string& song) {
    int key = kVxNoKey;
    for (const auto& [path, found] : worker.TakeFound())
        if (path == song)
            key = found.Key;
    return key;
}

// A user's key outlives a new analysis of the key (another version of the
// detector) and a restart, for the deck's song as for any other; "detected"
// takes it back.
TEST(TempoWorker, KeepsTheUsersKeyThroughAnalysisAndRestarts) {
    const fs::path folder = ScratchDir("worker-user-key");
    const std::string deckSong = VX_KEY_SONGS "/key-9-minor.wav";
    const std::string listSong = VX_KEY_SONGS "/key-0-major.wav";
    const int userKey = VxKeyOf(2, false); // D major, neither song's key
    {
        TVxTempoWorker worker(folder.string(), {}, false);
        worker.OpenSong(deckSong);
        worker.SetPlaylist({listSong});
        ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
        ASSERT_EQ(worker.SongTempo().Key, VxKeyOf(9, true));
        worker.TakeFound();
        worker.SetUserKey(deckSong, userKey);
        worker.SetUserKey(listSong, userKey);
        ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
        EXPECT_EQ(worker.SongTempo().Key, userKey);
        EXPECT_EQ(LastFoundKey(worker, listSong), userKey);
    }
    {
        // The stored keys look as an older detector left them.
        TVxTempoCache cache(folder.string());
        ASSERT_TRUE(cache.Open());
        for (const std::string& song : {deckSong, listSong})
            ASSERT_TRUE(cache.StoreKey(*VxFileKeyOf(song), VxKeyOf(5, false), 0));
    }
    TVxTempoWorker worker(folder.string(), {}, false);
    worker.OpenSong(deckSong);
    worker.SetPlaylist({listSong});
    ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
    EXPECT_EQ(worker.SongTempo().Key, userKey);
    EXPECT_EQ(LastFoundKey(worker, listSong), userKey);
    TVxTempoCache cache(folder.string());
    ASSERT_TRUE(cache.Open());
    const auto row = cache.Lookup(*VxFileKeyOf(listSong));
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->KeyVersion, kVxKeyAnalysisVersion);
    EXPECT_EQ(row->Key, VxKeyOf(0, false));

    worker.SetUserKey(listSong, kVxNoKey);
    ASSERT_TRUE(worker.WaitIdle(kPatienceMs));
    EXPECT_EQ(LastFoundKey(worker, listSong), VxKeyOf(0, false));
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
