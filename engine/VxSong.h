// The song slot: owns the sound device object, chooses a decoder among the
// registered ones, sizes and owns the stream buffer with its end-of-song
// stage, keeps the song information, the position and the cue point, runs
// fixed-step and accelerating searches and formats the time display.
//
// Threads: every operation runs with the player system's lock held, from
// the window thread or from the worker's tick, except Prepare, FileInfo and
// the reads a tick hands out (see TVxChunkRead), which read files and so
// run without it.
//
// Each song gets a decoder object of its own, made fresh for it: a read of a
// closed song may still be out on a hung medium with the old one.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/VxBuffer.h"
#include "engine/VxClock.h"
#include "engine/VxDSP.h"
#include "engine/VxSongStart.h"
#include "engine/device/ZylDS.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

struct TVxSongInfo {
    char Title[kSongNameSize] = "-";
    uint32_t LengthMs = 10;
    uint32_t LengthBytes = 0;
    uint32_t PageMs = 1;
    uint32_t BufferBytes = 10;
    uint32_t SampleRate = 1000;
};

// The song's time record. The texts use the display font's glyph codes:
// 'a' is a blank, 'b' a dash.
struct TVxSongTime {
    uint32_t PositionMs = 0;
    uint32_t PositionBytes = 0;
    uint32_t BufferFreeBytes = 0;
    uint32_t SliderMs = 0; // the cue point
    uint32_t SliderChanged = 0;
    int32_t ShownElapsedMs = 0;
    int32_t ShownLengthMs = 0;
    char TimeText[15] = "abb:bb";
    char HundredthsText[13] = "bb";
};

// Makes a decoder of one kind.
using TVxDecoderMaker = std::unique_ptr<TVxPlayerTAG> (*)();
template <class TDecoder> std::unique_ptr<TVxPlayerTAG> VxMakeDecoder() {
    return std::make_unique<TDecoder>();
}

// The registered decoder kinds, in the order asked. A copy taken under the
// lock lets an open or a file query read without touching the song.
struct TVxDecoderMakers {
    static constexpr unsigned Max = 10;
    unsigned Count = 0;
    TVxDecoderMaker Makers[Max] = {};

    // The index of the first kind that claims path, or -1.
    int Claiming(const char* path) const;
};

// What the reading part of an open found, for Open to take up under the lock.
struct TVxPreparedSong {
    // The song's own decoder with the file open, or empty when it did not open.
    std::unique_ptr<TVxPlayerTAG> Decoder;
    bool Claimed = false; // a registered decoder claims the file
    std::string TagTitle; // the title in the file's tags, if any
};

class TVxSongTAG {
public:
    static constexpr unsigned MaxDecoders = TVxDecoderMakers::Max;
    enum : uint8_t { SearchNone = 0, SearchFixed = 1, SearchForward = 2, SearchBackward = 3 };

    explicit TVxSongTAG(TVxClock& clock);
    ~TVxSongTAG();
    TVxSongTAG(const TVxSongTAG&) = delete;
    TVxSongTAG& operator=(const TVxSongTAG&) = delete;

    void SetWindow(void* window) { DeviceParams.Window = window; }
    void SetDevice(const TZylDeviceId* id);
    // Decoders are asked in the order registered; the first is the fallback
    // for files none claims. 1 when registered, 0 when the list is full.
    int RegisterDecoder(TVxDecoderMaker make);

    // Every file read of an open: a fresh decoder for path prepares (see
    // TVxPlayerTAG::Prepare) and opens the file, and the tags are read.
    // Touches no song, so that the song may go while a medium hangs; cancel
    // must outlive the call. Its failure is Open's to report.
    static TVxPreparedSong Prepare(const TVxDecoderMakers& makers, const char* path, uint32_t mode,
                                   const std::atomic<bool>* cancel);
    const TVxDecoderMakers& DecoderMakers() const { return Decoders; }
    // Installs what Prepare gave for path; reads no file. 0, -1 (reported
    // here) or -2 (reported below). The title tells the user what failed.
    int Open(const char* path, TVxPreparedSong prepared);
    void Close();
    // After an open that the user aborted: the title says so.
    void MarkAborted(const char* path);
    // 1 when a decoder handled the file. Without the lock: asks decoders of
    // its own, and touches this song only before its first read of the file,
    // so that the song may go while a read hangs.
    int FileInfo(const char* path, char* name, uint32_t* lengthMs) const;

