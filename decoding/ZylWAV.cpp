#include "decoding/ZylWAV.h"

#include "decoding/SongFileName.h"
#include "decoding/WaveLayout.h"
#include "diag/Diag.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <strings.h>
#include <utility>

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

bool HasWavExtension(const char* path) {
    return strcasecmp(SongFileExtension(path), ".WAV") == 0;
}

struct TWaveSource {
    TRiffHandle Handle;
    TWaveFormatHandle Format;
    TMmChunkInfo Riff;
    TMmChunkInfo Data;
    TWaveLayout Layout;
};

// One or two channels of a width the device takes play untouched.
bool PlaysAsStored(const TWaveLayout& layout) {
    return layout.Channels <= 2 && (layout.Tag == kWaveFormatPcm || layout.Bits == 32);
}

uint32_t Gcd(uint32_t a, uint32_t b) {
    while (b != 0)
        a = std::exchange(b, a % b);
    return a;
}

// The checks Open and GetInfo share; each failure is reported here. On
// failure the source is closed.
int OpenWaveSource(const char* path, TWaveSource& source) {
    if (WaveOpenRead(path, source.Handle, source.Format, source.Riff) != 0) {
        DIAG_REPORT(kDiagReported, "%s", kCantOpen);
        return kDiagReported;
    }
    if (!ResolveWaveLayout(*source.Format, source.Layout)) {
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

    const TWaveLayout& layout = source.Layout;
    Position = 0;
    DataSize = DataChunk.cksize;
    SourceTag = layout.Tag;
    SourceBits = layout.Bits;
    SourceBlockAlign = layout.BlockAlign();
    SourceBytesPerSec = layout.Rate * SourceBlockAlign;
    Converts = !PlaysAsStored(layout);
    if (Converts) {
        Format = MakeFloatFormat(std::min<uint16_t>(layout.Channels, 2), layout.Rate);
        Fold.InitFromMask(layout.ChannelMask, layout.Channels);
        BytesPerFrame = kBlockBytes;
    } else {
        Format = MakePcmFormat(layout.Channels, layout.Rate, layout.Bits);
        Format.wFormatTag = layout.Tag;
        BytesPerFrame = kBlockBytes / Gcd(kBlockBytes, Format.nBlockAlign) * Format.nBlockAlign;
    }
    SeekAlignMask = -4;
    LengthMs = LengthMsOf(DataSize, SourceBytesPerSec);
    IsOpen = 1;
    return 0;
}

int TZylWAVTAG::GetInfo(const char* path, char* name, uint32_t* lengthMs) {
    if (name != nullptr)
        CopySongFileName(path, name);
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
    const uint32_t bytes = SeekBytes(std::min(ms, LengthMs));
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
    auto* out = static_cast<uint8_t*>(buffer);
    const uint64_t wanted = uint64_t{frames} * BytesPerFrame;
    uint32_t whole = 0;
    uint64_t filled = 0; // bytes of out that hold the song
    if (Converts) {
        whole = ReadConverted(out, frames);
        filled = uint64_t{whole} * BytesPerFrame;
    } else {
        const uint32_t request = static_cast<uint32_t>(std::min<uint64_t>(
            wanted, std::numeric_limits<uint32_t>::max() / BytesPerFrame * BytesPerFrame));
        uint32_t copied = 0;
        // A file that ends early still counts what it gave; the rest is silence.
        WaveReadData(*Handle, request, buffer, DataChunk, copied);
        filled = copied - copied % Format.nBlockAlign;
        // The data's last sample frames fill a unit of their own, completed
        // by silence, so that every sample plays.
        whole = static_cast<uint32_t>((filled + BytesPerFrame - 1) / BytesPerFrame);
    }
    if (framesRead != nullptr)
        *framesRead = whole;
    if (filled < wanted) {
        // Unsigned 8-bit samples are silent at 128; wider ones are signed and
        // silent at 0.
        const int silence = Format.wBitsPerSample <= 8 ? 128 : 0;
        std::memset(out + filled, silence, static_cast<size_t>(wanted - filled));
    }
    return 0;
}

uint32_t TZylWAVTAG::SourceUnitBytes() const {
    return BytesPerFrame / Format.nBlockAlign * SourceBlockAlign;
}

// Frames of up to four bytes keep the historic rounding (byte rate in
// floating point, then the align mask); wider frames land on the exact
// sample, which the mask alone would not keep whole.
uint32_t TZylWAVTAG::SeekBytes(uint32_t ms) const {
    if (!Converts && 4 % SourceBlockAlign == 0)
        return TruncToU32(ms * static_cast<double>(SourceBytesPerSec) * 0.001) &
               static_cast<uint32_t>(SeekAlignMask);
    const uint64_t frame = uint64_t{ms} * (SourceBytesPerSec / SourceBlockAlign) / 1000;
    return static_cast<uint32_t>(
        std::min<uint64_t>(frame * SourceBlockAlign, std::numeric_limits<uint32_t>::max()));
}

uint32_t TZylWAVTAG::ReadConverted(uint8_t* buffer, uint32_t frames) {
    const uint32_t unitBytes = SourceUnitBytes();
    const uint32_t unitSamples = unitBytes / (SourceBits / 8u);
    // The engine asks for one chunk at a time; the cap only bounds damage
    // from an absurd request.
    frames = std::min<uint32_t>(frames, (1u << 26) / unitBytes);
    SourceScratch.resize(size_t{frames} * unitBytes);
    const size_t unitFrames = BytesPerFrame / Format.nBlockAlign;
    // The samples as read, then the folded pairs behind them: the engine's
    // buffer need not be aligned for floats, so the result is copied out.
    FloatScratch.resize(size_t{frames} * (unitSamples + unitFrames * 2));
    uint32_t copied = 0;
    WaveReadData(*Handle, frames * unitBytes, SourceScratch.data(), DataChunk, copied);
    // The data's last source frames fill a unit of their own, completed by
    // silence, so that every sample plays.
    const uint32_t used = copied - copied % SourceBlockAlign;
    const uint32_t whole = (used + unitBytes - 1) / unitBytes;
    std::memset(SourceScratch.data() + used, SourceBits <= 8 ? 128 : 0,
                size_t{whole} * unitBytes - used);
    PcmToFloat(SourceScratch.data(), SourceTag, SourceBits, size_t{whole} * unitSamples,
               FloatScratch.data());
    const size_t outFrames = size_t{whole} * unitFrames;
    const float* result = FloatScratch.data();
    if (Fold.Channels() > 2) {
        float* folded = FloatScratch.data() + size_t{frames} * unitSamples;
        Fold.Apply(result, outFrames, folded);
        result = folded;
    }
    std::memcpy(buffer, result, outFrames * Format.nBlockAlign);
    return whole;
}
