#include "decoding/MPEGIndex.h"

#include "diag/Diag.h"

#include <cmath>

namespace {

constexpr const char* kNotInitialized = "MPEG-Index: Not initialized";

// The header in the middle of the file, whose channel count and samples per
// frame give the decoded frame size; fileSize is the file's size.
bool ReadMiddleFrame(const char* path, TMPEGFrameInfo* info, int64_t* fileSize) {
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kProbeBufferSize))
        return false;
    uint32_t header;
    *fileSize = stream.Size();
    stream.Seek(stream.Size() / 2, 0);
    return ReadFrameInfo(stream, &header, info) != 0;
}

} // namespace

bool TMPEGInterpolatedIndexTAG::BuildQuick(const char* path) {
    TMPEGQuickInfo quick;
    if (!ReadQuickInfo(path, &quick))
        return false;
    SetBuilt(quick.StreamBytes, quick.FrameCount, quick.FrameBytes);
    return true;
}

void TMPEGInterpolatedIndexTAG::SetBuilt(int64_t streamBytes, uint32_t frameCount,
                                         uint32_t frameBytes) {
    FStreamBytes = streamBytes;
    FFrameCount = frameCount;
    FFrameBytes = frameBytes;
    FBuilt = true;
}

int TMPEGInterpolatedIndexTAG::GetFrameOffset(uint32_t frame, int64_t* offset) {
    if (!FBuilt) {
        DIAG_REPORT(kDiagReported, "%s", kNotInitialized);
        return -1;
    }
    if (frame > FFrameCount)
        frame = FFrameCount;
    // An index of no frames has nothing to interpolate over.
    *offset = FFrameCount == 0
                  ? 0
                  : static_cast<int64_t>(std::trunc(static_cast<double>(frame) / FFrameCount *
                                                    static_cast<double>(FStreamBytes)));
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
    const int64_t step = stream.Size() / 5;
    uint32_t header;
    TMPEGFrameInfo sampled;
    stream.Seek(step, 1);
    if (!ReadFrameInfo(stream, &header, &sampled)) {
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
    const double duration = DurationMs(static_cast<double>(stream.Size()), bitrateSum / samples);
    const double sampleCount = std::trunc(duration * sampled.SampleRate * 0.001);
    SetBuilt(stream.Size(), TruncToU32(sampleCount / sampled.SamplesPerFrame),
             DecodedFrameBytes(sampled));
    return 0;
}

int TMPEGCompatibleIndex2TAG::Build(const char* path) {
    Clear();
    if (BuildQuick(path))
        return 0;
    TMPEGFrameInfo middle;
    int64_t streamBytes = 0;
    if (!ReadMiddleFrame(path, &middle, &streamBytes)) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Can't open file (%s)", path);
        return -1;
    }
    const uint32_t frameCount = CountFrames(path, nullptr, nullptr);
    if (frameCount == 0) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Can't get file info (%s)", path);
        return -1;
    }
    SetBuilt(streamBytes, frameCount, DecodedFrameBytes(middle));
    return 0;
}

int TMPEGExactIndexTAG::Build(const char* path) {
    Clear();
    FOffsets.Reset(4096, 2048);
    TMPEGFrameInfo middle;
    int64_t fileSize = 0;
    if (!ReadMiddleFrame(path, &middle, &fileSize)) {
        DIAG_REPORT(kDiagReported, "MPEG-Index: Error getting data (%s)", path);
        return -1;
    }
    if (CountFrames(path, &TMPEGExactIndexTAG::AppendOffset, this) == 0) {
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
