#include "engine/VxBuffer.h"

#include "diag/Diag.h"

#include <algorithm>
#include <cstring>

TVxBufferTAG::~TVxBufferTAG() {
    Close();
}

int TVxBufferTAG::AttachStage(TDSPTAG* stage) {
    if (StageCount >= MaxStages)
        return 0;
    Stages[StageCount++] = stage;
    return 1;
}

void TVxBufferTAG::NotifyStages(uint32_t flag, uint32_t value) {
    for (uint32_t i = 0; i < StageCount; ++i) {
        TDSPTAG* stage = Stages[i];
        if (!(stage->Flags() & flag))
            continue;
        if (flag == kDspWantsPosition)
            stage->NotifyPosition(value);
        else if (flag == kDspWantsVolume)
            stage->NotifyVolume(value);
        else
            stage->NotifyPan(static_cast<int32_t>(value));
    }
}

int TVxBufferTAG::Open(TZylAudioTAG* audio, const TWaveFormatEx* format,
                       const TVxBufferConfig& config, uint32_t sizeBytes) {
    Close();
    if (config.ChunkBytes == 0 || sizeBytes == 0 || sizeBytes % config.ChunkBytes != 0 ||
        config.Decoder == nullptr || config.BytesPerFrame == 0 ||
        config.FramesPerChunk * config.BytesPerFrame > config.ChunkBytes) {
        DIAG_REPORT(kDiagReported, "VxBuffer: Bad config data");
        return kDiagReported;
    }
    if (Create(audio, format, sizeBytes, kZylBufferLooping, 0) != 0) {
        DIAG_REPORT(kDiagSilent, "%s", "");
        return kDiagSilent;
    }
    ChunkBytes = config.ChunkBytes;
    FramesPerChunk = config.FramesPerChunk;
    BytesPerDecoderFrame = config.BytesPerFrame;
    LoopPauseMs = config.LoopPauseMs;
    LoopBytes = static_cast<uint32_t>(config.LoopMs * static_cast<double>(BytesPerSecond) * 0.001);

    SetPlayCursor(0);
    WritePos = 0;
    LastPlayCursor = 0;
    PlayedBytes = 0;
    FreeBytes = sizeBytes;
    Looping = 0;
    Running = false;
    RestartPending = false;
    DecoderFailed = false;
    ChunkRead = std::make_shared<TVxChunkRead>();
    ChunkRead->Decoder = config.Decoder;
    ChunkRead->Frames = FramesPerChunk;
    ChunkRead->Data.resize(ChunkBytes);
    ChunkReadOut = false;
    ++Generation;
    Event.Reset();

    for (uint32_t i = 0; i < StageCount; ++i)
        Stages[i]->Start(this, ChunkBytes);
    NotifyStages(kDspWantsPosition, 0);
    NotifyStages(kDspWantsVolume, GetEffectiveVolume());
    NotifyStages(kDspWantsPan, static_cast<uint32_t>(GetPan()));
    return 0;
}

void TVxBufferTAG::Close() {
    if (!Active)
        return;
    TZylSoundBufferTAG::Stop();
    Running = false;
    RestartPending = false;
    Looping = 0;
    // A read still out keeps its own share of the decoder and frees it.
    ChunkRead.reset();
    ChunkReadOut = false;
    ++Generation;
    for (uint32_t i = 0; i < StageCount; ++i)
        Stages[i]->Stop();
    Release();
    // Nobody may keep waiting for a restart that will never run.
    Event.Signal();
}

void TVxBufferTAG::RequestRestart(uint32_t ms, bool play) {
    if (!Active)
        return;
    RestartMs = ms;
    PlayAfterRestart = play ? 1 : 0;
    ++Generation;
    if (!RestartPending)
        Event.Reset();
    RestartPending = true;
}

bool TVxBufferTAG::WillPlay() {
    if (!Active)
        return false;
    return RestartPending ? PlayAfterRestart != 0 : IsPlaying();
}

int TVxBufferTAG::TakePlayedBytes() {
    const int played = PlayedBytes;
    PlayedBytes = 0;
    return played;
}

void TVxBufferTAG::Play() {
    if (RestartPending)
        PlayAfterRestart = 1;
    else
        TZylSoundBufferTAG::Play();
}

void TVxBufferTAG::Stop() {
    if (RestartPending)
        PlayAfterRestart = 0;
    TZylSoundBufferTAG::Stop();
}

void TVxBufferTAG::StartLoop(uint32_t ms) {
    if (Looping)
        return;
    RequestRestart(ms, true);
    Looping = 1;
}

void TVxBufferTAG::EndLoop() {
    if (!Looping)
        return;
    const bool playing = WillPlay();
    Stop();
    SetPlayCursor(RestartOffset);
    Looping = 0;
    if (playing)
        Play();
}

void TVxBufferTAG::SetVolume(uint32_t volume) {
    if (!Active)
        return;
    TZylSoundBufferTAG::SetVolume(volume);
    NotifyStages(kDspWantsVolume, GetEffectiveVolume());
}