    void Play();
    void Stop();
    void Seek(uint32_t ms, bool moveSlider);
    void SetPosition(uint32_t ms);
    void StartSearchLoop();
    void EndSearchLoop();
    void SetCuePoint();
    void SeekToCuePoint();
    void StartFixedSearch(int stepMs, bool fresh);
    void StartAcceleratingSearch(bool forward, bool fresh);
    void StopSearch() { SearchMode = SearchNone; }

    void ToggleTimeMode() { TimeMode = TimeMode ? 0 : 1; }
    void SetTimeMode(uint8_t mode) { TimeMode = mode; }
    // a is the pitch in 0.001 % that displayed times follow (0: song time).
    void SetTimeFactor(int a) { TimeFactor = 100000.0 / (a + 100000.0); }

    // Key lock on this song and every song opened later. False when the
    // stretcher could not be created (the song then plays without it).
    bool SetKeyLock(bool on);
    void SetFrequency(uint32_t hz);
    void SetVolume(uint32_t volume);
    void SetPan(int32_t pan);
    // Takes from start what it may: the level while the song has not played
    // since it opened, so that its level never jumps under the listener; the
    // cue while the song still stands, paused, where it opened, its cue as
    // the open left it.
    void OfferStart(const TVxSongStart& start, bool paused);
    double LevelDb() const { return Loaded ? Buffer.LevelDb : 0.0; }
    void MuteOn();
    void MuteOff();

    // Formats the texts and copies the record out; clears SliderChanged.
    void TimeOut(TVxSongTime& out);
    // One worker tick in steps around the reads it hands out (see
    // TVxBufferTAG::BeginService): BeginTick, then for each read handed
    // out ContinueTick once the read has run, then EndTick.
    std::shared_ptr<TVxChunkRead> BeginTick();
    std::shared_ptr<TVxChunkRead> ContinueTick(const TVxChunkRead& read);
    void EndTick();
    // Whether ticks have work that goes on with time: a search, or the
    // buffer's (see TVxBufferTAG::NeedsService).
    bool NeedsTicks() { return Loaded && (SearchMode != SearchNone || Buffer.NeedsService()); }

    // Under the lock: is there a restart the caller must wait for?
    bool RestartOutstanding() const { return Loaded && Buffer.RestartOutstanding(); }
    bool IsEndOfSong() const { return Loaded && EndStage.IsEndOfSong(); }

    std::unique_ptr<TZylAudioTAG> Audio;
    std::shared_ptr<TVxPlayerTAG> Decoder;
    TVxBufferTAG Buffer;
    int BufferMs = 3000;
    int ChunkTarget = 32768;
    int SearchFirstStep = 10;
    int SearchStepFactor = 2;
    int SearchBaseInterval = 200;
    int SearchIntervalDivisor = 2;
    int SearchMinInterval = 1;
    int SearchStepsPerStage = 5;
    int SearchMaxStep = 1431;
    int FixedSearchInterval = 150;
    bool KeyLock = false;
    // The stretcher is serviced by Tick instead of a thread of its own:
    // when the owner steps the system by hand.
    bool KeyLockByHand = false;
    bool SeekMovesSlider = true;
    bool SearchMovesSlider = true;
    TVxSongInfo Info;
    TVxSongTime Time;
    uint32_t ChunkBytes = 0;
    uint32_t BufferBytes = 0;
    uint32_t FramesPerChunk = 0;
    uint8_t SearchMode = SearchNone;
    int SearchStep = 0;
    int SearchCount = 0;
    uint32_t SearchElapsedMs = 0;
    uint32_t SearchInterval = 0;
    TVxControlDSPTAG EndStage;
    uint8_t TimeMode = 0;
    double TimeFactor = 1.0;
    TZylAudioParams DeviceParams;
    bool ReopenDevice = true;
    bool Loaded = false;
    uint32_t OpenCueMs = 0; // where the open (or an offer since) put the cue
    TVxDecoderMakers Decoders;

private:
    int OpenDevice();
    int TakeDecoder(const char* path, TVxPreparedSong& prepared);
    void FillInfo(const char* path, const std::string& tagTitle);
    void ResetInfoAndTime();
    void SearchTick();
    double BytesPerSecond() const;

    TVxClock& Clock;
    uint64_t SearchStamp = 0;
    TZylDeviceId DeviceIdCopy;
};
