#include "analysis/VxMonoReader.h"

#include "decoding/SampleFold.h"

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
    frames_.clear();
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
    const float scale = 1.0f / static_cast<float>(channels * decimation_);
    framesDone_ += frames;
    frame_.resize(std::size_t{frames} * channels);
    if (!PcmToFloat(bytes_.data(), format.wFormatTag, format.wBitsPerSample, frame_.size(),
                    frame_.data()))
        return;
    frames_.insert(frames_.end(), frame_.begin(), frame_.end());
    // A pair split across two reads is completed by the next one, so that
    // no sample is lost and the time base stays exact.
    const float* p = frame_.data();
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        for (std::uint32_t i = 0; i < channels; ++i)
            pairSum_ += *p++;
        if (++pairFrames_ < decimation_)
            continue;
        samples_.push_back(pairSum_ * scale);
        pairSum_ = 0;
        pairFrames_ = 0;
    }
}
