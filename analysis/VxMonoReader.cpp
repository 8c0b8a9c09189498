#include "analysis/VxMonoReader.h"

#include <algorithm>
#include <cstring>

namespace {

// About this many bytes of PCM per read: large enough to keep call overhead
// low, small enough that a cancel is seen within a few milliseconds.
constexpr std::uint32_t kReadBytes = 64 * 1024;
// A damaged stretch may yield nothing for a few reads before the decoder
// finds its footing again; this many empty reads in a row end the song.
constexpr int kEmptyReadsAtEnd = 16;
// A decoder that never stops (a damaged length, a looping stream) is cut
// this far past the song's stated length.
constexpr std::uint64_t kOverrunMs = 60000;

float SampleAt(const std::uint8_t* p, std::uint32_t bytes) {
    switch (bytes) {
    case 1:
        return (static_cast<float>(p[0]) - 128.0f) / 128.0f;
    case 2:
        return static_cast<float>(static_cast<std::int16_t>(p[0] | p[1] << 8)) / 32768.0f;
    case 3: {
        const std::int32_t value = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(p[0] << 8 | p[1] << 16 | p[2] << 24));
        return static_cast<float>(value) / 2147483648.0f;
    }
    default: {
        std::int32_t value = 0;
        std::memcpy(&value, p + bytes - 4, 4);
        return static_cast<float>(value) / 2147483648.0f;
    }
    }
}

} // namespace

TVxMonoReader::TVxMonoReader(TVxPlayerTAG& decoder) : decoder_(decoder) {
    const TWaveFormatEx& format = decoder.Format;
    decimation_ = format.nSamplesPerSec > 32000 ? 2 : 1;
    outputRate_ = format.nSamplesPerSec / decimation_;
    framesPerRead_ = std::max<std::uint32_t>(1, kReadBytes / std::max(1u, decoder.BytesPerFrame));
    bytes_.resize(std::size_t{framesPerRead_} * decoder.BytesPerFrame);
    maxFrames_ = (decoder.LengthMs + kOverrunMs) * format.nSamplesPerSec / 1000;
}

const std::vector<float>& TVxMonoReader::Next() {
    samples_.clear();
    const TWaveFormatEx& format = decoder_.Format;
    const std::uint32_t blockAlign = format.nBlockAlign;
    if (blockAlign == 0 || format.nChannels == 0)
        return samples_;
    while (samples_.empty() && emptyReads_ < kEmptyReadsAtEnd && framesDone_ < maxFrames_) {
        std::uint32_t read = 0;
        decoder_.Read(bytes_.data(), framesPerRead_, &read);
        emptyReads_ = read == 0 ? emptyReads_ + 1 : 0;
        ToMono(std::min(read, framesPerRead_) * decoder_.BytesPerFrame / blockAlign);
    }
    return samples_;
}

void TVxMonoReader::ToMono(std::uint32_t frames) {
    const TWaveFormatEx& format = decoder_.Format;
    const std::uint32_t channels = format.nChannels;
    const std::uint32_t bytes = std::max(1u, format.nBlockAlign / channels);
    const float scale = 1.0f / static_cast<float>(channels * decimation_);
    framesDone_ += frames;
    const std::uint8_t* p = bytes_.data();
    // A pair split across two reads is completed by the next one, so that
    // no sample is lost and the time base stays exact.
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        for (std::uint32_t i = 0; i < channels; ++i, p += bytes)
            pairSum_ += SampleAt(p, bytes);
        if (++pairFrames_ < decimation_)
            continue;
        samples_.push_back(pairSum_ * scale);
        pairSum_ = 0;
        pairFrames_ = 0;
    }
}
