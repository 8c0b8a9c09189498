// The decoder wrapper of the MPEG decoder: one decoding-library object, the
// frame index of the open file, and seeking by frame with a pre-roll that
// rebuilds the decoder's history before the requested frame.
//
// Not thread-safe: every call comes from the player system under its lock.
#pragma once

#include "decoding/MPEGIndex.h"
#include "decoding/MpegFrameDecoder.h"

#include <cstdint>
#include <memory>

// Index kinds.
constexpr int kIndexCompatible = 0;
constexpr int kIndexCompatible2 = 1;
constexpr int kIndexExact = 2;

// An index of the kind, not yet built.
std::unique_ptr<TMPEGIndexTAG> MakeIndex(int kind);

class TXDecoderTAG {
public:
    TXDecoderTAG() = default;
    TXDecoderTAG(const TXDecoderTAG&) = delete;
    TXDecoderTAG& operator=(const TXDecoderTAG&) = delete;
    ~TXDecoderTAG() { Destroy(); }

    // All return 0 success, -1 a failure reported here, -2 one reported below.
    int Create();
    void Destroy();
    // Takes over the built frame index of the file.
    int OpenStream(const char* path, std::unique_ptr<TMPEGIndexTAG> index);
    void CloseStream();
    // Positions the next Decode at the frame holding this PCM byte position;
    // skip is the position's distance into that frame, a multiple of 4.
    int SeekBytes(uint64_t position, uint32_t* skip);
    // The next Decode delivers this frame (clamped to the last one).
    int SeekFrame(uint32_t frame);
    // Decodes up to frames frames of FrameBytes each into buffer.
    int Decode(uint8_t* buffer, uint32_t frames, uint32_t* decoded);

    uint32_t SampleRate() const { return FSampleRate; }
    uint32_t BitsPerSample() const { return FBitsPerSample; }
    uint32_t BytesPerSecond() const { return FBytesPerSecond; }
    uint32_t Channels() const { return FChannels; }
    uint32_t FrameBytes() const { return FFrameBytes; }
    uint32_t BlockAlign() const { return FBlockAlign; }
    uint64_t TotalBytes() const { return FTotalBytes; }
    uint32_t LastFrame() const { return FLastFrame; }
    // The frame a seek to frame starts decoding at.
    uint32_t PreRollStart(uint32_t frame);

private:
    static void LogNotify(void* client, int source, int code, const char* message,
                          const char* reason);
    int ReadStreamFormat();
    void DropStream();

    TMpegFrameDecoder FDecoder;
    std::unique_ptr<TMPEGIndexTAG> FIndex;
    bool FCreated = false;
    bool FStreamOpen = false;
    uint32_t FSampleRate = 0;
    uint32_t FBitsPerSample = 0;
    uint32_t FBytesPerSecond = 0;
    uint32_t FChannels = 0;
    uint32_t FFrameBytes = 0;
    uint32_t FBlockAlign = 0;
    uint64_t FTotalBytes = 0;
    uint32_t FLastFrame = 0;
};
