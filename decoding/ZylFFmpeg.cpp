#include "decoding/ZylFFmpeg.h"

#include "decoding/FFmpegFormats.h"
#include "decoding/SongFileName.h"
#include "diag/Diag.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kNotOpen = "FFmpeg decoder: File not open";
constexpr const char* kSeekFailed = "FFmpeg decoder: Seek failed";

const char* OpenFailureText(TAVOpenResult result) {
    switch (result) {
    case TAVOpenResult::NoAudio:
        return "FFmpeg decoder: No audio stream";
    case TAVOpenResult::NoDecoder:
        return "FFmpeg decoder: Unsupported codec";
    case TAVOpenResult::CannotDecode:
        return "FFmpeg decoder: Cannot decode audio";
    default:
        return "FFmpeg decoder: Can't open file";
    }
}

} // namespace

TZylFFmpegTAG::~TZylFFmpegTAG() {
    if (IsOpen)
        Close();
}

int TZylFFmpegTAG::Accepts(const char* path) {
    return IsFFmpegSongFile(path);
}

int TZylFFmpegTAG::Prepare(const char* path, uint32_t /*mode*/, const std::atomic<bool>* cancel) {
    PreparedValid = false;
    TAVAudioSource counter;
    // A file that does not open is left to Open, which reports why.
    if (counter.Open(path) != TAVOpenResult::Ok)
        return 0;
    PreparedSamples = counter.CountSamples(cancel);
    PreparedPath = path;
    PreparedValid = true;
    return PreparedSamples < 0 ? kDiagSilent : 0;
}

int TZylFFmpegTAG::Open(const char* path, uint32_t /*mode*/) {
    Close();
    const bool prepared = PreparedValid && PreparedPath == path;
    PreparedValid = false;
    if (prepared && PreparedSamples < 0)
        return kDiagSilent; // the user gave up the count
    const TAVOpenResult result = Source.Open(path);
    if (result != TAVOpenResult::Ok) {
        DIAG_REPORT(kDiagReported, "%s", OpenFailureText(result));
        return kDiagReported;
    }
    if (prepared)
        Source.TakeCount(PreparedSamples);
    TotalSamples = prepared ? PreparedSamples : Source.CountSamples();
    if (!Source.SeekToSample(0)) {
        Source.Close();
        DIAG_REPORT(kDiagReported, "%s", kSeekFailed);
        return kDiagReported;
    }
    Format = Source.Format();
    BytesPerFrame = Format.nBlockAlign;
    SeekAlignMask = -4;
    LengthMs = static_cast<uint32_t>(
        std::min<int64_t>(TotalSamples * 1000 / Format.nSamplesPerSec, UINT32_MAX));
    IsOpen = 1;
    return 0;
}

int TZylFFmpegTAG::GetInfo(const char* path, char* name, uint32_t* lengthMs) {
    if (name != nullptr)
        CopySongFileName(path, name);
    uint32_t length = 0;
    TAVOpenResult result = TAVOpenResult::Ok;
    if (!AVProbeLength(path, length, result)) {
        DIAG_REPORT(kDiagReported, "%s", OpenFailureText(result));
        return kDiagReported;
    }
    if (lengthMs != nullptr)
        *lengthMs = length;
    return 0;
}

void TZylFFmpegTAG::Close() {
    if (!IsOpen)
        return;
    Source.Close();
    TotalSamples = 0;
    IsOpen = 0;
}

int TZylFFmpegTAG::Seek(uint32_t ms, uint32_t* skipBytes) {
    if (!IsOpen) {
        DIAG_REPORT(kDiagReported, "%s", kNotOpen);
        return kDiagReported;
    }
    if (skipBytes != nullptr)
        *skipBytes = 0;
    const int64_t sample = std::min<int64_t>(
        int64_t{std::min(ms, LengthMs)} * Format.nSamplesPerSec / 1000, TotalSamples);
    if (!Source.SeekToSample(sample)) {
        DIAG_REPORT(kDiagReported, "%s", kSeekFailed);
        return kDiagReported;
    }
    return 0;
}

int TZylFFmpegTAG::Read(void* buffer, uint32_t frames, uint32_t* framesRead) {
    if (framesRead != nullptr)
        *framesRead = 0;
    if (!IsOpen) {
        DIAG_REPORT(kDiagReported, "%s", kNotOpen);
        return kDiagReported;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    const uint32_t got = Source.Read(out, frames);
    if (framesRead != nullptr)
        *framesRead = got;
    if (got < frames) {
        const int silence = Format.wBitsPerSample == 8 ? 128 : 0;
        std::memset(out + size_t(got) * BytesPerFrame, silence,
                    size_t(frames - got) * BytesPerFrame);
    }
    return 0;
}
