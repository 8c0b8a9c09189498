#include "analysis/VxKeyDetector.h"

#include "analysis/VxMusicKey.h"

#include <dsp/keydetection/GetKeyMode.h>

#include <algorithm>

namespace {

constexpr float kTuningHz = 440;
// The estimator's chromagram reaches C7 (2093 Hz) after it decimates by 8:
// below this rate that octave would lie above the decimated Nyquist limit.
constexpr std::uint32_t kLowestRate = 32000;
// Chroma frames averaged before the key profiles are matched, and key
// estimates in the median filter: the estimator's own defaults.
constexpr double kChromaFramesAveraged = 10;
constexpr double kKeysFiltered = 10;
// Hops quieter than this (mean square, about -60 dBFS) carry no key: an
// estimator fed silence still names one.
constexpr double kSilence = 1e-6;

double MeanSquare(const double* samples, std::size_t count) {
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += samples[i] * samples[i];
    return count > 0 ? sum / static_cast<double>(count) : 0;
}

} // namespace

TVxKeyDetector::TVxKeyDetector(std::uint32_t sampleRate, std::uint32_t channels)
    : channels_(channels), hopsInKey_(kVxKeyCount + 1, 0) {
    if (sampleRate < kLowestRate || channels == 0)
        return;
    estimator_ = std::make_unique<GetKeyMode>(static_cast<int>(sampleRate), kTuningHz,
                                              kChromaFramesAveraged, kKeysFiltered);
    blockSize_ = estimator_->getBlockSize();
    hopSize_ = estimator_->getHopSize();
    pending_.reserve(blockSize_ + hopSize_);
}

TVxKeyDetector::~TVxKeyDetector() = default;

void TVxKeyDetector::Feed(const float* frames, std::size_t frameCount) {
    if (!Ready())
        return;
    const double scale = 1.0 / channels_;
    for (std::size_t f = 0; f < frameCount; ++f) {
        double sum = 0;
        for (std::uint32_t c = 0; c < channels_; ++c)
            sum += *frames++;
        pending_.push_back(sum * scale);
        if (pending_.size() < blockSize_)
            continue;
        // The estimator reads a whole block each hop; blocks overlap.
        const int key = estimator_->process(pending_.data());
        const double* newest = pending_.data() + blockSize_ - hopSize_;
        if (VxIsKey(key) && MeanSquare(newest, hopSize_) > kSilence)
            ++hopsInKey_[key];
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(hopSize_));
    }
}

int TVxKeyDetector::Finish() const {
    const auto longest = std::max_element(hopsInKey_.begin() + 1, hopsInKey_.end());
    return *longest > 0 ? static_cast<int>(longest - hopsInKey_.begin()) : kVxNoKey;
}
