#include "analysis/VxLoudnessMeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kBlockMs = 1;
// The music starts where the level rises to within this much of the song's
// loudness: far above hiss and hum, well below the first soft note.
constexpr double kStartBelowLoudnessDb = 30;
// The short-term window: the level must hold over it, so that a lone click
// in the silence before the music is not taken for its start.
constexpr double kShortTermMs = 3000;
// Loudness units are mean squares on a decibel scale with this offset.
constexpr double kLufsOffset = -0.691;

double PowerOfLufs(double lufs) {
    return std::pow(10.0, (lufs - kLufsOffset) / 10.0);
}

} // namespace

struct TVxLoudnessMeter::TMeter {
    ebur128_state* State = nullptr;
    ~TMeter() {
        if (State != nullptr)
            ebur128_destroy(&State);
    }
};

TVxLoudnessMeter::TVxLoudnessMeter(std::uint32_t sampleRate, std::uint32_t channels)
    : meter_(std::make_unique<TMeter>()), truePeak_(sampleRate, channels), sampleRate_(sampleRate),
      channels_(channels),
      framesPerBlock_(std::max<std::uint32_t>(
          1, static_cast<std::uint32_t>(std::lround(sampleRate * kBlockMs / 1000)))) {
    if (channels > 0 && sampleRate > 0)
        meter_->State = ebur128_init(channels, sampleRate, EBUR128_MODE_I);
}

TVxLoudnessMeter::~TVxLoudnessMeter() = default;

bool TVxLoudnessMeter::Ready() const {
    return meter_->State != nullptr;
}

void TVxLoudnessMeter::Feed(const float* frames, std::size_t frameCount) {
    if (!Ready() || frameCount == 0)
        return;
    ebur128_add_frames_float(meter_->State, frames, frameCount);
    truePeak_.Feed(frames, frameCount);
    AddToBlocks(frames, frameCount);
}

void TVxLoudnessMeter::AddToBlocks(const float* frames, std::size_t frameCount) {
    for (std::size_t f = 0; f < frameCount; ++f) {
        for (std::uint32_t c = 0; c < channels_; ++c, ++frames)
            blockSum_ += double{*frames} * *frames;
        if (++blockFrames_ < framesPerBlock_)
            continue;
        blockPower_.push_back(static_cast<float>(blockSum_ / framesPerBlock_));
        blockSum_ = 0;
        blockFrames_ = 0;
    }
}

// The first block at or above the threshold, of the first stretch whose
// short-term power (over the window ending there) reaches it as well.
double TVxLoudnessMeter::MusicStartMs(double lufs) const {
    const double threshold = PowerOfLufs(lufs - kStartBelowLoudnessDb);
    const std::size_t window = static_cast<std::size_t>(kShortTermMs / kBlockMs);
    double windowSum = 0;
    for (std::size_t b = 0; b < blockPower_.size(); ++b) {
        windowSum += blockPower_[b];
        if (b >= window)
            windowSum -= blockPower_[b - window];
        if (windowSum / static_cast<double>(window) < threshold)
            continue;
        const std::size_t first = b >= window ? b - window + 1 : 0;
        for (std::size_t s = first; s <= b; ++s)
            if (blockPower_[s] >= threshold)
                return static_cast<double>(s) * kBlockMs;
    }
    return 0;
}

TVxLoudness TVxLoudnessMeter::Finish() {
    TVxLoudness loudness;
    double lufs = 0;
    if (!Ready() || ebur128_loudness_global(meter_->State, &lufs) != EBUR128_SUCCESS ||
        !std::isfinite(lufs))
        return loudness;
    const double peak = truePeak_.Peak();
    loudness.Known = true;
    loudness.Lufs = lufs;
    loudness.TruePeakDbtp = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    loudness.MusicStartMs = MusicStartMs(lufs);
    return loudness;
}
