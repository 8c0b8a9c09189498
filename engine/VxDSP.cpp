#include "engine/VxDSP.h"

#include "engine/device/ZylDS.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------- end of song

void TVxControlDSPTAG::Start(TZylSoundBufferTAG* buffer, uint32_t chunkBytes) {
    Buffer = buffer;
    const uint32_t frameBytes = buffer->BytesPerFrame;
    const uint32_t chunkFrames = frameBytes ? chunkBytes / frameBytes : 0;
    uint32_t blockFrames = std::min(MaxFramesPerBlock, chunkFrames);
    while (blockFrames > 1 && chunkFrames % blockFrames != 0)
        --blockFrames;
    BlockBytes = frameBytes * blockFrames;
    BlockCount = BlockBytes ? buffer->SizeBytes / BlockBytes : 0;
    Marks.assign(BlockCount, 0);
    Marker = 1;
}

void TVxControlDSPTAG::Stop() {
    Marks.clear();
    Marks.shrink_to_fit();
    Buffer = nullptr;
}

void TVxControlDSPTAG::Process(uint8_t* /*data*/, uint32_t /*reserved*/, uint32_t offset,
                               uint32_t length, uint32_t validBytes) {
    if (validBytes >= length || BlockCount == 0 || length == 0)
        return;
    // The first marked block is the first one lying wholly after the last
    // valid byte, so the end is never announced while song audio remains in
    // the block under the play cursor.
    const uint32_t first = (offset + validBytes + BlockBytes - 1) / BlockBytes;
    const uint32_t last = std::min((offset + length - 1) / BlockBytes, BlockCount - 1);
    for (uint32_t block = first; block <= last; ++block)
        Marks[block] = Marker;
}

void TVxControlDSPTAG::NotifyPosition(uint32_t /*ms*/) {
    ++Marker;
    if (Marker == 0) {
        // Wrapped: marks written 65536 restarts ago would match again.
        std::fill(Marks.begin(), Marks.end(), 0);
        Marker = 1;
    }
}

bool TVxControlDSPTAG::IsEndOfSong() const {
    if (!Buffer || BlockBytes == 0)
        return false;
    const uint32_t block = Buffer->GetPlayCursor() / BlockBytes;
    return block < Marks.size() && Marks[block] == Marker;
}

// ---------------------------------------------------------------------- meter

void TVxVMetterDSPTAG::Start(TZylSoundBufferTAG* buffer, uint32_t /*chunkBytes*/) {
    Buffer = buffer;
    BytesPerFrame = buffer->BytesPerFrame ? buffer->BytesPerFrame : 1;
    const uint32_t frames = buffer->SizeBytes / BytesPerFrame;
    const uint32_t minimum = buffer->SampleRate / 100;
    BlockFrames = frames;
    while (BlockFrames % 2 == 0 && BlockFrames / 2 >= minimum && BlockFrames > 1)
        BlockFrames /= 2;
    if (BlockFrames == 0)
        BlockFrames = 1;
    SamplesPerBlock = (BlockFrames + 9) / 10;
    BlockCount = frames / BlockFrames;
    BlockBytes = BlockFrames * BytesPerFrame;
    LastBlock = 0;
    SampleType = TZylSampleType::S16;
    ZylSampleTypeOf(buffer->FormatTag, buffer->BitsPerSample, &SampleType);
    Kind = static_cast<uint8_t>(2 * static_cast<int>(SampleType) + (buffer->Channels == 2 ? 1 : 0));
    LeftPeaks.assign(BlockCount, 0);
    RightPeaks.assign(BlockCount, 0);
    FoldedPeaks.assign(BlockCount, 0);
}

void TVxVMetterDSPTAG::Stop() {
    Buffer = nullptr;
    for (std::vector<uint8_t>* peaks : {&LeftPeaks, &RightPeaks, &FoldedPeaks}) {
        peaks->clear();
        peaks->shrink_to_fit();
    }
}

