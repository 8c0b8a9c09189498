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

// A decoded frame, or one the library could not decode but stepped over:
// either way one frame of the stream is behind us.
bool FramePassed(int status) {
    return status == kXaSuccess || status == kXaErrorInvalidFrame;
}

// A seek never decodes more than this many frames before the sought one.
constexpr uint32_t kMaxPreRollFrames = 32;

// Layer I and II frames carry all their own data; only the synthesis filter
// bank's history (16 blocks of 32 samples) must be primed. One Layer II frame
// (36 blocks) covers it, a Layer I frame (12 blocks) does not: two then.
uint32_t FixedPreRollFrames(uint32_t layer) {
    return layer == 1 ? 2 : 1;
}

// A Layer III frame takes part of its data from the bit reservoir: up to 511
// bytes (MPEG-1) or 255 bytes (MPEG-2 and 2.5) of the frames before it.
int64_t ReservoirBytes(uint32_t version) {
    return version == 1 ? 511 : 255;
}

// Header, a possible checksum and the side information: the bytes of a
// Layer III frame that are not reservoir data.
int64_t FrameOverheadBytes(uint32_t version, bool stereo) {
    const int64_t sideInfo = version == 1 ? (stereo ? 32 : 17) : (stereo ? 17 : 9);
    return 4 + 2 + sideInfo;
}

} // namespace

std::unique_ptr<TMPEGIndexTAG> MakeIndex(int kind) {
    if (kind == kIndexCompatible2)
        return std::make_unique<TMPEGCompatibleIndex2TAG>();
    if (kind == kIndexExact)
        return std::make_unique<TMPEGExactIndexTAG>();
    return std::make_unique<TMPEGCompatibleIndexTAG>();
}

// The first frame to decode so that frame comes out exactly as in a decode
// from the start of the stream. In Layer III the frame's output also depends
// on its predecessors through the transform overlap: on one frame in MPEG-1
// (the filter bank's history lies in the second granule of the frame before)
// and on two in MPEG-2 and 2.5 (one granule per frame). Those frames must be
// decoded from complete reservoirs, so the pre-roll reaches back from the
// earliest of them until the frames in between hold a full reservoir.
// That is 3 frames at 128 kbit/s and 9 at 32 kbit/s. Measured against a
// straight decode this reproduces every frame of MPEG-1 Layer III exactly;
// MPEG-2 and 2.5 are left with at most 1 LSB of difference, which no longer
// pre-roll removes.
uint32_t TXDecoderTAG::PreRollStart(uint32_t frame) {
    const TMpegOutputInfo& output = FDecoder.Output();
    if (output.Layer != 3) {
        const uint32_t preRoll = FixedPreRollFrames(output.Layer);
        return frame > preRoll ? frame - preRoll : 0;
    }
    const uint32_t dependents = output.Version == 1 ? 1 : 2;
    if (frame <= dependents)
        return 0;
    const int64_t overhead = FrameOverheadBytes(output.Version, output.Stereo != 0);
    uint32_t start = frame - dependents;
    int64_t next = 0;
    FIndex->GetFrameOffset(start, &next);
    int64_t reservoir = 0;
    while (start > 0 && reservoir < ReservoirBytes(output.Version) &&
           frame - start < kMaxPreRollFrames) {
        --start;
        int64_t offset = 0;
        FIndex->GetFrameOffset(start, &offset);
        if (next - offset > overhead)
            reservoir += next - offset - overhead;
        next = offset;
    }
    return start;
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

int TXDecoderTAG::OpenStream(const char* path, std::unique_ptr<TMPEGIndexTAG> index) {
    if (!FCreated) {
        DIAG_REPORT(kDiagReported, "%s", "XAudio: Not initialized");
        return -1;
    }
    CloseStream();
    FIndex = std::move(index);
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
    const uint32_t start = PreRollStart(frame);
    int64_t offset = 0;
    if (FIndex->GetSeekOffset(start, &offset) != 0)
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
    // A frame the library could not decode has already been logged through
    // the notification hook and plays as silence. Failing the request for it
    // would silence the rest of the song whenever such a frame happened to
    // end a request, and play on when it did not.
    if (FramePassed(status) || status == kXaEndOfInput)
        return 0;
    DIAG_REPORT(kDiagReported, "XAudio: Decoding failed [%s]", XaudioErrorName(status));
    return -1;
}
