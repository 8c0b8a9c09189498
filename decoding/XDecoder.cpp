#include "decoding/XDecoder.h"

#include "decoding/XaudioStatus.h"
#include "diag/Diag.h"

#include <cstring>

namespace {

// The output description is only known once a frame has been decoded; this
// many attempts find the first decodable frame behind leading damage.
constexpr int kFormatProbeAttempts = 101;
// Shorter streams are refused: the engine's buffering needs a few frames.
constexpr int64_t kMinLastFrame = 20;
constexpr const char* kNoStreamOpen = "XAudio: No stream open";

std::unique_ptr<TMPEGIndexTAG> MakeIndex(int kind) {
    if (kind == kIndexCompatible2)
        return std::make_unique<TMPEGCompatibleIndex2TAG>();
    if (kind == kIndexExact)
        return std::make_unique<TMPEGExactIndexTAG>();
    return std::make_unique<TMPEGCompatibleIndexTAG>();
}

// A decoded frame, or one the library could not decode but stepped over:
// either way one frame of the stream is behind us.
bool FramePassed(int status) {
    return status == kXaSuccess || status == kXaErrorInvalidFrame;
}

} // namespace

// How many frames before the sought one must be decoded so that the sought
// frame comes out exactly as in a decode from the start. Layer I frames are
// self-contained; Layer II only needs the synthesis filter primed. Layer III
// frames draw on the bit reservoir of earlier frames: up to 511 bytes back in
// MPEG-1, 255 in MPEG-2 and 2.5 where frames are much smaller, so the
// reservoir reaches more frames back there.
uint32_t PreRollFramesFor(uint32_t version, uint32_t layer) {
    if (layer == 1)
        return 1;
    if (layer == 2)
        return 1;
    return version == 1 ? 4 : 8;
}

uint32_t TXDecoderTAG::PreRollFrames() const {
    return PreRollFramesFor(FDecoder.Output().Version, FDecoder.Output().Layer);
}

void TXDecoderTAG::LogNotify(void*, int source, int code, const char* message, const char* reason) {
    if (message == nullptr)
        message = "";
    if (reason != nullptr && reason[0] != '\0')
        DIAG_REPORT(kDiagReported, "XAudio: [notify] error, source=%i, code=%i, %s (%s)", source,
                    code, message, reason);
    else
        DIAG_REPORT(kDiagReported, "XAudio: [notify] debug, source=%i, code=%i, %s", source, code,
                    message);
}

int TXDecoderTAG::Create() {
    Destroy();
    const int status = FDecoder.New();
    if (status != kXaSuccess) {
        DIAG_REPORT(kDiagReported, "XAudio: Cannot init decoder [%s]", XaudioErrorName(status));
        return -1;
    }
    FDecoder.Notify.Client = &FDecoder;
    FDecoder.Notify.OnMessage = &LogNotify;
    FCreated = true;
    return 0;
}

void TXDecoderTAG::Destroy() {
    if (!FCreated)
        return;
    CloseStream();
    FDecoder.Delete();
    FCreated = false;
}

void TXDecoderTAG::DropStream() {
    FIndex.reset();
    FDecoder.InputDelete();
}

int TXDecoderTAG::OpenStream(const char* path, int indexKind) {
    if (!FCreated) {
        DIAG_REPORT(kDiagReported, "%s", "XAudio: Not initialized");
        return -1;
    }
    CloseStream();
    FIndex = MakeIndex(indexKind);
    if (FIndex->Build(path) != 0) {
        FIndex.reset();
        return -2;
    }
    int status = FDecoder.InputNew(path);
    if (status != kXaSuccess) {
        FIndex.reset();
        DIAG_REPORT(kDiagReported, "XAudio: Cannot create input object [%s]",
                    XaudioErrorName(status));
        return -1;
    }
    status = FDecoder.InputOpen();
    if (status != kXaSuccess) {
        DropStream();
        DIAG_REPORT(kDiagReported, "XAudio: Cannot open input [%s]:\n%s", XaudioErrorName(status),
                    path);
        return -1;
    }
    if (ReadStreamFormat() != 0) {
        DropStream();
        return -1;
    }
    const int64_t lastFrame = int64_t{FIndex->GetFrameCount()} - 1;
    FFrameBytes = FIndex->GetFrameBytes();
    FLastFrame = lastFrame < 0 ? 0 : static_cast<uint32_t>(lastFrame);
    FTotalBytes = uint64_t{FLastFrame} * FFrameBytes;
    status = FDecoder.SeekToOffset(0);
    if (status != kXaSuccess) {
        DropStream();
        DIAG_REPORT(kDiagReported, "XAudio: Input seeking error [%s]", XaudioErrorName(status));
        return -1;
    }
    if (lastFrame < kMinLastFrame) {
        DropStream();
        DIAG_REPORT(kDiagReported, "XAudio: Stream too short (%i frames)",
                    static_cast<int>(lastFrame));
        return -1;
    }
    FStreamOpen = true;
    return 0;
}

