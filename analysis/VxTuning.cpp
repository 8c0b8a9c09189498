#include "analysis/VxTuning.h"

#include <dsp/transforms/FFT.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr std::size_t kFrameSize = 8192;
// The band where chords and melodies carry their pitch.
constexpr double kLowestHz = 100;
constexpr double kHighestHz = 2000;
// A peak counts when it stands this far above the frame's mean in its band.
constexpr double kPeakOverMean = 8;
// Peaks that agree less than this (the length of the mean unit vector) name
// no tuning: noise, or a song without steady pitches.
constexpr double kLeastAgreement = 0.3;

} // namespace

TVxTuningEstimator::TVxTuningEstimator(std::uint32_t sampleRate)
    : sampleRate_(sampleRate), fft_(std::make_unique<FFTReal>(static_cast<int>(kFrameSize))),
      frame_(kFrameSize), window_(kFrameSize), magnitude_(kFrameSize) {
    for (std::size_t i = 0; i < kFrameSize; ++i)
        window_[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                          static_cast<double>(kFrameSize));
}

TVxTuningEstimator::~TVxTuningEstimator() = default;

void TVxTuningEstimator::Feed(const double* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        frame_[filled_] = samples[i] * window_[filled_];
        if (++filled_ == kFrameSize) {
            AnalyseFrame();
            filled_ = 0;
        }
    }
}

void TVxTuningEstimator::AnalyseFrame() {
    fft_->forwardMagnitude(frame_.data(), magnitude_.data());
    const double binHz = static_cast<double>(sampleRate_) / kFrameSize;
    const auto low = static_cast<std::size_t>(kLowestHz / binHz);
    const auto high = std::min(static_cast<std::size_t>(kHighestHz / binHz), kFrameSize / 2 - 1);
    double mean = 0;
    for (std::size_t k = low; k <= high; ++k)
        mean += magnitude_[k];
    mean /= static_cast<double>(high - low + 1);
    for (std::size_t k = low + 1; k < high; ++k) {
        const double a = magnitude_[k - 1], b = magnitude_[k], c = magnitude_[k + 1];
        if (b < kPeakOverMean * mean || b <= a || b < c)
            continue;
        // The peak between bins, from the parabola through the log
        // magnitudes (exact for a Gaussian, close for the Hann window).
        const double la = std::log(a + 1e-12), lb = std::log(b), lc = std::log(c + 1e-12);
        const double offset = 0.5 * (la - lc) / (la - 2 * lb + lc);
        const double hz = (static_cast<double>(k) + offset) * binHz;
        const double semitones = 12 * std::log2(hz / 440);
        const double angle = 2 * std::numbers::pi * (semitones - std::round(semitones));
        sumCos_ += b * std::cos(angle);
        sumSin_ += b * std::sin(angle);
        weight_ += b;
    }
}

double TVxTuningEstimator::Cents() const {
    if (weight_ <= 0 || std::hypot(sumCos_, sumSin_) < kLeastAgreement * weight_)
        return 0;
    return 100 * std::atan2(sumSin_, sumCos_) / (2 * std::numbers::pi);
}