namespace {

// Running minimum and maximum of one channel over one block, starting at
// silence.
struct TPeakRange {
    int Min = 0;
    int Max = 0;
    void Add(int v) {
        Min = std::min(Min, v);
        Max = std::max(Max, v);
    }
    uint8_t Peak() const { return static_cast<uint8_t>((Max - Min) >> 8); }
};

template <class T> T Load(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

} // namespace

int TVxVMetterDSPTAG::SampleAt(const uint8_t* p) const {
    switch (SampleType) {
    case TZylSampleType::U8:
        return (p[0] - 128) * 256;
    case TZylSampleType::S16:
        return Load<int16_t>(p);
    case TZylSampleType::S24:
        return static_cast<int8_t>(p[2]) * 256 + p[1];
    case TZylSampleType::S32:
        return Load<int32_t>(p) >> 16;
    case TZylSampleType::F32:
        return static_cast<int>(std::clamp(std::lrint(Load<float>(p) * 32768.0f), -32768L, 32767L));
    }
    return 0;
}

// Examines every tenth frame; a block's peak is stored once SamplesPerBlock
// frames of it were examined. Ranges start at silence, so a block of
// constant +32767 reads 127, not 0.
void TVxVMetterDSPTAG::Scan(const uint8_t* region, uint32_t offset, uint32_t length) {
    const bool stereo = Kind % 2 == 1;
    const uint32_t sampleBytes = ZylSampleBytes(SampleType);
    TPeakRange left, right, folded;
    uint32_t block = offset / BlockFrames;
    uint32_t i = 0, n = 0, done = 0;
    while (i < length) {
        const uint8_t* frame = region + static_cast<size_t>(i) * BytesPerFrame;
        const int l = SampleAt(frame);
        const int r = stereo ? SampleAt(frame + sampleBytes) : l;
        left.Add(l);
        right.Add(r);
        folded.Add((l + r) >> 1);
        i += 10;
        n += 1;
        if (n == SamplesPerBlock && block < BlockCount) {
            LeftPeaks[block] = left.Peak();
            RightPeaks[block] = right.Peak();
            FoldedPeaks[block] = folded.Peak();
            left = right = folded = TPeakRange();
            block += 1;
            done += 1;
            n = 0;
            i = done * BlockFrames;
        }
    }
}

void TVxVMetterDSPTAG::Process(uint8_t* data, uint32_t /*reserved*/, uint32_t offset,
                               uint32_t length, uint32_t /*validBytes*/) {
    if (!Buffer || BlockFrames == 0)
        return;
    Scan(data, offset / BytesPerFrame, length / BytesPerFrame);
}

void TVxVMetterDSPTAG::NotifyPosition(uint32_t /*ms*/) {
    LastBlock = 0;
}

void TVxVMetterDSPTAG::UpdateScales() {
    if (Downmix) {
        LeftScale = RightScale = static_cast<float>(Volume * 0.01 * 255);
    } else {
        LeftScale = static_cast<float>(Volume * LeftGain * 0.0001 * 255);
        RightScale = static_cast<float>(Volume * RightGain * 0.0001 * 255);
    }
}

void TVxVMetterDSPTAG::NotifyVolume(uint32_t volume) {
    Volume = static_cast<int>(volume);
    UpdateScales();
}

void TVxVMetterDSPTAG::NotifyPan(int pan) {
    if (pan == 0) {
        LeftGain = RightGain = 100;
        Mode = ModeNone;
    } else if (pan > 0) {
        LeftGain = 100 - pan;
        RightGain = 100;
        if (Downmix)
            Mode = ModeRight;
    } else {
        LeftGain = 100;
        RightGain = 100 + pan;
        if (Downmix)
            Mode = ModeLeft;
    }
    UpdateScales();
}

void TVxVMetterDSPTAG::SetDownmix(bool on) {
    Downmix = on;
    Mode = ModeNone;
    if (on) {
        if (LeftGain < 100)
            Mode = ModeRight;
        else if (RightGain < 100)
            Mode = ModeLeft;
    }
}

void TVxVMetterDSPTAG::GetLevels(int& left, int& right) {
    left = right = 0;
    if (!Buffer || BlockBytes == 0 || BlockCount == 0)
        return;
    const uint32_t cur = std::min(Buffer->GetPlayCursor() / BlockBytes, BlockCount - 1);
    const uint32_t from = std::min(LastBlock, BlockCount - 1);
    // Folded, one side carries the average and the other nothing.
    const std::vector<uint8_t>* leftSource = &LeftPeaks;
    const std::vector<uint8_t>* rightSource = &RightPeaks;
    if (Mode == ModeLeft) {
        leftSource = &FoldedPeaks;
        rightSource = nullptr;
    } else if (Mode == ModeRight) {
        leftSource = nullptr;
        rightSource = &FoldedPeaks;
    }
    uint8_t peakLeft = 0, peakRight = 0;
    auto take = [&](uint32_t first, uint32_t last) {
        for (uint32_t b = first; b <= last; ++b) {
            if (leftSource != nullptr)
                peakLeft = std::max(peakLeft, (*leftSource)[b]);
            if (rightSource != nullptr)
                peakRight = std::max(peakRight, (*rightSource)[b]);
        }
    };
    if (cur >= from) {
        take(from, cur);
    } else {
        take(from, BlockCount - 1);
        take(0, cur);
    }
    LastBlock = cur;
    left = static_cast<int>(peakLeft * LeftScale / 255);
    right = static_cast<int>(peakRight * RightScale / 255);
}
