// The tempo worker: one low-priority thread that finds the tempo of the
// deck's song first and then, while the deck lets it, of the playlist's
// songs ahead of their turn, one at a time, through the analysis cache.
// It decodes with decoders of its own and never touches the player system,
// so playback never waits on it.
//
// Threads: the window thread calls everything; the worker thread only runs
// jobs. Closing the song or destroying the worker stops a running analysis
// within milliseconds.
#pragma once

#include "analysis/VxBeatGrid.h"
#include "analysis/VxTempoCache.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The deck song's analysis as the window shows it.
struct TVxSongTempo {
    bool Known = false; // false until the analysis ends, or without a song
    double Bpm = 0;     // at the song's own speed; 0: no steady beat
    double FirstBeatMs = 0;
    bool Tapped = false;  // Bpm is the user's
    int Key = kVxNoKey;   // the user's when set, else the detected one
    TVxLoudness Loudness; // with the true peak and music start
};

class TVxTempoWorker {
public:
    // cacheFolder empty: no cache, every song is analysed. Tests that
    // step the deck by hand and wait for results ask for normal priority.
    TVxTempoWorker(std::string cacheFolder, const TVxBpmRange& range, bool lowPriority = true);
    ~TVxTempoWorker();
    TVxTempoWorker(const TVxTempoWorker&) = delete;
    TVxTempoWorker& operator=(const TVxTempoWorker&) = delete;

    // The deck opened path: its tempo is looked up or analysed before any
    // other song; an analysis of another song stops.
    void OpenSong(const std::string& path);
    // The deck has no song: its analysis stops at once.
    void CloseSong();
    // The songs to analyse ahead of their turn, in order, in place of those
    // still waiting.
    void SetPlaylist(std::vector<std::string> paths);
    // More songs to analyse, after those still waiting.
    void AddToPlaylist(std::vector<std::string> paths);
    // Whether playlist songs may be analysed now (the deck is idle or only
    // playing); taking it away stops a playlist song's analysis.
    void SetBackgroundAllowed(bool allowed);
    // A tempo tapped by the user for the deck's song, at the song's own
    // speed; stored in the cache, where detection never overwrites it.
    void SetUserBpm(double bpm);
    // The key the user gives a song (any song, not only the deck's), stored
    // in the cache where detection never overwrites it; kVxNoKey goes back
    // to the detected key. The song is reported again with its new key.
    void SetUserKey(const std::string& path, int key);

    // Changes whenever SongTempo does; cheap to poll every timer tick.
    std::uint64_t Generation() const { return generation_.load(); }
    TVxSongTempo SongTempo() const;
    // The songs analysed since the last call, for lists that show every
    // song's tempo, key and loudness: song file and its analysis (BPM at the
    // song's own speed, 0: no steady beat), in the order found. The deck's
    // song, the playlist's songs as they are looked up or analysed, taps and
    // keys set by the user all report here.
    using TFound = std::vector<std::pair<std::string, TVxSongTempo>>;
    TFound TakeFound();
    // Called on the worker thread whenever it has news for TakeFound or
    // SongTempo, so that a window that stopped polling looks again.
    void SetNewsHook(std::function<void()> hook);
    // Waits until no job is left; for tests and tools. False on time-out.
    bool WaitIdle(unsigned timeoutMs);
    // True once the worker thread runs at the lowest priority; known
    // after the first WaitIdle.
    bool PriorityLowered() const { return lowered_.load(); }

private:
    struct TJob {
        std::string Path;
        bool Song = false;
    };

    void Run();
    bool NextJob(TJob& job);
    void RunJob(const TJob& job);
    void OpenCacheOnce();
    struct TUserWrite {
        std::string Path;
        double Bpm = 0; // a tap; 0 when this is a key
        int Key = kVxNoKey;
    };
    void StoreUserWrite(const TUserWrite& write);
    TVxSongTempo TempoFor(const std::string& path);
    TVxSongTempo SongTempoOf(const TVxCachedTempo& cached) const;
    void Publish(const TJob& job, const TVxSongTempo& tempo);
    void LowerPriority();
    void StopRunningJobLocked();

    const TVxBpmRange range_;
    const bool lowPriority_;
    TVxTempoCache cache_;
    bool cacheTried_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::string songPath_;     // the deck's song, empty without one
    bool songPending_ = false; // the song's tempo is still to be found
    std::deque<std::string> playlist_;
    bool backgroundAllowed_ = true;
    std::deque<TUserWrite> userWrites_;
    TVxSongTempo songTempo_;
    TFound found_;
    std::function<void()> newsHook_; // under mutex_
    bool started_ = false;           // the thread runs, at its lowered priority
    bool running_ = false;           // a job runs
    bool storing_ = false;           // a user's tap or key is being stored
    TJob current_;
    bool stop_ = false;

    std::atomic<bool> cancel_{false};
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<bool> lowered_{false};
    std::thread thread_;
};
