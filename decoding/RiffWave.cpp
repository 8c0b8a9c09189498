#include "decoding/RiffWave.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

TRiffFile::~TRiffFile() {
    ::close(Fd);
}

uint64_t TRiffFile::Size() const {
    struct stat status {};
    return fstat(Fd, &status) == 0 && status.st_size > 0 ? uint64_t(status.st_size) : 0;
}

void TRiffFile::Seek(uint64_t position) {
    if (position >= BufferStart && position <= BufferStart + Fill) {
        Index = static_cast<size_t>(position - BufferStart);
        return;
    }
    BufferStart = position;
    Fill = 0;
    Index = 0;
}

size_t TRiffFile::Advance() {
    BufferStart = Tell();
    Fill = 0;
    Index = 0;
    if (BufferStart > static_cast<uint64_t>(std::numeric_limits<off_t>::max()))
        return 0;
    ssize_t got;
    do {
        got = ::pread(Fd, Buffer, kBufferSize, static_cast<off_t>(BufferStart));
    } while (got < 0 && errno == EINTR);
    Fill = got > 0 ? static_cast<size_t>(got) : 0;
    return Fill;
}

size_t TRiffFile::TakeBuffered(uint8_t* dest, size_t count) {
    const size_t take = std::min(count, Buffered());
    std::memcpy(dest, Buffer + Index, take);
    Index += take;
    return take;
}

size_t TRiffFile::Read(void* dest, size_t count) {
    auto* out = static_cast<uint8_t*>(dest);
    size_t copied = 0;
    while (copied < count) {
        if (Buffered() == 0 && Advance() == 0)
            break;
        copied += TakeBuffered(out + copied, count - copied);
    }
    return copied;
}

namespace {

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

constexpr uint32_t kChunkHeaderSize = 8;

// Searches the chunk with the given id among the chunks that start inside
// the parent, beginning at the read position. On success the file stands at
// the chunk's first data byte. Every step moves forward by at least a
// header, so a damaged file cannot make the search loop.
bool DescendById(TRiffFile& file, uint32_t id, const TMmChunkInfo& parent, TMmChunkInfo& chunk) {
    const uint64_t parentEnd = uint64_t{parent.dwDataOffset} + parent.cksize;
    uint64_t at = file.Tell();
    while (at + kChunkHeaderSize <= parentEnd &&
           at + kChunkHeaderSize <= std::numeric_limits<uint32_t>::max()) {
        uint8_t header[kChunkHeaderSize];
        file.Seek(at);
        if (file.Read(header, sizeof header) != sizeof header)
            return false;
        const uint32_t size = Le32(header + 4);
        if (Le32(header) == id) {
            chunk = TMmChunkInfo{id, size, 0, static_cast<uint32_t>(at + kChunkHeaderSize), 0};
            return true;
        }
        at += kChunkHeaderSize + uint64_t{size} + (size & 1u);
    }
    return false;
}

int OpenRiffWave(const char* path, TRiffHandle& handle, TMmChunkInfo& riff) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return kWaveErrCannotOpen;
    handle.reset(new (std::nothrow) TRiffFile(fd));
    if (!handle) {
        ::close(fd);
        return kWaveErrCannotOpen;
    }
    uint8_t header[12];
    if (handle->Read(header, sizeof header) != sizeof header ||
        Le32(header) != MakeFourCC("RIFF") || Le32(header + 8) != MakeFourCC("WAVE"))
        return kWaveErrNotWave;
    riff =
        TMmChunkInfo{MakeFourCC("RIFF"), Le32(header + 4), MakeFourCC("WAVE"), kChunkHeaderSize, 0};
    return 0;
}

constexpr uint32_t kPcmFormatSize = 16;
constexpr uint32_t kExtraSizeFieldSize = 2;

TWaveFormatEx ParsePcmPart(const uint8_t* p) {
    TWaveFormatEx format;
    format.wFormatTag = Le16(p);
    format.nChannels = Le16(p + 2);
    format.nSamplesPerSec = Le32(p + 4);
    format.nAvgBytesPerSec = Le32(p + 8);
    format.nBlockAlign = Le16(p + 12);
    format.wBitsPerSample = Le16(p + 14);
    return format;
}

