#include "analysis/VxTempoCache.h"

#include "diag/Diag.h"

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS tempo("
    " path TEXT NOT NULL, size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL,"
    " bpm REAL NOT NULL DEFAULT 0, first_beat_ms REAL NOT NULL DEFAULT 0,"
    " version INTEGER NOT NULL DEFAULT 0, user_bpm REAL NOT NULL DEFAULT 0,"
    " PRIMARY KEY(path, size, mtime_ns)) WITHOUT ROWID";
// A file that holds anything beside this table as this version made it
// (another table's layout, a trigger, a view) is not this cache: what it
// stores might not read back, so it counts as damaged.
constexpr const char* kSchemaCheck = "SELECT count(*), sum(name = 'tempo' AND type = 'table' AND"
                                     " sql = ?1) FROM sqlite_master";
constexpr const char* kLookup = "SELECT version, bpm, first_beat_ms, user_bpm FROM tempo"
                                " WHERE path = ?1 AND size = ?2 AND mtime_ns = ?3";
constexpr const char* kStoreDetected =
    "INSERT INTO tempo(path, size, mtime_ns, bpm, first_beat_ms, version)"
    " VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(path, size, mtime_ns) DO UPDATE SET"
    " bpm = excluded.bpm, first_beat_ms = excluded.first_beat_ms, version = excluded.version";
constexpr const char* kStoreUser =
    "INSERT INTO tempo(path, size, mtime_ns, user_bpm) VALUES(?1, ?2, ?3, ?4)"
    " ON CONFLICT(path, size, mtime_ns) DO UPDATE SET user_bpm = excluded.user_bpm";

std::atomic<bool> gFailureReported{false};

void ReportOnce(const char* what, const std::string& path) {
    if (!gFailureReported.exchange(true))
        DIAG_REPORT(kDiagReported, "VxTempo: %s, songs show no BPM [%s]", what, path.c_str());
}

bool IsDamage(int code) {
    code &= 0xFF;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
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

std::string TVxTempoCache::DefaultFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/')
        return std::string(cache) + "/Vexaline";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && home[0] == '/' ? home : "/tmp") + "/.cache/Vexaline";
}

TVxTempoCache::TVxTempoCache(std::string folder)
    : folder_(folder.empty() ? DefaultFolder() : std::move(folder)),
      dbPath_(folder_ + "/" + kDatabaseName) {}

TVxTempoCache::~TVxTempoCache() {
    CloseDatabase();
}

bool TVxTempoCache::Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (db_ != nullptr)
        return true;
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
        code = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
    if (code == SQLITE_OK)
        code = CheckSchema();
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kLookup, -1, &lookup_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreDetected, -1, &storeDetected_, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_prepare_v2(db_, kStoreUser, -1, &storeUser_, nullptr);
    if (code == SQLITE_OK)
        return TOpenResult::Ok;
    CloseDatabase();
    return IsDamage(code) ? TOpenResult::Damaged : TOpenResult::Failed;
}

int TVxTempoCache::CheckSchema() {
    // The store keeps the statement as written, less its "IF NOT EXISTS".
    std::string stored = kSchema;
    stored.erase(stored.find(" IF NOT EXISTS"), std::strlen(" IF NOT EXISTS"));
    sqlite3_stmt* check = nullptr;
    int code = sqlite3_prepare_v2(db_, kSchemaCheck, -1, &check, nullptr);
    if (code == SQLITE_OK) {
        sqlite3_bind_text(check, 1, stored.c_str(), -1, SQLITE_TRANSIENT);
        code = sqlite3_step(check);
        const bool ours = code == SQLITE_ROW && sqlite3_column_int(check, 0) == 1 &&
                          sqlite3_column_int(check, 1) == 1;
        code = code == SQLITE_ROW ? (ours ? SQLITE_OK : SQLITE_CORRUPT) : code;
    }
    sqlite3_finalize(check);
    return code;
}

bool TVxTempoCache::RebuildDamaged() {
    TFolderLock lock(folder_ + "/" + kLockName);
    // Another copy may have rebuilt it while this one waited for the lock.
    const TOpenResult again = OpenDatabase();
    if (again == TOpenResult::Ok)
        return true;
    if (again == TOpenResult::Damaged) {
        std::rename(dbPath_.c_str(), (dbPath_ + ".damaged").c_str());
        std::remove((dbPath_ + "-wal").c_str());
        std::remove((dbPath_ + "-shm").c_str());
        DIAG_REPORT(kDiagReported, "VxTempo: damaged cache moved aside and rebuilt [%s]",
                    dbPath_.c_str());
        if (OpenDatabase() == TOpenResult::Ok)
            return true;
    }
    ReportOnce("cannot open the cache", dbPath_);
    return false;
}

void TVxTempoCache::CloseDatabase() {
    for (sqlite3_stmt** statement : {&lookup_, &storeDetected_, &storeUser_}) {
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
    if (sqlite3_step(lookup_) == SQLITE_ROW) {
        found.emplace();
        found->Version = sqlite3_column_int(lookup_, 0);
        found->Detected.Bpm = sqlite3_column_double(lookup_, 1);
        found->Detected.FirstBeatMs = sqlite3_column_double(lookup_, 2);
        found->UserBpm = sqlite3_column_double(lookup_, 3);
    }
    sqlite3_reset(lookup_);
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

bool TVxTempoCache::Write(sqlite3_stmt* statement) {
    int code = SQLITE_BUSY;
    for (int attempt = 0; attempt < kWriteAttempts && (code & 0xFF) == SQLITE_BUSY; ++attempt) {
        code = sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    if (code != SQLITE_DONE)
        DIAG_REPORT(kDiagReported, "VxTempo: cannot store a tempo [%s]", sqlite3_errstr(code));
    return code == SQLITE_DONE;
}
