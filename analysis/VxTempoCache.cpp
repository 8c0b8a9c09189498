#include "analysis/VxTempoCache.h"

#include "diag/Diag.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kDatabaseName = "tempo.db";
constexpr const char* kLockName = "tempo.lock";
// Other copies of the program write one short row at a time; this is far
// longer than any of them holds the write lock.
constexpr int kBusyTimeoutMs = 5000;
// A write that still finds the database busy after the timeout is tried
// again this many times before it is given up (the song is then analysed
// again next time).
constexpr int kWriteAttempts = 4;
// Copies starting together race to create the file and switch it to the
// write-ahead log; the loser sees it locked or half made for a moment, so an
// open that fails that way is tried again after a short pause.
constexpr int kOpenAttempts = 6;
constexpr std::chrono::milliseconds kOpenRetryPause{20};

// Write-ahead log: readers never wait for writers, and several copies of
// the program share the file. Synchronous NORMAL is safe with the log (a
// power cut may lose the last results, never the database) and spares a
// disk flush per stored song.
constexpr const char* kPragmas = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL";
// The layout of each schema version, by the steps that lead to it from the
// one before; PRAGMA user_version holds the version a file has reached.
// Steps only add (tables, columns with defaults), so a later program's file
// still serves this one and an earlier file keeps every row, taps included.
constexpr const char* kSchemaSteps[] = {
    // 1: the tempo of each version of a file, and the user's tap.
    "CREATE TABLE IF NOT EXISTS tempo("
    " path TEXT NOT NULL, size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
    " bpm REAL NOT NULL DEFAULT 0, first_beat_ms REAL NOT NULL DEFAULT 0,"
    " version INTEGER NOT NULL DEFAULT 0, user_bpm REAL NOT NULL DEFAULT 0,"
    " PRIMARY KEY(path, size, mtime_ns)) WITHOUT ROWID",
    // 2: the key (detected, with its analysis version, and the user's), the
    // loudness, true peak and music start (NULL: unknown, silent song).
    "ALTER TABLE tempo ADD COLUMN music_key INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE tempo ADD COLUMN key_version INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE tempo ADD COLUMN user_key INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE tempo ADD COLUMN loudness_lufs REAL;"
    "ALTER TABLE tempo ADD COLUMN true_peak_dbtp REAL;"
    "ALTER TABLE tempo ADD COLUMN music_start_ms REAL;"
    "ALTER TABLE tempo ADD COLUMN loudness_version INTEGER NOT NULL DEFAULT 0",
};
constexpr int kSchemaVersion = static_cast<int>(std::size(kSchemaSteps));
// The columns this version reads and writes; anything else in the file (an
// index, a column or table of a later version) is left as it is.
constexpr const char* kNeededColumns[] = {"path",           "size",
                                          "mtime_ns",       "bpm",
                                          "first_beat_ms",  "version",
                                          "user_bpm",       "music_key",
                                          "key_version",    "user_key",
                                          "loudness_lufs",  "true_peak_dbtp",
                                          "music_start_ms", "loudness_version"};
constexpr const char* kLookup =
    "SELECT version, bpm, first_beat_ms, user_bpm, music_key, key_version, user_key,"
    " loudness_lufs, true_peak_dbtp, music_start_ms, loudness_version FROM tempo"
    " WHERE path = ?1 AND size = ?2 AND mtime_ns = ?3";
// Each store writes its own columns of the row, made as needed, and leaves
// the others (the user's values above all) as they are.
constexpr const char* kStoreDetected =
    "INSERT INTO tempo(path, size, mtime_ns, bpm, first_beat_ms, version)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(path, size, mtime_ns) DO UPDATE SET"
    " bpm = excluded.bpm, first_beat_ms = excluded.first_beat_ms, version = excluded.version";
constexpr const char* kStoreUser =
    "INSERT INTO tempo(path, size, mtime_ns, user_bpm) VALUES(?1, ?2, ?3, ?4)"
    " ON CONFLICT(path, size, mtime_ns) DO UPDATE SET user_bpm = excluded.user_bpm";
constexpr const char* kStoreKey =
    "INSERT INTO tempo(path, size, mtime_ns, music_key, key_version) VALUES(?1, ?2, ?3, ?4, ?5)"
    " ON CONFLICT(path, size, mtime_ns) DO UPDATE SET"
    " music_key = excluded.music_key, key_version = excluded.key_version";
