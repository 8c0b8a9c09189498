// The MPEG frame index: how many frames a stream has, how many PCM bytes one
// frame decodes to, and where a given frame begins, known before playback
// starts. Three variants trade opening time against precision; the MPEG
// decoder builds one per opened file.
#pragma once

#include "decoding/MPEGScan.h"
#include "decoding/ZylDynamicArray.h"

#include <atomic>
#include <cstdint>
#include <string>

class TMPEGIndexTAG {
public:
    TMPEGIndexTAG() = default;
    TMPEGIndexTAG(const TMPEGIndexTAG&) = delete;
    TMPEGIndexTAG& operator=(const TMPEGIndexTAG&) = delete;
    virtual ~TMPEGIndexTAG() = default;

    // 0 success, -1 failure (reported with the path).
    virtual int Build(const char* path) = 0;
    virtual void Clear() = 0;
    // 0, or -1 (reported) when not built.
    virtual int GetFrameOffset(uint32_t frame, int64_t* offset) = 0;
    // 0 when not built.
    virtual uint32_t GetFrameCount() = 0;
    virtual uint32_t GetFrameBytes() = 0;
    // Where decoding must start for the frame to come out first: the
    // frame's own header. 0, or -1 (reported) when not built.
    virtual int GetSeekOffset(uint32_t frame, int64_t* offset) {
        return GetFrameOffset(frame, offset);
    }
    // A build that finds the flag set gives up and fails. The flag is
    // polled while the whole file is read, from the building thread.
    void SetCancelFlag(const std::atomic<bool>* cancel) { FCancel = cancel; }

protected:
    bool Cancelled() const { return FCancel != nullptr && FCancel->load(); }
    const std::atomic<bool>* FCancel = nullptr;
};

// Interpolates frame offsets over the stream's own bytes, behind any leading
// tag: through the Xing table of contents of a variable-bitrate stream, else
// as if every frame had the same size. Both compatible variants share this
// and differ only in Build.
class TMPEGInterpolatedIndexTAG : public TMPEGIndexTAG {
public:
    void Clear() override { FBuilt = false; }
    int GetFrameOffset(uint32_t frame, int64_t* offset) override;
    // The first confirmed header from half an average frame before the
    // interpolated offset: exact for a constant bitrate, where the
    // interpolation is off by a byte or two either way.
    int GetSeekOffset(uint32_t frame, int64_t* offset) override;
    uint32_t GetFrameCount() override { return FBuilt ? FFrameCount : 0; }
    uint32_t GetFrameBytes() override { return FBuilt ? FFrameBytes : 0; }

protected:
    // Takes the quick answer when the file has one; true then.
    bool BuildQuick(const char* path);
    void SetBuilt(const char* path, const TMPEGQuickInfo& stream);

private:
    double StreamFraction(uint32_t frame) const;

    bool FBuilt = false;
    TMPEGQuickInfo FStream{};
    std::string FPath;
    uint32_t FFrameCount = 0;
    uint32_t FFrameBytes = 0;
};

// The default: the quick answer, else an average of five sampled bitrates.
class TMPEGCompatibleIndexTAG : public TMPEGInterpolatedIndexTAG {
public:
    int Build(const char* path) override;
};

// The quick answer, else the frame count of a whole-file walk.
class TMPEGCompatibleIndex2TAG : public TMPEGInterpolatedIndexTAG {
public:
    int Build(const char* path) override;
};

// Walks the whole file and keeps the offset of every frame header.
class TMPEGExactIndexTAG : public TMPEGIndexTAG {
public:
    int Build(const char* path) override;
    void Clear() override { FBuilt = false; }
    int GetFrameOffset(uint32_t frame, int64_t* offset) override;
    uint32_t GetFrameCount() override { return FBuilt ? FFrameCount : 0; }
    uint32_t GetFrameBytes() override { return FBuilt ? FFrameBytes : 0; }

private:
    static void AppendOffset(void* context, uint32_t header, int64_t offset);

    bool FBuilt = false;
    uint32_t FFrameCount = 0;
    uint32_t FFrameBytes = 0;
    ZylDynamicArray<unsigned long> FOffsets;
};
