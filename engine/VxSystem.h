// The player system: the one object through which the front end drives
// playback. It owns the song slot with its decoders, the level-meter stage,
// the pitch control and the transport state, and a worker thread that every
// 20 ms services the device buffer, advances the position, steps a running
// search and animates pitch bends and slides. While none of that goes on (a
// paused, filled deck) the worker sleeps until a command wakes it.
//
// Threads: the window thread calls every operation; the worker calls Tick.
// One recursive lock (this object's TZylSync base) guards everything; the
// worker holds it for a whole tick except while it decodes (see
// TVxChunkRead), so that a read that blocks on a hung medium never keeps
// the window from closing the song, opening another or ending the system.
// The window may read State, SongLoaded, SongInfoChanged, StateChanged (and
// clear it), PitchChanged and Volume directly without the lock.
#pragma once

#include "decoding/ModuleFFmpeg.h"
#include "decoding/ZylMP3.h"
#include "decoding/ZylWAV.h"
#include "engine/VxClock.h"
#include "engine/VxDSP.h"
#include "engine/VxOpenRegister.h"
#include "engine/VxPitch.h"
#include "engine/VxSong.h"
#include "engine/VxSystemOptions.h"
#include "engine/VxTickLink.h"
#include "engine/ZylSync.h"
#include "engine/device/ZylDS.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

// Transport states.
enum : uint8_t {
    kVxNoSong = 0,
    kVxPaused = 1,
    kVxPlaying = 2,
    kVxCued = 3,
    kVxCuePlaying = 4,
    kVxSearching = 5,
};

// The song's time record followed by the two meter levels (0..255).
struct TVxTimeInfo : TVxSongTime {
    int32_t LevelLeft = 0;
    int32_t LevelRight = 0;
};

// How the system runs its worker. Tests and the headless renderer tick it by
// hand on a clock of their own; the program uses the defaults.
struct TVxSystemSetup {
    bool ManualWorker = false; // no thread: the owner calls Tick()
    // Times bends, slides, searches and the search loop's pause; null: the
    // steady system clock. A worker thread always sleeps in real time.
    TVxClock* Clock = nullptr;
};

class TVxSystemTAG : public TZylSync {
public:
    static constexpr unsigned TickMs = 20;

    explicit TVxSystemTAG(void* window, const TVxSystemSetup& setup = {});
    ~TVxSystemTAG();
    TVxSystemTAG(const TVxSystemTAG&) = delete;
    TVxSystemTAG& operator=(const TVxSystemTAG&) = delete;

    void SetOptions(const TVxSystemOptions& options);
    void GetOptions(TVxSystemOptions& options);
    // The device is re-created at the next open; null is the default device.
    void SetOutputDevice(const TZylDeviceId* id);
    void GetPitchLimits(TVxPitchLimits& limits);

    // 0 success, -1 null path or another open still running, -2 the song
    // could not be opened or the open was aborted (SongInfo's title says
    // why). With autoPlay the song starts once its first restart is done.
    // The file is read (its header, its tags, and the whole of it for an
    // exact MPEG index) without the lock, so the worker ticks on and the window can poll meanwhile;
    // the current song is closed first. Any thread may call it; one open runs at a time. start is
    // what is known of the song already: its level and cue are in place before its first sample
    // plays.
    int OpenSong(const char* path, bool autoPlay, const TVxSongStart& start = {}) {
        return OpenSong(Link, path, autoPlay, start);
    }
    // The same through link: the system may be destroyed while the open
    // reads (a hung medium); the open then gives up without touching it.
    static int OpenSong(std::shared_ptr<TVxTickLink> link, const char* path, bool autoPlay,
                        const TVxSongStart& start = {});
    // What an open on a thread of its own holds instead of the system.
    std::shared_ptr<TVxTickLink> TickLink() const { return Link; }
    // What became known of the loaded song since it opened (its analysis
    // ended, or the leveling or cue options changed): the level is taken
    // while the song has not played yet, the cue while the deck still stands
    // paused where the open left it. Later offers change nothing: the level
    // never jumps under a playing song, the cue never moves under the user.
    void OfferSongStart(const TVxSongStart& start);
    // The gain in dB that levels the loaded song (0: none).
    double SongLevelDb();
    // Any thread: makes a running OpenSong give up; it leaves no song.
    // The open given up may still wait on a hung read; another may start.
    void AbortOpen() { Opens.Abort(); }
    bool IsOpening() const { return Opens.Running(); }
    // Whether the last OpenSong gave up because it was aborted.
    bool WasOpenAborted() const { return Opens.LastAborted(); }
    // 1 when a decoder handled the file; name receives kSongNameSize bytes.
    // Any thread, without the lock: it touches the system only before it
    // reads the file, so the deck may close or end while that read hangs.
    int GetSongFileInfo(const char* path, char* name, uint32_t* lengthMs);
    void CloseSong();
    void GetSongInfo(TVxSongInfo& info);
    // True once the play cursor is in the silence after the song's end.
    bool IsEndOfSong();

