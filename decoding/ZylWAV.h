// The waveform decoder: PCM data in RIFF WAVE files.
//
// Its read unit is a block of 128 bytes, not a sample frame. Like every
// decoder it has no lock: the player system calls it under its own lock.
#pragma once

#include "decoding/RiffWave.h"
#include "decoding/VxPlayer.h"

#include <cstdint>

class TZylWAVTAG : public TVxPlayerTAG {
public:
    static constexpr uint32_t kBlockBytes = 128;

    uint32_t DataSize = 0; // bytes of the data chunk
    uint32_t Position = 0; // byte position in the data, set by Seek only
    TRiffHandle Handle;
    TWaveFormatHandle LoadedFormat;
    TMmChunkInfo DataChunk;
    TMmChunkInfo RiffChunk;

    TZylWAVTAG() = default;
    ~TZylWAVTAG() override;

    // Claims ".wav" files (any case) except MPEG Layer III data in a WAVE
    // file, which falls through to the MPEG decoder. A ".wav" that cannot be
    // read is claimed, so that its open reports this decoder's own error.
    int Accepts(const char* path) override;
    // The mode is ignored.
    int Open(const char* path, uint32_t mode) override;
    int GetInfo(const char* path, char* name, uint32_t* lengthMs) override;
    void Close() override;
    int Seek(uint32_t ms, uint32_t* skipBytes) override;
    int Read(void* buffer, uint32_t frames, uint32_t* framesRead) override;
};