void TVxBufferTAG::SetPan(int32_t pan) {
    if (!Active)
        return;
    TZylSoundBufferTAG::SetPan(pan);
    NotifyStages(kDspWantsPan, static_cast<uint32_t>(GetPan()));
}

bool TVxBufferTAG::WriteChunk(uint32_t offset, const TVxChunkRead& read) {
    void* memory = nullptr;
    if (Lock(offset, ChunkBytes, &memory) != 0 || memory == nullptr)
        return false;
    uint8_t* data = static_cast<uint8_t*>(memory);
    // The frames a failing read did decode still play; only what follows
    // them becomes silence.
    if (read.ReadFailed)
        DecoderFailed = true;
    const uint32_t valid = std::min(read.FramesRead, FramesPerChunk) * BytesPerDecoderFrame;
    std::memcpy(data, read.Data.data(), valid);
    // Whatever the decoder left behind the valid part is replaced by
    // silence; a failed decoder guarantees nothing about it.
    if (valid < ChunkBytes)
        std::memset(data + valid, BitsPerSample == 8 ? 128 : 0, ChunkBytes - valid);
    for (uint32_t i = 0; i < StageCount; ++i)
        Stages[i]->Process(data, 0, offset, ChunkBytes, valid);
    Unlock();
    return true;
}

std::shared_ptr<TVxChunkRead> TVxBufferTAG::HandOut(bool restart) {
    TVxChunkRead& read = *ChunkRead;
    read.Generation = Generation;
    read.Restart = restart;
    read.RestartMs = RestartMs;
    read.DecoderFailed = DecoderFailed;
    ChunkReadOut = true;
    return ChunkRead;
}

void TVxBufferTAG::CommitRestart(const TVxChunkRead& read) {
    WritePos = 0;
    DecoderFailed = read.SeekFailed;
    const uint32_t skip = read.SkipBytes;
    // The skip lies inside the first chunk; anything else from a decoder
    // would put the play cursor behind the audio written.
    RestartOffset = skip < ChunkBytes ? skip - skip % BytesPerFrame : 0;
    NotifyStages(kDspWantsPosition, read.RestartMs);
    if (WriteChunk(0, read))
        WritePos = ChunkBytes;
    PlayedBytes = 0;
    LastPlayCursor = RestartOffset;
    SetPlayCursor(RestartOffset);
    if (PlayAfterRestart)
        TZylSoundBufferTAG::Play();
    RestartPending = false;
    Running = true;
    Event.Signal();
}

void TVxBufferTAG::ServiceLoop(uint32_t cursor) {
    if (cursor > RestartOffset + LoopBytes) {
        TZylSoundBufferTAG::Stop();
        if (LoopPauseMs != 0)
            Clock.SleepMs(LoopPauseMs);
        SetPlayCursor(RestartOffset);
        TZylSoundBufferTAG::Play();
    }
    FreeBytes = SizeBytes - WritePos;
}

void TVxBufferTAG::UpdateFreeAndPlayed(uint32_t cursor) {
    if (cursor == WritePos)
        FreeBytes = SizeBytes;
    else if (cursor < WritePos)
        FreeBytes = cursor + SizeBytes - WritePos;
    else
        FreeBytes = cursor - WritePos;
    if (cursor != LastPlayCursor) {
        const uint32_t ahead = cursor < LastPlayCursor ? cursor + SizeBytes : cursor;
        PlayedBytes += static_cast<int>(ahead - LastPlayCursor);
        LastPlayCursor = cursor;
    }
}

bool TVxBufferTAG::NeedsService() {
    if (!Active)
        return false;
    return RestartPending || ChunkReadOut || Looping != 0 || IsPlaying() ||
           (Running && FreeBytes > ChunkBytes);
}

std::shared_ptr<TVxChunkRead> TVxBufferTAG::BeginService() {
    if (!Active || ChunkReadOut)
        return nullptr;
    if (RestartPending) {
        // Stale buffer memory must not play while the restart's read runs.
        TZylSoundBufferTAG::Stop();
        return HandOut(true);
    }
    if (!Running)
        return nullptr;
    const uint32_t cursor = GetPlayCursor();
    if (Looping)
        ServiceLoop(cursor);
    else
        UpdateFreeAndPlayed(cursor);
    // While the read is out the play cursor only plays on, which frees more,
    // or jumps back behind WritePos (the search loop): the part found free
    // here is still free when the read is written.
    if (FreeBytes <= ChunkBytes)
        return nullptr;
    if (WritePos == SizeBytes)
        WritePos = 0;
    return HandOut(false);
}

std::shared_ptr<TVxChunkRead> TVxBufferTAG::FinishService(const TVxChunkRead& read) {
    if (!IsReadOut(read))
        return nullptr;
    ChunkReadOut = false;
    // A seek, cue, search step or loop asked for a restart meanwhile: the
    // chunk belongs to the old position. The next service restarts.
    if (read.Generation != Generation)
        return nullptr;
    if (!read.Restart) {
        if (WriteChunk(WritePos, read))
            WritePos += ChunkBytes;
        return nullptr;
    }
    CommitRestart(read);
    return BeginService();
}
