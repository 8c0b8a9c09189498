#include "decoding/MPEGIndex.h"

#include "diag/Diag.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr const char* kNotInitialized = "MPEG-Index: Not initialized";

// The header in the middle of the stream, whose channel count and samples
// per frame give the decoded frame size.
bool ReadMiddleFrame(const char* path, TMPEGFrameInfo* info, TMPEGStreamSpan* span) {
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kProbeBufferSize) || !LocateStream(stream, span))
        return false;
    uint32_t header;
    stream.Seek(span->Start + span->Bytes() / 2, 0);
    return ReadFrameInfo(stream, &header, info) != 0;
}

// A table of contents entry as a fraction of the stream's bytes; entry 100
// is the stream's end.
double TocFraction(const uint8_t* toc, int entry) {
    return entry >= 100 ? 1.0 : toc[entry] / 256.0;
}

} // namespace

bool TMPEGInterpolatedIndexTAG::BuildQuick(const char* path) {
    TMPEGQuickInfo quick;
    if (!ReadQuickInfo(path, &quick))
        return false;
    SetBuilt(path, quick);
    return true;
}

void TMPEGInterpolatedIndexTAG::SetBuilt(const char* path, const TMPEGQuickInfo& stream) {
    FPath = path;
    FStream = stream;
    FFrameCount = stream.FrameCount;
    FFrameBytes = stream.FrameBytes;
    FBuilt = true;
}

// How far into the stream's bytes the frame lies, 0..1.
double TMPEGInterpolatedIndexTAG::StreamFraction(uint32_t frame) const {
    const double time = static_cast<double>(frame) / FFrameCount;
    if (!FStream.HasToc)
        return time;
    const double percent = time * 100;
    const int entry = static_cast<int>(percent);
    const double below = TocFraction(FStream.Toc, entry);
    return below + (percent - entry) * (TocFraction(FStream.Toc, entry + 1) - below);
}

int TMPEGInterpolatedIndexTAG::GetFrameOffset(uint32_t frame, int64_t* offset) {
    if (!FBuilt) {
        DIAG_REPORT(kDiagReported, "%s", kNotInitialized);
        return -1;
    }
    if (frame > FFrameCount)
        frame = FFrameCount;
    // An index of no frames has nothing to interpolate over.
    const double fraction = FFrameCount == 0 ? 0.0 : StreamFraction(frame);
    *offset = FStream.StreamStart +
              static_cast<int64_t>(std::trunc(fraction * static_cast<double>(FStream.StreamBytes)));
    return 0;
}

int TMPEGInterpolatedIndexTAG::GetSeekOffset(uint32_t frame, int64_t* offset) {
    if (GetFrameOffset(frame, offset) != 0)
        return -1;
    // With no frames counted there is no frame to confirm either.
    if (frame == 0 || FFrameCount == 0)
        return 0;
    const int64_t halfFrame = FStream.StreamBytes / FFrameCount / 2;
    TZylFileStreamTAG stream;
    uint32_t first = 0, header = 0;
    // Without a header of the stream there the interpolated offset stands:
    // the decoder searches for the next frame itself.
    if (stream.Open(FPath.c_str(), kProbeBufferSize) && stream.Seek(FStream.StreamStart, 0) >= 0 &&
        stream.ReadDWord(&first) == 4 &&
        stream.Seek(std::max(FStream.StreamStart, *offset - halfFrame), 0) >= 0 &&
        ReadStreamFrameHeader(stream, __builtin_bswap32(first), &header))
        *offset = stream.Position() - 4;
    return 0;
}

int TMPEGCompatibleIndexTAG::Build(const char* path) {
    Clear();
    if (BuildQuick(path))
        return 0;
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kProbeBufferSize)) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Can't open file (%s)", path);
        return -1;
    }
    TMPEGStreamSpan span;
    uint32_t header;
    TMPEGFrameInfo sampled;
    const bool found = LocateStream(stream, &span);
    const int64_t step = span.Bytes() / 5;
    if (!found || stream.Seek(span.Start + step, 0) < 0 ||
        !ReadFrameInfo(stream, &header, &sampled)) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Bad file (%s)", path);
        return -1;
    }
    uint32_t bitrateSum = sampled.Bitrate;
    uint32_t samples = 1;
    for (int i = 0; i < 3; ++i) {
        if (ReadFrameHeader(stream, &header)) {
            bitrateSum += HeaderBitrate(header);
            ++samples;
        }
        stream.Seek(step, 1);
    }
    const double duration = DurationMs(static_cast<double>(span.Bytes()), bitrateSum / samples);
    const double sampleCount = std::trunc(duration * sampled.SampleRate * 0.001);
    TMPEGQuickInfo estimate{};
    estimate.StreamStart = span.Start;
    estimate.StreamBytes = span.Bytes();
    estimate.FrameCount = TruncToU32(sampleCount / sampled.SamplesPerFrame);
    estimate.FrameBytes = DecodedFrameBytes(sampled);
    SetBuilt(path, estimate);
    return 0;
}

int TMPEGCompatibleIndex2TAG::Build(const char* path) {
    Clear();
    if (BuildQuick(path))
        return 0;
    TMPEGFrameInfo middle;
    TMPEGStreamSpan span;
    if (!ReadMiddleFrame(path, &middle, &span)) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Can't open file (%s)", path);
        return -1;
    }
    const uint32_t frameCount = CountFrames(path, nullptr, nullptr, FCancel);
    if (Cancelled()) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Indexing aborted (%s)", path);
        return -1;
    }
    if (frameCount == 0) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Can't get file info (%s)", path);
        return -1;
    }
    TMPEGQuickInfo walked{};
    walked.StreamStart = span.Start;
    walked.StreamBytes = span.Bytes();
    walked.FrameCount = frameCount;
    walked.FrameBytes = DecodedFrameBytes(middle);
    SetBuilt(path, walked);
    return 0;
}

int TMPEGExactIndexTAG::Build(const char* path) {
    Clear();
    FOffsets.Reset(4096, 2048);
    TMPEGFrameInfo middle;
    TMPEGStreamSpan span;
    if (!ReadMiddleFrame(path, &middle, &span)) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Error getting data (%s)", path);
        return -1;
    }
    const uint32_t counted = CountFrames(path, &TMPEGExactIndexTAG::AppendOffset, this, FCancel);
    if (Cancelled()) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Indexing aborted (%s)", path);
        return -1;
    }
    if (counted == 0) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Error creating index (%s)", path);
        return -1;
    }
    FFrameCount = static_cast<uint32_t>(FOffsets.Count());
    FFrameBytes = DecodedFrameBytes(middle);
    FBuilt = true;
    return 0;
}

void TMPEGExactIndexTAG::AppendOffset(void* context, uint32_t, int64_t offset) {
    static_cast<TMPEGExactIndexTAG*>(context)->FOffsets.Append(static_cast<unsigned long>(offset));
}

int TMPEGExactIndexTAG::GetFrameOffset(uint32_t frame, int64_t* offset) {
    if (!FBuilt) {
        DIAG_REPORT(kDiagReported, "%s", kNotInitialized);
        return -1;
    }
    if (frame > FFrameCount - 1)
        frame = FFrameCount - 1;
    *offset = static_cast<int64_t>(FOffsets[frame]);
    return 0;
}