// Decodes frames until one succeeds and takes the output description.
int TXDecoderTAG::ReadStreamFormat() {
    int status = kXaErrorInternal;
    for (int attempt = 0; attempt < kFormatProbeAttempts && status != kXaSuccess; ++attempt)
        status = FDecoder.Decode(nullptr, 0);
    if (status != kXaSuccess) {
        DIAG_REPORT(kDiagReported, "XAudio: Cannot retrieve input info [%s]",
                    XaudioErrorName(status));
        return -1;
    }
    const TMpegOutputInfo& output = FDecoder.Output();
    FSampleRate = output.SampleRate;
    FBitsPerSample = 8 * output.BytesPerSample;
    FChannels = output.Stereo + 1;
    FBlockAlign = output.BytesPerSample * FChannels;
    FBytesPerSecond = FBlockAlign * FSampleRate;
    return 0;
}

void TXDecoderTAG::CloseStream() {
    if (!FStreamOpen)
        return;
    DropStream();
    FStreamOpen = false;
}

int TXDecoderTAG::SeekBytes(uint64_t position, uint32_t* skip) {
    if (!FStreamOpen) {
        DIAG_REPORT(kDiagReported, "%s", kNoStreamOpen);
        return -1;
    }
    if (position > FTotalBytes)
        position = FTotalBytes;
    const uint64_t frame = position / FFrameBytes;
    *skip = static_cast<uint32_t>(position % FFrameBytes) & ~3u;
    return SeekFrame(static_cast<uint32_t>(frame)) == 0 ? 0 : -2;
}

int TXDecoderTAG::SeekFrame(uint32_t frame) {
    if (!FStreamOpen) {
        DIAG_REPORT(kDiagReported, "%s", kNoStreamOpen);
        return -1;
    }
    if (frame > FLastFrame)
        frame = FLastFrame;
    const uint32_t preRoll = PreRollFrames();
    const uint32_t start = frame > preRoll ? frame - preRoll : 0;
    int64_t offset = 0;
    if (FIndex->GetFrameOffset(start, &offset) != 0)
        return -2;
    int status = FDecoder.SeekToOffset(offset);
    if (status != kXaSuccess) {
        DIAG_REPORT(kDiagReported, "XAudio: Input seeking error [%s]", XaudioErrorName(status));
        return -1;
    }
    // Running into the end of the input here is no failure: the next Decode
    // reports it as the end of the song.
    for (uint32_t i = start; i < frame; ++i) {
        status = FDecoder.Decode(nullptr, 0);
        if (status == kXaEndOfInput)
            break;
        if (!FramePassed(status)) {
            DIAG_REPORT(kDiagReported, "XAudio: Seeking sync failed [%s]", XaudioErrorName(status));
            return -1;
        }
    }
    return 0;
}

int TXDecoderTAG::Decode(uint8_t* buffer, uint32_t frames, uint32_t* decoded) {
    *decoded = 0;
    if (!FStreamOpen) {
        DIAG_REPORT(kDiagReported, "%s", kNoStreamOpen);
        return -1;
    }
    int status = kXaSuccess;
    while (frames > 0) {
        status = FDecoder.Decode(buffer, FFrameBytes);
        if (!FramePassed(status))
            break;
        if (status == kXaErrorInvalidFrame)
            std::memset(buffer, 0, FFrameBytes); // counted as decoded: it plays as silence
        ++*decoded;
        --frames;
        buffer += FFrameBytes;
    }
    if (status == kXaSuccess || status == kXaEndOfInput)
        return 0;
    DIAG_REPORT(kDiagReported, "XAudio: Decoding failed [%s]", XaudioErrorName(status));
    return -1;
}
