#include "decoding/ZylMP3.h"

#include "decoding/ID3v1.h"
#include "diag/Diag.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

// Sampled bitrates that estimate the length of a file without a quick answer.
constexpr int kLengthSamples = 3;

int IndexKindFor(uint32_t mode) {
    if (mode & kMP3ModeExactIndex)
        return kIndexExact;
    if (mode & kMP3ModeCompatible2)
        return kIndexCompatible2;
    return kIndexCompatible;
}

// The file name without folder and extension: the display name of a file
// without a title of its own.
void FileTitleOf(const char* path, char* name, size_t size) {
    const char* slash = std::strrchr(path, '/');
    const char* base = slash != nullptr ? slash + 1 : path;
    const char* dot = std::strrchr(base, '.');
    const size_t length = dot != nullptr ? static_cast<size_t>(dot - base) : std::strlen(base);
    std::snprintf(name, size, "%.*s", static_cast<int>(length), base);
}

} // namespace

TZylMP3TAG::TZylMP3TAG() {
    FReady = FDecoder.Create() == 0;
}

TZylMP3TAG::~TZylMP3TAG() {
    Close();
    if (FReady)
        FDecoder.Destroy();
}

int TZylMP3TAG::Accepts(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || std::strchr(dot, '/') != nullptr)
        return 0;
    return strcasecmp(dot, ".MP3") == 0 || strcasecmp(dot, ".MP2") == 0 ||
                   strcasecmp(dot, ".MPG") == 0
               ? 1
               : 0;
}

int TZylMP3TAG::Prepare(const char* path, uint32_t mode, const std::atomic<bool>* cancel) {
    FPrepared = MakeIndex(IndexKindFor(mode));
    FPrepared->SetCancelFlag(cancel);
    if (FPrepared->Build(path) != 0)
        FPrepared.reset();
    FPreparedPath = path;
    FPreparedMode = mode;
    FPreparedValid = true;
    return FPrepared ? 0 : -2;
}

int TZylMP3TAG::Open(const char* path, uint32_t mode) {
    if (!FReady) {
        DIAG_REPORT(kDiagReported, "%s", "MP3 decoder: Cannot open - XAUDIO startup error");
        return -1;
    }
    Close();
    const bool prepared = FPreparedValid && FPreparedPath == path && FPreparedMode == mode;
    FPreparedValid = false;
    std::unique_ptr<TMPEGIndexTAG> index = prepared ? std::move(FPrepared) : nullptr;
    FPrepared.reset();
    if (prepared && !index)
        return -2; // the build failed and was reported
    if (!index) {
        index = MakeIndex(IndexKindFor(mode));
        if (index->Build(path) != 0)
            return -2;
    }
    index->SetCancelFlag(nullptr);
    ReadID3v1Title(path, FTitle, sizeof FTitle);
    if (FDecoder.OpenStream(path, std::move(index)) != 0)
        return -2;
    Format = MakePcmFormat(static_cast<uint16_t>(FDecoder.Channels()), FDecoder.SampleRate(),
                           static_cast<uint16_t>(FDecoder.BitsPerSample()));
    SeekAlignMask = -4;
    BytesPerFrame = FDecoder.FrameBytes();
    LengthMs =
        TruncToU32(static_cast<double>(FDecoder.TotalBytes()) / Format.nAvgBytesPerSec * 1000);
    IsOpen = 1;
    return 0;
}

int TZylMP3TAG::GetInfo(const char* path, char* name, uint32_t* lengthMs) {
    ReadID3v1Title(path, name, kSongNameSize);
    if (name[0] == '\0')
        FileTitleOf(path, name, kSongNameSize);
    TMPEGQuickInfo quick;
    if (ReadQuickInfo(path, &quick)) {
        *lengthMs = quick.LengthMs;
        return 0;
    }
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kProbeBufferSize)) {
        DIAG_REPORT(kDiagReported, "MP3 decoder: File not found (%s)", path);
        return -1;
    }
    TMPEGStreamSpan span;
    uint32_t bitrateSum = 0;
    uint32_t found = 0;
    if (LocateStream(stream, &span)) {
        const int64_t step = span.Bytes() / 4;
        for (int i = 1; i <= kLengthSamples; ++i) {
            uint32_t header;
            if (stream.Seek(span.Start + i * step, 0) >= 0 && ReadFrameHeader(stream, &header)) {
                bitrateSum += HeaderBitrate(header);
                ++found;
            }
        }
    }
    if (found == 0) {
        DIAG_REPORT(kDiagReported, "MP3 decoder: Bad mpeg file (%s)", path);
        return -1;
    }
    *lengthMs = TruncToU32(DurationMs(static_cast<double>(span.Bytes()), bitrateSum / found));
    return 0;
}

void TZylMP3TAG::Close() {
    if (IsOpen)
        FDecoder.CloseStream();
    IsOpen = 0;
}

int TZylMP3TAG::Seek(uint32_t ms, uint32_t* skipBytes) {
    if (!IsOpen) {
        DIAG_REPORT(kDiagReported, "%s", "MP3 decoder: No open stream");
        return -1;
    }
    // In integers: a floating product with 0.001 can fall just below a whole
    // byte count and start the song one sample early.
    const uint64_t bytes = uint64_t{ms} * Format.nAvgBytesPerSec / 1000;
    return FDecoder.SeekBytes(bytes, skipBytes) == 0 ? 0 : -2;
}

int TZylMP3TAG::Read(void* buffer, uint32_t frames, uint32_t* framesRead) {
    *framesRead = 0;
    if (!IsOpen) {
        DIAG_REPORT(kDiagReported, "%s", "MP3 decoder: No open file");
        return -1;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    const int status = FDecoder.Decode(bytes, frames, framesRead);
    // The part not decoded is silence, also after a failure: the engine must
    // never play stale buffer contents.
    if (*framesRead < frames)
        std::memset(bytes + size_t{*framesRead} * BytesPerFrame,
                    Format.wBitsPerSample == 16 ? 0 : 128,
                    size_t{frames - *framesRead} * BytesPerFrame);
    return status == 0 ? 0 : -2;
}

const char* TZylMP3TAG::GetTitle() {
    return IsOpen && FTitle[0] != '\0' ? FTitle : nullptr;
}
