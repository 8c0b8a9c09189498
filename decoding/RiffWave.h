// A plain reader of RIFF WAVE files over POSIX file I/O.
//
// It keeps the behaviour the waveform decoder was written against: chunks are
// searched by id inside the RIFF chunk (odd sizes skip their pad byte), the
// data chunk descriptor always holds the data bytes that remain, and reads
// never run past the data chunk. Sizes in the file are never trusted: a chunk
// that claims more than the file holds simply runs out of bytes.
//
// Every function returns 0 on success or one of the kWaveErr codes. They are
// stateless apart from the handle; none of them reports through diagnostics,
// the decoder above does.
#pragma once

#include "decoding/VxPlayer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr int kWaveErrNoMemory = 0xE000;   // the format record
constexpr int kWaveErrCannotOpen = 0xE100; // the file cannot be opened
constexpr int kWaveErrNotWave = 0xE101;    // not RIFF WAVE, or a malformed format chunk
constexpr int kWaveErrReadFormat = 0xE102; // a read of the format chunk failed
constexpr int kWaveErrCannotRead = 0xE103; // the data ended before the buffer could be refilled

// The chunk-information record: id, size, form type (RIFF chunks only),
// offset of the chunk's data in the file, flags.
struct TMmChunkInfo {
    uint32_t ckid = 0;
    uint32_t cksize = 0;
    uint32_t fccType = 0;
    uint32_t dwDataOffset = 0;
    uint32_t dwFlags = 0;
};

// The format chunk as loaded: the fixed part, and the extra bytes that
// follow it when the format tag is not PCM (Header.cbSize of them).
struct TWaveFormatRecord {
    TWaveFormatEx Header;
    std::vector<uint8_t> Extra;
};

// An open file with its read buffer. Positions are 64-bit so that sizes
// near 4 GiB never wrap.
class TRiffFile {
public:
    explicit TRiffFile(int fd) : Fd(fd) {}
    ~TRiffFile();
    TRiffFile(const TRiffFile&) = delete;
    TRiffFile& operator=(const TRiffFile&) = delete;

    uint64_t Tell() const { return BufferStart + Index; }
    // Moves the read position; a position past the end is allowed and reads
    // nothing there.
    void Seek(uint64_t position);
    // Copies up to count bytes; fewer only at the end of the file.
    size_t Read(void* dest, size_t count);
    // The file's size in bytes now (0 when it cannot be told).
    uint64_t Size() const;

private:
    size_t Buffered() const { return Fill - Index; }
    // Reads the next block of the file into the buffer; returns the bytes
    // now buffered, 0 at the end of the file or on a read error.
    size_t Advance();
    size_t TakeBuffered(uint8_t* dest, size_t count);

    static constexpr size_t kBufferSize = 8192;
    int Fd;
    uint64_t BufferStart = 0; // file offset of Buffer[0]
    size_t Fill = 0;          // valid bytes in Buffer
    size_t Index = 0;         // read index into Buffer
    uint8_t Buffer[kBufferSize];
};

using TRiffHandle = std::unique_ptr<TRiffFile>;
using TWaveFormatHandle = std::unique_ptr<TWaveFormatRecord>;

// Four-character code as stored in the file ("RIFF" -> 'R' lowest byte).
constexpr uint32_t MakeFourCC(const char (&code)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3])) << 24;
}

// Opens path, checks RIFF/WAVE and loads the format chunk. On failure the
// handle and format stay empty.
int WaveOpenRead(const char* path, TRiffHandle& handle, TWaveFormatHandle& format,
                 TMmChunkInfo& riff);
// Finds the data chunk and stands at its first byte. Its size is what the
// header states, cut to what the file holds: a file cut short (or a header
// that lies) has the length of the audio it really has.
int WaveStartData(TRiffFile& handle, TMmChunkInfo& data, const TMmChunkInfo& riff);
// Stands offset bytes into the data chunk; data.cksize holds what remains
// behind that point (0 when offset lies beyond the chunk).
int WaveSeekData(TRiffFile& handle, TMmChunkInfo& data, const TMmChunkInfo& riff, uint32_t offset);
// Copies up to count bytes of the data chunk. bytesCopied is what was really
// copied, also when the file ends early (kWaveErrCannotRead): a data chunk
// that claims more than the file holds plays what exists.
int WaveReadData(TRiffFile& handle, uint32_t count, void* dest, TMmChunkInfo& data,
                 uint32_t& bytesCopied);
// Frees the format and closes the file; both end up empty.
int WaveCloseRead(TRiffHandle& handle, TWaveFormatHandle& format);
