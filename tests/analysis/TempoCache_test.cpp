#include "analysis/VxTempoCache.h"
#include "diag/Diag.h"
#include "tests/analysis/TempoTestSongs.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace tempotest;

TVxFileKey Key(const std::string& path, std::int64_t size = 1000, std::int64_t mtime = 42) {
    return {path, size, mtime};
}

TEST(TempoCache, KeepsTempoAcrossRestartsAndNeverLetsDetectionOverwriteATap) {
    const fs::path dir = ScratchDir("cache-restart");
    {
        TVxTempoCache cache(dir.string());
        ASSERT_TRUE(cache.Open());
        ASSERT_TRUE(cache.StoreDetected(Key("/a.mp3"), {125.004, 31.5}, 1));
        ASSERT_TRUE(cache.StoreUser(Key("/b.mp3"), 99.5));
        ASSERT_TRUE(cache.StoreDetected(Key("/b.mp3"), {133.0, 0}, 1));
    }
    TVxTempoCache cache(dir.string());
    ASSERT_TRUE(cache.Open());
    const auto a = cache.Lookup(Key("/a.mp3"));
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->Version, 1);
    EXPECT_DOUBLE_EQ(a->Bpm(), 125.004);
    EXPECT_DOUBLE_EQ(a->Detected.FirstBeatMs, 31.5);
    const auto b = cache.Lookup(Key("/b.mp3"));
    ASSERT_TRUE(b.has_value());
    EXPECT_DOUBLE_EQ(b->Bpm(), 99.5);
    EXPECT_DOUBLE_EQ(b->Detected.Bpm, 133.0);
    // Another version of the file (new size or time) is another song.
    EXPECT_FALSE(cache.Lookup(Key("/a.mp3", 1001)).has_value());
    EXPECT_FALSE(cache.Lookup(Key("/a.mp3", 1000, 43)).has_value());
}

TEST(TempoCache, ADamagedDatabaseIsMovedAsideAndRebuilt) {
    const fs::path dir = ScratchDir("cache-damaged");
    const std::string garbage(8192, 'x');
    WriteAll((dir / "tempo.db").string(), garbage);
    TVxTempoCache cache(dir.string());
    ASSERT_TRUE(cache.Open());
    EXPECT_TRUE(cache.StoreDetected(Key("/a.mp3"), {128, 0}, 1));
    EXPECT_TRUE(cache.Lookup(Key("/a.mp3")).has_value());
    EXPECT_EQ(ReadAll((dir / "tempo.db.damaged").string()), garbage);
}

TEST(TempoCache, AFolderThatCannotBeMadeLeavesNoCache) {
    const fs::path dir = ScratchDir("cache-blocked");
    WriteAll((dir / "file").string(), "a file where the folder should be");
    TVxTempoCache cache((dir / "file" / "Vexaline").string());
    EXPECT_FALSE(cache.Open());
    EXPECT_FALSE(cache.Lookup(Key("/a.mp3")).has_value());
    EXPECT_FALSE(cache.StoreUser(Key("/a.mp3"), 120));
    EXPECT_NE(std::string(DiagLastMessage()).find("VxTempo:"), std::string::npos);
}

// Several copies of the program write at once, each its own songs and all
// the same one: every write lands, and none sees the database locked.
TEST(TempoCache, SeveralProcessesWriteAtOnceWithoutLosingAny) {
    const fs::path dir = ScratchDir("cache-processes");
    constexpr int kProcesses = 6;
    constexpr int kSongsEach = 40;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            TVxTempoCache cache(dir.string());
            bool ok = cache.Open();
            for (int s = 0; s < kSongsEach && ok; ++s) {
                const std::string song = "/p" + std::to_string(p) + "/" + std::to_string(s);
                ok = cache.StoreDetected(Key(song), {100.0 + s, 0}, 1) &&
                     cache.StoreUser(Key("/shared.mp3"), 100.0 + p) &&
                     cache.Lookup(Key(song)).has_value();
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TVxTempoCache cache(dir.string());
    ASSERT_TRUE(cache.Open());
    for (int p = 0; p < kProcesses; ++p)
        for (int s = 0; s < kSongsEach; ++s) {
            const auto found =
                cache.Lookup(Key("/p" + std::to_string(p) + "/" + std::to_string(s)));
            ASSERT_TRUE(found.has_value()) << p << "/" << s;
            EXPECT_DOUBLE_EQ(found->Bpm(), 100.0 + s);
        }
    ASSERT_TRUE(cache.Lookup(Key("/shared.mp3")).has_value());
}

} // namespace