constexpr const char* kStoreUserKey =
    "INSERT INTO tempo(path, size, mtime_ns, user_key) VALUES(?1, ?2, ?3, ?4)"
    " ON CONFLICT(path, size, mtime_ns) DO UPDATE SET user_key = excluded.user_key";
constexpr const char* kStoreLoudness =
    "INSERT INTO tempo(path, size, mtime_ns, loudness_lufs, true_peak_dbtp, music_start_ms,"
    " loudness_version) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)"
    " ON CONFLICT(path, size, mtime_ns) DO UPDATE SET loudness_lufs = excluded.loudness_lufs,"
    " true_peak_dbtp = excluded.true_peak_dbtp, music_start_ms = excluded.music_start_ms,"
    " loudness_version = excluded.loudness_version";

std::atomic<bool> gFailureReported{false};

void ReportOnce(const char* what, const std::string& path) {
    if (!gFailureReported.exchange(true))
        DIAG_REPORT(kDiagReported, "VxTempo: %s, songs show no BPM [%s]", what, path.c_str());
}

bool IsDamage(int code) {
    code &= 0xFF;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The first of "name.damaged", "name.damaged.1", ... that does not exist, so
// that an earlier damaged copy is never overwritten.
std::string FreeDamagedName(const std::string& path) {
    const std::string base = path + ".damaged";
    std::string name = base;
    for (int n = 1; access(name.c_str(), F_OK) == 0; ++n)
        name = base + "." + std::to_string(n);
    return name;
}

// Moves the database aside with its write-ahead log and shared memory: the
// log belongs to the damaged file and must never be played into the new one;
// renamed, not deleted, it stays whole for another copy that holds it open.
void MoveAside(const std::string& path) {
    const std::string aside = FreeDamagedName(path);
    std::rename(path.c_str(), aside.c_str());
    for (const char* suffix : {"-wal", "-shm"})
        std::rename((path + suffix).c_str(), (aside + suffix).c_str());
    DIAG_REPORT(kDiagReported, "VxTempo: damaged cache moved aside to %s and rebuilt",
                aside.c_str());
}

int Exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

// Runs query and reads its rows' first column as text into out.
int ReadColumn(sqlite3* db, const char* query, std::vector<std::string>& out) {
    sqlite3_stmt* statement = nullptr;
    int code = sqlite3_prepare_v2(db, query, -1, &statement, nullptr);
    while (code == SQLITE_OK && (code = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(statement, 0);
        out.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
        code = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return code == SQLITE_DONE ? SQLITE_OK : code;
}

int UserVersion(sqlite3* db, int& version) {
    std::vector<std::string> rows;
    const int code = ReadColumn(db, "PRAGMA user_version", rows);
    version = code == SQLITE_OK && !rows.empty() ? std::atoi(rows.front().c_str()) : 0;
    return code;
}

// SQLITE_OK when the file holds every column this version needs; a file
// without them is not this cache, but another program's data to keep
// (SQLITE_ERROR: no cache this run, the file untouched).
int CheckColumns(sqlite3* db) {
    std::vector<std::string> columns;
    const int code = ReadColumn(db, "SELECT name FROM pragma_table_info('tempo')", columns);
    if (code != SQLITE_OK)
        return code;
    for (const char* needed : kNeededColumns)
        if (std::find(columns.begin(), columns.end(), needed) == columns.end())
            return SQLITE_ERROR;
    return SQLITE_OK;
}

// Brings an older file up to this version's schema in one transaction, so
// that two copies never both migrate it; a file of this or a later version
// is used as it is. Either way the file must then hold what this version
// reads and writes.
int Migrate(sqlite3* db) {
    int version = 0;
    int code = UserVersion(db, version);
    if (code != SQLITE_OK || version >= kSchemaVersion)
        return code == SQLITE_OK ? CheckColumns(db) : code;
    code = Exec(db, "BEGIN IMMEDIATE");
    if (code != SQLITE_OK)
        return code;
    code = UserVersion(db, version);
    for (int step = version; code == SQLITE_OK && step < kSchemaVersion; ++step)
        code = Exec(db, kSchemaSteps[step]);
    if (code == SQLITE_OK)
        code = CheckColumns(db);
    if (code == SQLITE_OK && version < kSchemaVersion)
        code = Exec(db, "PRAGMA user_version = " + std::to_string(kSchemaVersion));
    if (code == SQLITE_OK)
        return Exec(db, "COMMIT");
    Exec(db, "ROLLBACK");
    return code;
}

bool MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Holds an exclusive advisory lock on a file beside the database while a
// damaged database is replaced, so that two copies never both rebuild it.
class TFolderLock {
public:
    explicit TFolderLock(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ >= 0)
            flock(fd_, LOCK_EX);
    }
    ~TFolderLock() {
        if (fd_ >= 0)
            close(fd_);
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

private:
    int fd_;
};

void BindKey(sqlite3_stmt* statement, const TVxFileKey& key) {
    sqlite3_bind_text(statement, 1, key.Path.c_str(), static_cast<int>(key.Path.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(statement, 2, key.Size);
    sqlite3_bind_int64(statement, 3, key.MtimeNs);
}

} // namespace

std::optional<TVxFileKey> VxFileKeyOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    TVxFileKey key;
    key.Path = path;
    key.Size = info.st_size;
    key.MtimeNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    return key;
}

TVxTempoCache::TVxTempoCache(std::string folder)
    : folder_(std::move(folder)), dbPath_(folder_.empty() ? "" : folder_ + "/" + kDatabaseName) {}

TVxTempoCache::~TVxTempoCache() {
    CloseDatabase();
}

bool TVxTempoCache::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ != nullptr)
        return true;
    if (folder_.empty()) {
        ReportOnce("no home folder to keep the cache in", "");
        return false;
    }
    if (!MakeFolders(folder_)) {
        ReportOnce("cannot create the cache folder", folder_);
        return false;
    }
    TOpenResult result = OpenDatabase();
    for (int attempt = 1; attempt < kOpenAttempts && result == TOpenResult::Failed; ++attempt) {
        std::this_thread::sleep_for(kOpenRetryPause * attempt);
        result = OpenDatabase();
    }
    switch (result) {
    case TOpenResult::Ok:
        return true;
    case TOpenResult::Damaged:
        return RebuildDamaged();
    case TOpenResult::Failed:
        break;
    }
    ReportOnce("cannot open the cache", dbPath_);
    return false;
}

TVxTempoCache::TOpenResult TVxTempoCache::OpenDatabase() {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    int code = sqlite3_open_v2(dbPath_.c_str(), &db_, flags, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        code = sqlite3_exec(db_, kPragmas, nullptr, nullptr, nullptr);
    }
    if (code == SQLITE_OK)
        code = Migrate(db_);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kLookup, -1, &lookup_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreDetected, -1, &storeDetected_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreUser, -1, &storeUser_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreKey, -1, &storeKey_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreUserKey, -1, &storeUserKey_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreLoudness, -1, &storeLoudness_, nullptr);
    if (code == SQLITE_OK) {
        openInode_ = InodeOf(dbPath_);
        return TOpenResult::Ok;
    }
    CloseDatabase();
    return IsDamage(code) ? TOpenResult::Damaged : TOpenResult::Failed;
}

