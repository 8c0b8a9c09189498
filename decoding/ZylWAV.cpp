#include "decoding/ZylWAV.h"

#include "diag/Diag.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <strings.h>

namespace {

constexpr const char* kCantOpen = "WAV player: Can't open file";
constexpr const char* kUnsupported = "WAV player: Unsupported wave format";
constexpr const char* kLoadingError = "WAV player: Loading error";
constexpr const char* kNotOpen = "WAV player:  File not open";

// Converts a non-negative time or byte figure to 32 bits, saturating: a
// tiny byte rate in a damaged header must not overflow the conversion.
uint32_t TruncToU32(double value) {
    if (!(value > 0))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<uint32_t>::max()))
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(value);
}

// A header may store 0 bytes per second; such a file has no measurable
// length rather than an infinite one.
uint32_t LengthMsOf(uint32_t dataSize, uint32_t avgBytesPerSec) {
    if (avgBytesPerSec == 0)
        return 0;
    return TruncToU32(static_cast<double>(dataSize) / avgBytesPerSec * 1000);
}

// The file name without folder and extension.
const char* FileNamePart(const char* path, size_t& length) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash != nullptr ? slash + 1 : path;
    const char* dot = std::strrchr(name, '.');
    length = dot != nullptr ? static_cast<size_t>(dot - name) : std::strlen(name);
    return name;
}

// Copies a UTF-8 text into a fixed buffer, cutting before a character that
// would not fit whole.
void CopyUtf8Cut(char* dest, size_t destSize, const char* src, size_t length) {
    if (length >= destSize) {
        length = destSize - 1;
        while (length > 0 && (static_cast<unsigned char>(src[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(dest, src, length);
    dest[length] = '\0';
}

bool HasWavExtension(const char* path) {
    size_t length = 0;
    const char* name = FileNamePart(path, length);
    return strcasecmp(name + length, ".WAV") == 0;
}

// A PCM format this decoder can describe to the sound device: zero
// channels, bits or rate would give a device format of no size.
bool IsPlayablePcm(const TWaveFormatEx& format) {
    return format.wFormatTag == kWaveFormatPcm && format.nChannels != 0 &&
           format.wBitsPerSample != 0 && format.nSamplesPerSec != 0;
}

struct TWaveSource {
    TRiffHandle Handle;
    TWaveFormatHandle Format;
    TMmChunkInfo Riff;
    TMmChunkInfo Data;
};

// The checks Open and GetInfo share; each failure is reported here. On
// failure the source is closed.
int OpenWaveSource(const char* path, TWaveSource& source) {
    if (WaveOpenRead(path, source.Handle, source.Format, source.Riff) != 0) {
        DIAG_REPORT(kDiagReported, "%s", kCantOpen);
        return kDiagReported;
    }
    if (!IsPlayablePcm(source.Format->Header)) {
        DIAG_REPORT(kDiagReported, "%s", kUnsupported);
        WaveCloseRead(source.Handle, source.Format);
        return kDiagReported;
    }
    if (WaveStartData(*source.Handle, source.Data, source.Riff) != 0) {
        DIAG_REPORT(kDiagReported, "%s", kLoadingError);
        WaveCloseRead(source.Handle, source.Format);
        return kDiagReported;
    }
    return 0;
}

} // namespace

TZylWAVTAG::~TZylWAVTAG() {
    if (IsOpen)
        Close();
}

int TZylWAVTAG::Accepts(const char* path) {
    if (!HasWavExtension(path))
        return 0;
    TWaveSource source;
    if (WaveOpenRead(path, source.Handle, source.Format, source.Riff) != 0)
        return 1;
    const bool mpegInWave = source.Format->Header.wFormatTag == kWaveFormatMpegLayer3;
    WaveCloseRead(source.Handle, source.Format);
    return mpegInWave ? 0 : 1;
}

int TZylWAVTAG::Open(const char* path, uint32_t /*mode*/) {
    Close();
    TWaveSource source;
    if (const int result = OpenWaveSource(path, source))
        return result;
    Handle = std::move(source.Handle);
    LoadedFormat = std::move(source.Format);
    RiffChunk = source.Riff;
    DataChunk = source.Data;

    const TWaveFormatEx& header = LoadedFormat->Header;
    Position = 0;
    DataSize = DataChunk.cksize;
    Format = MakePcmFormat(header.nChannels, header.nSamplesPerSec, header.wBitsPerSample);
    SeekAlignMask = -4;
    LengthMs = LengthMsOf(DataSize, Format.nAvgBytesPerSec);
    BytesPerFrame = kBlockBytes;
    IsOpen = 1;
    return 0;
}

int TZylWAVTAG::GetInfo(const char* path, char* name, uint32_t* lengthMs) {
    if (name != nullptr) {
        size_t length = 0;
        const char* part = FileNamePart(path, length);
        CopyUtf8Cut(name, kSongNameSize, part, length);
    }
    TWaveSource source;
    if (const int result = OpenWaveSource(path, source))
        return result;
    if (lengthMs != nullptr)
        *lengthMs = LengthMsOf(source.Data.cksize, source.Format->Header.nAvgBytesPerSec);
    WaveCloseRead(source.Handle, source.Format);
    return 0;
}

void TZylWAVTAG::Close() {
    if (!IsOpen)
        return;
    WaveCloseRead(Handle, LoadedFormat);
    IsOpen = 0;
}

int TZylWAVTAG::Seek(uint32_t ms, uint32_t* skipBytes) {
    if (!IsOpen) {
        DIAG_REPORT(kDiagReported, "%s", kNotOpen);
        return kDiagReported;
    }
    ms = std::min(ms, LengthMs);
    const uint32_t bytes = TruncToU32(ms * static_cast<double>(Format.nAvgBytesPerSec) * 0.001) &
                           static_cast<uint32_t>(SeekAlignMask);
    if (skipBytes != nullptr)
        *skipBytes = 0;
    // A failed seek leaves nothing to read, which plays as silence.
    WaveSeekData(*Handle, DataChunk, RiffChunk, bytes);
    Position = bytes;
    return 0;
}

int TZylWAVTAG::Read(void* buffer, uint32_t frames, uint32_t* framesRead) {
    if (!IsOpen) {
        if (framesRead != nullptr)
            *framesRead = 0;
        DIAG_REPORT(kDiagReported, "%s", kNotOpen);
        return kDiagReported;
    }
    const uint64_t wanted = uint64_t{frames} * kBlockBytes;
    const uint32_t request = static_cast<uint32_t>(std::min<uint64_t>(
        wanted, std::numeric_limits<uint32_t>::max() / kBlockBytes * kBlockBytes));
    uint32_t copied = 0;
    // A file that ends early still counts what it gave; the rest is silence.
    WaveReadData(*Handle, request, buffer, DataChunk, copied);
    const uint32_t whole = copied / kBlockBytes;
    if (framesRead != nullptr)
        *framesRead = whole;
    if (whole < frames) {
        // Unsigned 8-bit samples are silent at 128; wider ones are signed and
        // silent at 0.
        const int silence = Format.wBitsPerSample <= 8 ? 128 : 0;
        std::memset(static_cast<uint8_t*>(buffer) + uint64_t{whole} * kBlockBytes, silence,
                    static_cast<size_t>(wanted - uint64_t{whole} * kBlockBytes));
    }
    return 0;
}
