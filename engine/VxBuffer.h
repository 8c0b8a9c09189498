// The stream buffer: streams a song into a looping device buffer of about
// three seconds. A write position chases the play cursor one chunk at a
// time; a restart refills the buffer from a new song position with sample
// accuracy; the search loop repeats a short piece; the played-byte count
// drives the song's position; processing stages see every written chunk.
//
// Threads: every operation runs with the player system's lock held. Service
// runs on the worker (every 20 ms); restart requests come from the window
// thread and are carried out by the next Service, which then signals Event.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/VxClock.h"
#include "engine/VxDSP.h"
#include "engine/ZylSync.h"
#include "engine/device/ZylDS.h"

#include <cstdint>

struct TVxBufferConfig {
    uint32_t ChunkBytes = 0;
    uint32_t FramesPerChunk = 0; // decoder frames per chunk
    uint32_t BytesPerFrame = 0;  // bytes of PCM in one decoder frame
    uint32_t LoopMs = 200;
    uint32_t LoopPauseMs = 50;
    TVxPlayerTAG* Decoder = nullptr;
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

    void Service();

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
    TVxPlayerTAG* Decoder = nullptr;
    uint32_t StageCount = 0;
    TDSPTAG* Stages[MaxStages] = {};
    // Set when the decoder failed; the song then runs out in silence without
    // asking the decoder (and reporting its failure) again until a restart.
    bool DecoderFailed = false;

private:
    void PerformRestart();
    void ServiceLoop(uint32_t cursor);
    void UpdateFreeAndPlayed(uint32_t cursor);
    // Decodes one chunk into [offset, offset + ChunkBytes) and runs the stages.
    bool WriteChunk(uint32_t offset);
    void NotifyStages(uint32_t flag, uint32_t value);

    TVxClock& Clock;
};