bool TVxTempoCache::RebuildDamaged() {
    TFolderLock lock(folder_ + "/" + kLockName);
    // Another copy may have rebuilt it while this one waited for the lock.
    TOpenResult result = OpenDatabase();
    if (result == TOpenResult::Damaged) {
        MoveAside(dbPath_);
        result = OpenDatabase();
    }
    if (result == TOpenResult::Ok)
        return true;
    ReportOnce("cannot open the cache", dbPath_);
    return false;
}

// A page found damaged while the cache is in use: the file is moved aside
// and rebuilt, once per connection, so that a damaged file cannot make
// every song be analysed again on every run, nor a rebuild loop forever.
// Lock held.
void TVxTempoCache::DamageFound() {
    if (rebuiltInUse_)
        return;
    rebuiltInUse_ = true;
    const ino_t damaged = openInode_;
    CloseDatabase();
    TFolderLock lock(folder_ + "/" + kLockName);
    // Unless another copy has already put a new file in its place.
    if (InodeOf(dbPath_) == damaged)
        MoveAside(dbPath_);
    if (OpenDatabase() != TOpenResult::Ok)
        ReportOnce("cannot open the cache", dbPath_);
}

void TVxTempoCache::CloseDatabase() {
    for (sqlite3_stmt** statement :
         {&lookup_, &storeDetected_, &storeUser_, &storeKey_, &storeUserKey_, &storeLoudness_}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

std::optional<TVxCachedTempo> TVxTempoCache::Lookup(const TVxFileKey& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr)
        return std::nullopt;
    BindKey(lookup_, key);
    std::optional<TVxCachedTempo> found;
    const int code = sqlite3_step(lookup_);
    if (code == SQLITE_ROW) {
        found.emplace();
        found->Version = sqlite3_column_int(lookup_, 0);
        found->Detected.Bpm = sqlite3_column_double(lookup_, 1);
        found->Detected.FirstBeatMs = sqlite3_column_double(lookup_, 2);
        found->UserBpm = sqlite3_column_double(lookup_, 3);
        found->Key = sqlite3_column_int(lookup_, 4);
        found->KeyVersion = sqlite3_column_int(lookup_, 5);
        found->UserKey = sqlite3_column_int(lookup_, 6);
        found->Loudness.Known = sqlite3_column_type(lookup_, 7) != SQLITE_NULL;
        found->Loudness.Lufs = sqlite3_column_double(lookup_, 7);
        found->Loudness.TruePeakDbtp = sqlite3_column_double(lookup_, 8);
        found->Loudness.MusicStartMs = sqlite3_column_double(lookup_, 9);
        found->LoudnessVersion = sqlite3_column_int(lookup_, 10);
    }
    sqlite3_reset(lookup_);
    if (IsDamage(code))
        DamageFound();
    return found;
}

double TVxTempoCache::BpmOf(const std::string& path, const TVxBpmRange& range) {
    const std::optional<TVxFileKey> key = VxFileKeyOf(path);
    const std::optional<TVxCachedTempo> cached = key ? Lookup(*key) : std::nullopt;
    return cached ? cached->BpmIn(range) : 0;
}

bool TVxTempoCache::StoreDetected(const TVxFileKey& key, const TVxTempo& tempo, int version) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr)
        return false;
    BindKey(storeDetected_, key);
    sqlite3_bind_double(storeDetected_, 4, tempo.Bpm);
    sqlite3_bind_double(storeDetected_, 5, tempo.FirstBeatMs);
    sqlite3_bind_int(storeDetected_, 6, version);
    return Write(storeDetected_);
}

