#include "analysis/VxTempoCache.h"
#include "diag/Diag.h"
#include "tests/ScopedEnv.h"
#include "tests/analysis/TempoTestSongs.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <random>
#include <sys/stat.h>
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

ino_t InodeOf(const fs::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Runs sql on the database file, as another program (or a later version of
// this one) would.
void RunSql(const fs::path& db, const std::string& sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(handle);
}

int Count(const fs::path& db, const char* query) {
    sqlite3* handle = nullptr;
    sqlite3_stmt* statement = nullptr;
    int count = -1;
    if (sqlite3_open(db.c_str(), &handle) == SQLITE_OK &&
        sqlite3_prepare_v2(handle, query, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(handle);
    return count;
}

TEST(TempoCache, ADamagedDatabaseIsMovedAsideAndRebuiltKeepingEarlierDamagedCopies) {
    const fs::path dir = ScratchDir("cache-damaged");
    const std::string garbage(8192, 'x');
    WriteAll((dir / "tempo.db").string(), garbage);
    WriteAll((dir / "tempo.db.damaged").string(), "an earlier damaged copy");
    TVxTempoCache cache(dir.string());
    ASSERT_TRUE(cache.Open());
    EXPECT_TRUE(cache.StoreDetected(Key("/a.mp3"), {128, 0}, 1));
    EXPECT_TRUE(cache.Lookup(Key("/a.mp3")).has_value());
    EXPECT_EQ(ReadAll((dir / "tempo.db.damaged").string()), "an earlier damaged copy");
    EXPECT_EQ(ReadAll((dir / "tempo.db.damaged.1").string()), garbage);
}

// Intact header and table definitions over damaged data pages open as if
// whole; the first look-up or store that meets the damage moves the file
// aside, so that the songs are not analysed again on every run.
TEST(TempoCache, DamagedDataPagesFoundInUseAreMovedAsideOnce) {
    const fs::path dir = ScratchDir("cache-damaged-pages");
    {
        TVxTempoCache cache(dir.string());
        ASSERT_TRUE(cache.Open());
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(cache.StoreDetected(Key("/music/song number " + std::to_string(i)),
                                            {100.0 + i % 80, 1.5}, 1));
    } // the last connection folds the log into the file
    const fs::path db = dir / "tempo.db";
    ASSERT_FALSE(fs::exists(dir / "tempo.db-wal"));
    std::string bytes = ReadAll(db.string());
    ASSERT_GT(bytes.size(), 20u * 4096);
    // Page 1 holds the table definitions, page 2 the table's root: both
    // stay whole; every page under them is overwritten with noise.
    std::mt19937 random(27);
    for (size_t i = 2 * 4096; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(random());
    WriteAll(db.string(), bytes);

    TVxTempoCache cache(dir.string());
    ASSERT_TRUE(cache.Open());
    EXPECT_FALSE(cache.Lookup(Key("/music/song number 1234")).has_value());
    EXPECT_TRUE(ReadAll((dir / "tempo.db.damaged").string()) == bytes);
    ASSERT_TRUE(cache.StoreDetected(Key("/a.mp3"), {128, 0}, 1));
    TVxTempoCache again(dir.string());
    ASSERT_TRUE(again.Open());
    EXPECT_TRUE(again.Lookup(Key("/a.mp3")).has_value());
}

// A later version adds an index, a column and a table; an earlier one made
// the file with the tempo alone and no schema version. Both keep every row,
// taps included, and the -wal and -shm files another copy holds open are
// left alone.
TEST(TempoCache, ReadableCachesOfOtherVersionsKeepTheirTaps) {
    const struct {
        const char* Name;
        bool MadeByThisVersion;
        std::string Sql;
    } cases[] = {
        {"later", true,
         "CREATE INDEX tempo_by_bpm ON tempo(bpm);"
         "ALTER TABLE tempo ADD COLUMN mood TEXT;"
         "CREATE TABLE playlists(name TEXT); PRAGMA user_version = 99"},
        {"earlier", false,
         "CREATE TABLE tempo(path TEXT NOT NULL, size INTEGER NOT NULL,"
         " mtime_ns INTEGER NOT NULL, bpm REAL NOT NULL DEFAULT 0,"
         " first_beat_ms REAL NOT NULL DEFAULT 0, version INTEGER NOT NULL DEFAULT 0,"
         " user_bpm REAL NOT NULL DEFAULT 0, PRIMARY KEY(path, size, mtime_ns)) WITHOUT ROWID;"
         "INSERT INTO tempo(path, size, mtime_ns, user_bpm) VALUES('/tapped.mp3', 1000, 42, "
         "97.25)"},
    };
    for (const auto& c : cases) {
        const fs::path dir = ScratchDir(std::string("cache-version-") + c.Name);
        if (c.MadeByThisVersion) {
            TVxTempoCache cache(dir.string());
            ASSERT_TRUE(cache.Open());
            ASSERT_TRUE(cache.StoreUser(Key("/tapped.mp3"), 97.25));
        }
        RunSql(dir / "tempo.db", c.Sql);
        TVxTempoCache holder(dir.string());
        ASSERT_TRUE(holder.Open()) << c.Name;
        ASSERT_TRUE(fs::exists(dir / "tempo.db-wal"));
        const ino_t walInode = InodeOf(dir / "tempo.db-wal");
        TVxTempoCache cache(dir.string());
        ASSERT_TRUE(cache.Open()) << c.Name;
        const auto tapped = cache.Lookup(Key("/tapped.mp3"));
        ASSERT_TRUE(tapped.has_value()) << c.Name;
        EXPECT_DOUBLE_EQ(tapped->UserBpm, 97.25) << c.Name;
        EXPECT_TRUE(cache.StoreDetected(Key("/new.mp3"), {120, 0}, 1)) << c.Name;
        EXPECT_TRUE(holder.Lookup(Key("/new.mp3")).has_value()) << c.Name;
        EXPECT_EQ(InodeOf(dir / "tempo.db-wal"), walInode) << c.Name;
        EXPECT_FALSE(fs::exists(dir / "tempo.db.damaged")) << c.Name;
    }
}

// Another program's table of the same name is not this cache: no cache
// this run, and the file keeps its data where it is.
TEST(TempoCache, AForeignTableIsLeftAloneAndGivesNoCache) {
    const fs::path dir = ScratchDir("cache-foreign");
    RunSql(dir / "tempo.db", "CREATE TABLE tempo(song TEXT, beats INTEGER);"
                             "INSERT INTO tempo VALUES('x', 4)");
    {
        TVxTempoCache cache(dir.string());
        EXPECT_FALSE(cache.Open());
    }
    EXPECT_FALSE(fs::exists(dir / "tempo.db.damaged"));
    EXPECT_EQ(Count(dir / "tempo.db", "SELECT count(*) FROM tempo WHERE song = 'x'"), 1);
}

TEST(TempoCache, AFolderThatCannotBeMadeLeavesNoCache) {
    const fs::path dir = ScratchDir("cache-blocked");
    WriteAll((dir / "file").string(), "a file where the folder should be");
    TVxTempoCache cache((dir / "file" / "Vexaline").string());
    EXPECT_FALSE(cache.Open());
    EXPECT_FALSE(cache.Lookup(Key("/a.mp3")).has_value());
    EXPECT_FALSE(cache.StoreUser(Key("/a.mp3"), 120));
    EXPECT_NE(std::string(DiagLastMessage()).find("VxTempo:"), std::string::npos);
    // Without a home folder there is no cache, not one in a shared folder
    // that another user could have prepared.
    const TScopedEnv home("HOME", nullptr);
    const TScopedEnv cacheHome("XDG_CACHE_HOME", "relative/cache");
    TVxTempoCache homeless("");
    EXPECT_FALSE(homeless.Open());
    EXPECT_EQ(homeless.DatabasePath(), "");
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