// Loads the format chunk the file stands in. Reads stay inside the chunk:
// a non-PCM chunk of exactly 16 bytes has no extra-size field and gets 0,
// rather than taking the next chunk's header for one.
int LoadFormat(TRiffFile& file, const TMmChunkInfo& chunk, TWaveFormatHandle& format) {
    if (chunk.cksize < kPcmFormatSize)
        return kWaveErrNotWave;
    uint8_t pcm[kPcmFormatSize];
    if (file.Read(pcm, sizeof pcm) != sizeof pcm)
        return kWaveErrReadFormat;
    const TWaveFormatEx header = ParsePcmPart(pcm);
    uint16_t extraSize = 0;
    if (header.wFormatTag != kWaveFormatPcm &&
        chunk.cksize >= kPcmFormatSize + kExtraSizeFieldSize) {
        uint8_t field[kExtraSizeFieldSize];
        if (file.Read(field, sizeof field) != sizeof field)
            return kWaveErrReadFormat;
        extraSize = Le16(field);
    }
    format.reset(new (std::nothrow) TWaveFormatRecord{header, {}});
    if (!format)
        return kWaveErrNoMemory;
    format->Header.cbSize = extraSize;
    if (extraSize == 0)
        return 0;
    if (uint64_t{kPcmFormatSize} + kExtraSizeFieldSize + extraSize > chunk.cksize)
        return kWaveErrNotWave;
    format->Extra.resize(extraSize);
    return file.Read(format->Extra.data(), extraSize) == extraSize ? 0 : kWaveErrNotWave;
}

int OpenAndLoadFormat(const char* path, TRiffHandle& handle, TWaveFormatHandle& format,
                      TMmChunkInfo& riff) {
    if (const int error = OpenRiffWave(path, handle, riff))
        return error;
    TMmChunkInfo chunk;
    if (!DescendById(*handle, MakeFourCC("fmt "), riff, chunk))
        return kWaveErrNotWave;
    return LoadFormat(*handle, chunk, format);
}

} // namespace

int WaveOpenRead(const char* path, TRiffHandle& handle, TWaveFormatHandle& format,
                 TMmChunkInfo& riff) {
    handle.reset();
    format.reset();
    const int error = OpenAndLoadFormat(path, handle, format, riff);
    if (error != 0)
        WaveCloseRead(handle, format);
    return error;
}

int WaveStartData(TRiffFile& handle, TMmChunkInfo& data, const TMmChunkInfo& riff) {
    handle.Seek(uint64_t{riff.dwDataOffset} + 4);
    if (!DescendById(handle, MakeFourCC("data"), riff, data))
        return kWaveErrNotWave;
    const uint64_t size = handle.Size();
    if (size != 0)
        data.cksize = static_cast<uint32_t>(std::min<uint64_t>(
            data.cksize, size > data.dwDataOffset ? size - data.dwDataOffset : 0));
    return 0;
}

int WaveSeekData(TRiffFile& handle, TMmChunkInfo& data, const TMmChunkInfo& riff, uint32_t offset) {
    if (const int error = WaveStartData(handle, data, riff))
        return error;
    handle.Seek(handle.Tell() + offset);
    data.cksize = offset < data.cksize ? data.cksize - offset : 0;
    return 0;
}

int WaveReadData(TRiffFile& handle, uint32_t count, void* dest, TMmChunkInfo& data,
                 uint32_t& bytesCopied) {
    const uint32_t wanted = std::min(count, data.cksize);
    data.cksize -= wanted;
    // The buffer is refilled from the file as it runs dry; a refill that
    // brings nothing means the file ended inside the data chunk.
    bytesCopied = static_cast<uint32_t>(handle.Read(dest, wanted));
    return bytesCopied == wanted ? 0 : kWaveErrCannotRead;
}

int WaveCloseRead(TRiffHandle& handle, TWaveFormatHandle& format) {
    format.reset();
    handle.reset();
    return 0;
}