bool TVxTempoCache::StoreUser(const TVxFileKey& key, double bpm) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr)
        return false;
    BindKey(storeUser_, key);
    sqlite3_bind_double(storeUser_, 4, bpm);
    return Write(storeUser_);
}

bool TVxTempoCache::StoreKey(const TVxFileKey& key, int musicKey, int version) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr)
        return false;
    BindKey(storeKey_, key);
    sqlite3_bind_int(storeKey_, 4, musicKey);
    sqlite3_bind_int(storeKey_, 5, version);
    return Write(storeKey_);
}

bool TVxTempoCache::StoreUserKey(const TVxFileKey& key, int musicKey) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr)
        return false;
    BindKey(storeUserKey_, key);
    sqlite3_bind_int(storeUserKey_, 4, musicKey);
    return Write(storeUserKey_);
}

bool TVxTempoCache::StoreLoudness(const TVxFileKey& key, const TVxLoudness& loudness, int version) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ == nullptr)
        return false;
    BindKey(storeLoudness_, key);
    for (int column = 4; column <= 6; ++column)
        sqlite3_bind_null(storeLoudness_, column);
    if (loudness.Known) {
        sqlite3_bind_double(storeLoudness_, 4, loudness.Lufs);
        sqlite3_bind_double(storeLoudness_, 5, loudness.TruePeakDbtp);
        sqlite3_bind_double(storeLoudness_, 6, loudness.MusicStartMs);
    }
    sqlite3_bind_int(storeLoudness_, 7, version);
    return Write(storeLoudness_);
}

bool TVxTempoCache::Write(sqlite3_stmt* statement) {
    int code = SQLITE_BUSY;
    for (int attempt = 0; attempt < kWriteAttempts && (code & 0xFF) == SQLITE_BUSY; ++attempt) {
        code = sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    if (code == SQLITE_DONE)
        return true;
    DIAG_REPORT(kDiagReported, "VxTempo: cannot store a tempo [%s]", sqlite3_errstr(code));
    if (IsDamage(code))
        DamageFound();
    return false;
}
