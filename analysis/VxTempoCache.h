// The song analysis cache: one SQLite database in $XDG_CACHE_HOME/Vexaline/
// that every copy of the program shares, so that a song is analysed once. A
// row belongs to one version of a file (path, size, modification time) and
// holds the detected tempo and first beat, key, loudness, true peak and
// music start, each part with the analysis version that produced it (a part
// of another version is analysed again, alone), and the tempo and key the
// user set, which detection never overwrites.
//
// Threads: one object is one connection; its calls are serialised by its
// own lock. Give each thread that must not wait on another (the window,
// the analysis worker) an object of its own: readers never wait on writers
// in WAL mode.
#pragma once

#include "analysis/VxLoudnessMeter.h"
#include "analysis/VxMusicKey.h"
#include "analysis/VxTempoDetector.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

struct TVxFileKey {
    std::string Path;
    std::int64_t Size = 0;
    std::int64_t MtimeNs = 0;
};

// The key of the file as it is now; nullopt when it cannot be read.
std::optional<TVxFileKey> VxFileKeyOf(const std::string& path);

struct TVxCachedTempo {
    int Version = 0;    // analysis version; 0: never analysed
    TVxTempo Detected;  // Bpm 0: analysed, no steady beat
    double UserBpm = 0; // 0: none tapped
    int Key = kVxNoKey; // detected
    int KeyVersion = 0; // 0: key never analysed
    int UserKey = kVxNoKey;
    TVxLoudness Loudness;    // with the true peak and music start
    int LoudnessVersion = 0; // 0: loudness never analysed
    int MusicKey() const { return VxIsKey(UserKey) ? UserKey : Key; }
    double Bpm() const { return UserBpm > 0 ? UserBpm : Detected.Bpm; }
    // The tempo to show: the tapped one as tapped, the detected one folded
    // into range (which may have changed since the analysis).
    double BpmIn(const TVxBpmRange& range) const {
        return UserBpm > 0 ? UserBpm : VxFoldBpm(Detected.Bpm, range);
    }
};

class TVxTempoCache {
public:
    // folder: where the database lives, made as needed; empty: there is no
    // safe place for it (no home folder), and the program runs without one.
    explicit TVxTempoCache(std::string folder);
    ~TVxTempoCache();
    TVxTempoCache(const TVxTempoCache&) = delete;
    TVxTempoCache& operator=(const TVxTempoCache&) = delete;

    // Creates the folder and the database as needed, and brings an older
    // database up to this version's schema, keeping its rows. A damaged
    // database, found here or by any later call, is moved aside (to
    // "tempo.db.damaged", or ".damaged.1" and on when that exists) and
    // rebuilt. False when there is no cache to be had; the first such
    // failure of the process is reported, later ones are silent.
    bool Open();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& DatabasePath() const { return dbPath_; }

    std::optional<TVxCachedTempo> Lookup(const TVxFileKey& key);
    // The tempo to show for the file at path as it is now (a list's BPM
    // column); 0 when it is not known yet or the song has no beat.
    double BpmOf(const std::string& path, const TVxBpmRange& range);
    bool StoreDetected(const TVxFileKey& key, const TVxTempo& tempo, int version);
    bool StoreUser(const TVxFileKey& key, double bpm);
    bool StoreKey(const TVxFileKey& key, int musicKey, int version);
    bool StoreUserKey(const TVxFileKey& key, int musicKey);
    bool StoreLoudness(const TVxFileKey& key, const TVxLoudness& loudness, int version);

private:
    enum class TOpenResult { Ok, Damaged, Failed };
    TOpenResult OpenDatabase();
    bool RebuildDamaged();
    void DamageFound();
    void CloseDatabase();
    bool Write(sqlite3_stmt* statement);

    std::mutex mutex_;
    std::string folder_;
    std::string dbPath_;
    sqlite3* db_ = nullptr;
    ino_t openInode_ = 0;       // the file db_ opened
    bool rebuiltInUse_ = false; // DamageFound has moved a file aside
    sqlite3_stmt* lookup_ = nullptr;
    sqlite3_stmt* storeDetected_ = nullptr;
    sqlite3_stmt* storeUser_ = nullptr;
    sqlite3_stmt* storeKey_ = nullptr;
    sqlite3_stmt* storeUserKey_ = nullptr;
    sqlite3_stmt* storeLoudness_ = nullptr;
};
