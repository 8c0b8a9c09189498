#include "engine/VxDSP.h"

#include "engine/device/ZylDS.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------- end of song

void TVxControlDSPTAG::Start(TZylSoundBufferTAG* buffer, uint32_t /*chunkBytes*/) {
    Buffer = buffer;
    BlockBytes = buffer->BytesPerFrame * FramesPerBlock;
    BlockCount = BlockBytes ? buffer->SizeBytes / BlockBytes : 0;
    // One spare mark: a chunk that ends exactly at the buffer's end may name
    // the block just past it as the first one after the song.
    Marks.assign(BlockCount + 1, 0);
    Marker = 1;
}

void TVxControlDSPTAG::Stop() {
    Marks.clear();
    Marks.shrink_to_fit();
    Buffer = nullptr;
}

void TVxControlDSPTAG::Process(uint8_t* /*data*/, uint32_t /*reserved*/, uint32_t offset,
                               uint32_t length, uint32_t validBytes) {
    if (validBytes >= length || BlockBytes == 0 || length == 0)
        return;
    // The first marked block is the first one lying wholly after the last
    // valid byte, so the end is never announced while song audio remains in
    // the block under the play cursor.
    const uint32_t first = (offset + validBytes + BlockBytes - 1) / BlockBytes;
    const uint32_t last = std::min((offset + length - 1) / BlockBytes, BlockCount);
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
    const bool stereo = buffer->Channels == 2;
    if (buffer->BitsPerSample == 16)
        Kind = stereo ? Kind16Stereo : Kind16Mono;
    else
        Kind = stereo ? Kind8Stereo : Kind8Mono;
    LeftPeaks.assign(BlockCount, 0);
    RightPeaks.assign(BlockCount, 0);
}

void TVxVMetterDSPTAG::Stop() {
    Buffer = nullptr;
    LeftPeaks.clear();
    RightPeaks.clear();
    LeftPeaks.shrink_to_fit();
    RightPeaks.shrink_to_fit();
}

namespace {

int16_t Sample16(const uint8_t* p) {
    int16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

void StoreSample16(uint8_t* p, int16_t value) {
    std::memcpy(p, &value, sizeof value);
}

// Running minimum and maximum of one channel over one block.
struct TPeakRange {
    int Min;
    int Max;
    int Rest;
    explicit TPeakRange(int rest) : Min(rest), Max(rest), Rest(rest) {}
    void Add(int v) {
        Min = std::min(Min, v);
        Max = std::max(Max, v);
    }
    void Reset() { Min = Max = Rest; }
};

} // namespace

// Examines every tenth frame; a block's peak is stored once SamplesPerBlock
// frames of it were examined. Both ranges start at the silence value, so a
// block of constant +32767 reads 127, not 0.
void TVxVMetterDSPTAG::Scan(const uint8_t* region, uint32_t offset, uint32_t length) {
    const bool wide = Kind >= Kind16Mono;
    const bool stereo = Kind == Kind16Stereo || Kind == Kind8Stereo;
    const int rest = wide ? 0 : 128;
    const uint32_t sampleBytes = wide ? 2 : 1;
    TPeakRange left(rest), right(rest);
    uint32_t block = offset / BlockFrames;
    uint32_t i = 0, n = 0, done = 0;
    while (i < length) {
        const uint8_t* frame = region + static_cast<size_t>(i) * BytesPerFrame;
        const int l = wide ? Sample16(frame) : frame[0];
        const int r = stereo ? (wide ? Sample16(frame + sampleBytes) : frame[1]) : l;
        left.Add(l);
        right.Add(r);
        i += 10;
        n += 1;
        if (n == SamplesPerBlock && block < BlockCount) {
            const int shift = wide ? 8 : 0;
            LeftPeaks[block] = static_cast<uint8_t>((left.Max - left.Min) >> shift);
            RightPeaks[block] = static_cast<uint8_t>((right.Max - right.Min) >> shift);
            left.Reset();
            right.Reset();
            block += 1;
            done += 1;
            n = 0;
            i = done * BlockFrames;
        }
    }
}

void TVxVMetterDSPTAG::DownmixRegion(uint8_t* data, uint32_t length) const {
    const bool toLeft = Mode == ModeLeft;
    if (Kind == Kind16Stereo) {
        for (uint32_t at = 0; at + 4 <= length; at += 4) {
            const int m = (Sample16(data + at) + Sample16(data + at + 2)) >> 1;
            StoreSample16(data + at, toLeft ? static_cast<int16_t>(m) : 0);
            StoreSample16(data + at + 2, toLeft ? 0 : static_cast<int16_t>(m));
        }
    } else {
        for (uint32_t at = 0; at + 2 <= length; at += 2) {
            const uint8_t m = static_cast<uint8_t>((data[at] + data[at + 1]) >> 1);
            data[at] = toLeft ? m : 128;
            data[at + 1] = toLeft ? 128 : m;
        }
    }
}

void TVxVMetterDSPTAG::Process(uint8_t* data, uint32_t /*reserved*/, uint32_t offset,
                               uint32_t length, uint32_t /*validBytes*/) {
    if (!Buffer || BlockFrames == 0)
        return;
    if (Kind == Kind8Mono)
        Scan(data, offset, length);
    else
        Scan(data, offset / BytesPerFrame, length / BytesPerFrame);
    const bool stereo = Kind == Kind16Stereo || Kind == Kind8Stereo;
    if (stereo && Mode != ModeNone)
        DownmixRegion(data, length);
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
    uint8_t peakLeft = 0, peakRight = 0;
    auto take = [&](uint32_t first, uint32_t last) {
        for (uint32_t b = first; b <= last; ++b) {
            peakLeft = std::max(peakLeft, LeftPeaks[b]);
            peakRight = std::max(peakRight, RightPeaks[b]);
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
