// The waveform decoder: integer PCM (8 to 32 bits) and IEEE float data in
// RIFF WAVE files, plain or WAVE_FORMAT_EXTENSIBLE.
//
// Its read unit is a block of 128 bytes, not a sample frame (the data's
// last frames fill a unit of their own, completed by silence); for sample
// frames that do not divide 128 (24-bit) it is the smallest multiple of 128
// that holds whole frames, so that chunks and the looping device buffer
// never split a frame. Sources of one or two channels play as they are
// stored; sources with more channels are folded to stereo 32-bit float
// (front left/right, centre and surrounds at -3 dB), and 64-bit float plays
// as 32-bit float. Like every decoder it has no lock: the player system
// never makes two calls at once on one object.
#pragma once

#include "decoding/RiffWave.h"
#include "decoding/SampleFold.h"
#include "decoding/VxPlayer.h"

#include <cstdint>
#include <vector>

class TZylWAVTAG : public TVxPlayerTAG {
public:
    static constexpr uint32_t kBlockBytes = 128;

    uint32_t DataSize = 0; // bytes of the data chunk
    uint32_t Position = 0; // byte position in the data, set by Seek only
    TRiffHandle Handle;
    TWaveFormatHandle LoadedFormat;
    TMmChunkInfo DataChunk;
    TMmChunkInfo RiffChunk;
    // The stored layout where it differs from Format (folded or widened).
    uint16_t SourceTag = 0;
    uint16_t SourceBits = 0;
    uint16_t SourceBlockAlign = 0;
    uint32_t SourceBytesPerSec = 0;
    bool Converts = false;
    TStereoFold Fold;

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

private:
    uint32_t SourceUnitBytes() const;
    uint32_t SeekBytes(uint32_t ms) const;
    // Reads whole units of the source and converts them into buffer.
    uint32_t ReadConverted(uint8_t* buffer, uint32_t frames);

    std::vector<uint8_t> SourceScratch;
    std::vector<float> FloatScratch;
};
