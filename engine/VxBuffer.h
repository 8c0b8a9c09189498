// The stream buffer: streams a song into a looping device buffer of about
// three seconds. A write position chases the play cursor one chunk at a
// time; a restart refills the buffer from a new song position with sample
// accuracy; the search loop repeats a short piece; the played-byte count
// drives the song's position; processing stages see every written chunk.
//
// Threads: every operation runs with the player system's lock held. The
// worker services the buffer every 20 ms in two steps around a read that it
// runs without the lock (see TVxChunkRead): BeginService hands the read out,
// FinishService writes its chunk. Restart requests come from the window
// thread and are carried out by the next service, which then signals Event.
// Every request that moves or ends the song advances Generation, so that a
// read handed out before it is dropped instead of written.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/VxChunkRead.h"
#include "engine/VxClock.h"
#include "engine/VxDSP.h"
#include "engine/ZylSync.h"
#include "engine/device/ZylDS.h"

#include <cstdint>
#include <memory>

struct TVxBufferConfig {
    uint32_t ChunkBytes = 0;
    uint32_t FramesPerChunk = 0; // decoder frames per chunk
    uint32_t BytesPerFrame = 0;  // bytes of PCM in one decoder frame
    uint32_t LoopMs = 200;
    uint32_t LoopPauseMs = 50;
    std::shared_ptr<TVxPlayerTAG> Decoder;
};

class TVxBufferTAG : public TZylSoundBufferTAG {
public:
    static constexpr uint32_t MaxStages = 20;

    explicit TVxBufferTAG(TVxClock& clock) : Clock(clock) {}
    ~TVxBufferTAG();

    // 1 when attached, 0 when the list is full.
    int AttachStage(TDSPTAG* stage);
    // 0, -1 (bad size, reported here) or -2 (the device reported).
    int Open(TZylAudioTAG* audio, const TWaveFormatEx* format, const TVxBufferConfig& config,
             uint32_t sizeBytes);
    void Close();

    void RequestRestart(uint32_t ms, bool play);
    // Whether a caller must wait on Event before the restart it asked for is
    // done. Tested under the lock; the wait happens outside it, and the event
    // latches a signal given in between.
    bool RestartOutstanding() const { return Active && RestartPending; }
    // True when the device plays now, or will once the pending restart runs.
    bool WillPlay();
    int TakePlayedBytes();

    void StartLoop(uint32_t ms);
    void EndLoop();

    // Device volume/pan first, then the stages that asked for them.
    void SetVolume(uint32_t volume);
    void SetPan(int32_t pan);
    void MuteOn() { TZylSoundBufferTAG::MuteOn(); }
    void MuteOff() { TZylSoundBufferTAG::MuteOff(); }
    // While a restart is pending these only decide whether the restart plays,
    // so that stale buffer memory is never heard and the wish is not lost.
    void Play();
    void Stop();

    // The read this service needs (a restart's, or the next chunk's), or
    // null when none is due or one is still out. The caller runs it without
    // the lock and hands it to FinishService under the lock.
    std::shared_ptr<TVxChunkRead> BeginService();
    // Writes the read's chunk unless the song moved or closed since it was
    // handed out. After a restart the same service goes on with the next
    // chunk: the read returned is that one's (or null).
    std::shared_ptr<TVxChunkRead> FinishService(const TVxChunkRead& read);
    // Whether read is the one out for the song now loaded: false once the
    // song it was handed out for is closed.
    bool IsReadOut(const TVxChunkRead& read) const {
        return ChunkReadOut && &read == ChunkRead.get();
    }
    bool ReadOut() const { return ChunkReadOut; }
    // Whether services have work that time alone brings: the device plays
    // (or loops), a restart or read is outstanding, or the buffer has room
    // for another chunk. Without it the buffer stands still until a request
    // changes it.
    bool NeedsService();

    uint32_t WritePos = 0;
    int PlayedBytes = 0;
    uint32_t LastPlayCursor = 0;
    uint32_t FreeBytes = 0;
    uint32_t RestartMs = 0;
    uint32_t RestartOffset = 0;
    uint32_t PlayAfterRestart = 0;
    uint32_t Looping = 0;
    TZylEventTAG Event;
    bool Running = false;
    bool RestartPending = false;
    uint32_t ChunkBytes = 0;
    uint32_t FramesPerChunk = 0;
    uint32_t BytesPerDecoderFrame = 0;
    uint32_t LoopBytes = 0;
    uint32_t LoopPauseMs = 50;
    uint32_t StageCount = 0;
    TDSPTAG* Stages[MaxStages] = {};
    // Set when the decoder failed; the song then runs out in silence without
    // asking the decoder (and reporting its failure) again until a restart.
    bool DecoderFailed = false;
    uint64_t Generation = 0;

private:
    std::shared_ptr<TVxChunkRead> HandOut(bool restart);
    void CommitRestart(const TVxChunkRead& read);
    void ServiceLoop(uint32_t cursor);
    void UpdateFreeAndPlayed(uint32_t cursor);
    // Writes the read's chunk into [offset, offset + ChunkBytes), silence
    // after its valid part, and runs the stages.
    bool WriteChunk(uint32_t offset, const TVxChunkRead& read);
    void NotifyStages(uint32_t flag, uint32_t value);

    TVxClock& Clock;
    // The song's one read, reused chunk after chunk; replaced when a song
    // opens or closes, so a read still out for a closed song stays its own.
    std::shared_ptr<TVxChunkRead> ChunkRead;
    bool ChunkReadOut = false;
};