    void SetState(uint8_t requested);
    void PlayPause();
    void CuePress();
    void CueRelease();
    void PlayOrCue();
    void ToggleTimeMode();
    void ToggleRealTime();
    void SetPosition(uint32_t ms);
    // kind 1/5: steps of 10 ms, 2/6: 100 ms, 3/7: 1000 ms; others accelerate.
    void SearchForwardPress(int kind);
    void SearchBackwardPress(int kind);
    void SearchForwardRelease();
    void SearchBackwardRelease();

    void SetPitch(int value);
    void SetTouchBend(int value);
    // kind 1..4: slides of 10, 100, 1000, 1 units per step; others bend.
    void PitchUpPress(int kind);
    void PitchDownPress(int kind);
    void PitchUpRelease();
    void PitchDownRelease();
    void GetPitchInfo(TVxPitchInfo& info);
    // Key lock: the pitch slider and bends change the tempo only; the song
    // keeps its key. Holds for every song until switched off.
    void SetKeyLock(bool on);
    bool IsKeyLocked() const { return KeyLocked.load(); }

    void SetVolume(int volume);
    // balance -100..100; downmix folds both channels into the louder side.
    void SetBalance(int balance, int downmix);
    void MuteOn();
    void MuteOff();
    void GetTimeInfo(TVxTimeInfo& info);

    // The window's news: called under the lock, on whichever thread made
    // the change, whenever SongInfoChanged, StateChanged or PitchChanged is
    // set, so that displays that stopped ticking look again. Empty: none.
    void SetChangeHook(std::function<void()> hook);

    static int EnumerateOutputDevices(TZylDeviceList& list);
    static void FreeOutputDeviceList(TZylDeviceList& list);

    // Whether ticks have work that goes on with time: a song playing or in
    // the search loop, a restart or read outstanding, a buffer still
    // filling, a search, a bend or a slide. The worker sleeps without it.
    bool NeedsTicks();

    // One worker tick. The worker thread calls it every TickMs; with
    // ManualWorker the owner calls it, from any one thread at a time, or from
    // a second thread while the first is away in a read. A tick whose read
    // is out when the system is destroyed returns when the read does,
    // without touching the system again.
    void Tick();

private:
    TVxClock& Clock;

public:
    TVxSongTAG Song;
    TVxPitchControl PitchControl;
    TVxVMetterDSPTAG Meter;
    TVxPitchLimits PitchLimits;
    TVxSongInfo SongInfo;
    TVxSystemOptions Options;
    std::atomic<uint32_t> SongLoaded{0};
    std::atomic<uint32_t> SongInfoChanged{0};
    std::atomic<uint32_t> StateChanged{1};
    std::atomic<uint32_t> PitchChanged{1};
    std::atomic<uint8_t> State{kVxNoSong};
    TVxPitchInfo PitchInfo;
    TVxTimeInfo TimeInfo;
    std::atomic<int> Volume{100};
    std::atomic<bool> KeyLocked{false};
    int Balance = 0;
    // Made before the worker starts, which holds a share of it.
    const std::shared_ptr<TVxTickLink> Link;
    // Changed only under the lock (a worker away in a read of a closed song
    // is replaced).
    std::unique_ptr<TZylThreadTAG> Worker;

private:
    // Called under the lock after operations that may ask for a restart or
    // start work that goes on with time (play, a search, a bend or slide):
    // the worker then takes it up at once, from its tick period or its
    // sleep, so that a cue or play press is heard within a few
    // milliseconds.
    void WakeWorker();
    void NoteChange();
    std::function<void()> ChangeHook;

    // userData: a heap copy of Link that the worker takes over.
    static void WorkerLoop(std::atomic<uint32_t>* stopRequested, void* userData);
    void StartWorker();
    // A worker away in a read of the song just closed (perhaps for ever)
    // is let go; a new one ticks the next song. Under the lock.
    void ReplaceReadingWorker();
    // One tick through the link; false when the system is gone or the
    // tick's read outlived its song (or stop was set meanwhile).
    static bool RunTick(TVxTickLink& link, const std::atomic<uint32_t>* stop);
    // The locked steps of a tick (see TVxSongTAG::BeginTick). BeginTick
    // gives the first read to run; ContinueTick takes a read that has run
    // and leaves the next one in read, null once the tick is over. It is
    // false (and does nothing) when read no longer belongs to the loaded
    // song.
    std::shared_ptr<TVxChunkRead> BeginTick();
    bool ContinueTick(std::shared_ptr<TVxChunkRead>& read);
    void EndTickLocked();
    TVxOpenRegister Opens;
    // The locked parts of OpenSong, before and after the unlocked reading
    // (TVxSongTAG::Prepare), which does every file read of the open.
    uint32_t BeginOpenLocked(TVxDecoderMakers& makers);
    // Waits, in short entries, for the restart an autoplaying open asked
    // for; false when the system ended meanwhile.
    static bool WaitForRestart(TVxTickLink& link);
    int FinishOpenLocked(const char* path, TVxPreparedSong prepared, const TVxSongStart& start,
                         const TVxOpenRegister::TFlag& open);
    void CloseSongLocked();
    void RecomputeAndApply();
    void ApplyVolumeAndBalance();
    void SearchPress(int kind, bool forward);
    void PitchPress(int kind, bool up);
    void PitchRelease();
};
