#include "analysis/VxTruePeak.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// libebur128's interpolator: its length, the weights it leaves out as zero,
// and the rates from which it oversamples less.
constexpr unsigned kTaps = 49;
constexpr double kAlmostZero = 0.000001;
constexpr std::uint32_t kTwiceFromRate = 96000;
constexpr std::uint32_t kOnceFromRate = 192000;

// Frames whose reach is bounded at once, then in finer steps where the
// coarse bound reaches above the peak.
constexpr std::size_t kBlockFrames = 64;
constexpr std::size_t kFineFrames = 8;
// Covers the rounding of a sum of a few dozen products, so that a bound
// never falls below the value it bounds.
constexpr double kBoundMargin = 1 + 1e-9;

unsigned OversamplingOf(std::uint32_t sampleRate) {
    if (sampleRate < kTwiceFromRate)
        return 4;
    return sampleRate < kOnceFromRate ? 2 : 1;
}

// Tap j of the Hann-windowed sinc that passes below the original Nyquist
// frequency at factor times the rate.
double TapWeight(unsigned j, unsigned factor) {
    const double m = j - (kTaps - 1) / 2.0;
    const double x = m * std::numbers::pi / factor;
    const double sinc = std::fabs(m) > kAlmostZero ? std::sin(x) / x : 1.0;
    return sinc * 0.5 * (1 - std::cos(2 * std::numbers::pi * j / (kTaps - 1)));
}

struct TRange {
    float Lowest;
    float Highest;
};

// Without branches, which music's samples would mislead at random.
TRange RangeOf(const float* begin, const float* end) {
    TRange range{*begin, *begin};
    for (const float* sample = begin + 1; sample < end; ++sample) {
        range.Lowest = std::min(range.Lowest, *sample);
        range.Highest = std::max(range.Highest, *sample);
    }
    return range;
}

} // namespace

TVxTruePeak::TVxTruePeak(std::uint32_t sampleRate, std::uint32_t channels) {
    BuildPhases(OversamplingOf(sampleRate));
    samples_.assign(channels, std::vector<float>(reach_, 0.0f));
}

void TVxTruePeak::BuildPhases(unsigned factor) {
    if (factor == 1)
        return;
    reach_ = (kTaps - 1) / factor - 1;
    phases_.resize(factor - 1);
    for (TPhase& phase : phases_)
        phase.Weights.assign(reach_ + 1, 0.0);
    for (unsigned j = 0; j < kTaps; ++j) {
        const double weight = TapWeight(j, factor);
        if (j % factor == 0 || std::fabs(weight) <= kAlmostZero)
            continue;
        TPhase& phase = phases_[j % factor - 1];
        phase.Weights[j / factor] = weight;
        (weight > 0 ? phase.PositiveSum : phase.NegativeSum) += std::fabs(weight);
    }
}

void TVxTruePeak::Feed(const float* frames, std::size_t frameCount) {
    for (std::uint32_t c = 0; c < samples_.size(); ++c) {
        TakeChannel(frames, frameCount, c);
        Scan(samples_[c].data() + reach_, frameCount);
    }
}

void TVxTruePeak::TakeChannel(const float* frames, std::size_t frameCount, std::uint32_t channel) {
    std::vector<float>& samples = samples_[channel];
    std::copy(samples.end() - static_cast<std::ptrdiff_t>(reach_), samples.end(), samples.begin());
    samples.resize(reach_ + frameCount);
    const std::size_t stride = samples_.size();
    for (std::size_t f = 0; f < frameCount; ++f)
        samples[reach_ + f] = frames[f * stride + channel];
}

void TVxTruePeak::Scan(const float* samples, std::size_t frameCount) {
    for (std::size_t block = 0; block < frameCount; block += kBlockFrames) {
        const std::size_t blockEnd = std::min(frameCount, block + kBlockFrames);
        if (!MightRise(samples, block, blockEnd - block))
            continue;
        for (std::size_t fine = block; fine < blockEnd; fine += kFineFrames) {
            const std::size_t count = std::min(kFineFrames, blockEnd - fine);
            if (MightRise(samples, fine, count))
                Interpolate(samples, fine, count);
        }
    }
}

// Takes the frames' own samples into the peak, then tells whether a value
// interpolated between them could still rise above it: the highest a phase
// can reach is its positive weights on the highest sample within its reach
// and its negative weights on the lowest, and the same turned over.
bool TVxTruePeak::MightRise(const float* samples, std::size_t first, std::size_t count) {
    const TRange range = RangeOf(samples + first - reach_, samples + first + count);
    const double lowest = range.Lowest;
    const double highest = range.Highest;
    peak_ = std::max({peak_, highest, -lowest});
    double bound = 0;
    for (const TPhase& phase : phases_)
        bound = std::max({bound, phase.PositiveSum * highest - phase.NegativeSum * lowest,
                          phase.NegativeSum * highest - phase.PositiveSum * lowest});
    return bound * kBoundMargin > peak_;
}

// Each phase summed in libebur128's order, nearest sample first, and
// rounded to a float as it stores it.
void TVxTruePeak::Interpolate(const float* samples, std::size_t first, std::size_t count) {
    for (std::size_t f = first; f < first + count; ++f) {
        for (const TPhase& phase : phases_) {
            double sum = 0;
            for (std::size_t i = 0; i <= reach_; ++i)
                sum += double{samples[f - i]} * phase.Weights[i];
            peak_ = std::max(peak_, std::fabs(double{static_cast<float>(sum)}));
        }
    }
}
