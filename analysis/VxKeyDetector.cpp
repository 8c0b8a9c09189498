#include "analysis/VxKeyDetector.h"

#include "analysis/VxMusicKey.h"

#include <dsp/keydetection/GetKeyMode.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTuningHz = 440;
// How much of the song sets the tuning: 20 seconds, but no more than 20
// seconds at 48 kHz hold, so a hi-res song does not hold back tens of
// megabytes.
constexpr double kTuningSeconds = 20;
constexpr std::size_t kMostHeldBack = 20 * 48000;
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
    : sampleRate_(sampleRate), channels_(channels), hopsInKey_(kVxKeyCount + 1, 0),
      fitOfKey_(kVxKeyCount + 1, 0) {
    if (sampleRate < kLowestRate || channels == 0)
        return;
    tuning_ = std::make_unique<TVxTuningEstimator>(sampleRate);
    holdBack_ = std::min(static_cast<std::size_t>(kTuningSeconds * sampleRate), kMostHeldBack);
    heldBack_.reserve(holdBack_);
}

TVxKeyDetector::~TVxKeyDetector() = default;

void TVxKeyDetector::StartEstimator() {
    const double tuningHz = kTuningHz * std::exp2(tuning_->Cents() / 1200);
    estimator_ = std::make_unique<GetKeyMode>(static_cast<int>(sampleRate_), tuningHz,
                                              kChromaFramesAveraged, kKeysFiltered);
    blockSize_ = estimator_->getBlockSize();
    hopSize_ = estimator_->getHopSize();
    pending_.reserve(blockSize_ + hopSize_);
    for (const float sample : heldBack_)
        Estimate(sample);
    std::vector<float>().swap(heldBack_);
}

void TVxKeyDetector::Feed(const float* frames, std::size_t frameCount) {
    if (!Ready())
        return;
    const double scale = 1.0 / channels_;
    for (std::size_t f = 0; f < frameCount; ++f) {
        double sum = 0;
        for (std::uint32_t c = 0; c < channels_; ++c)
            sum += *frames++;
        const double sample = sum * scale;
        if (estimator_ != nullptr) {
            Estimate(sample);
            continue;
        }
        heldBack_.push_back(static_cast<float>(sample));
        tuning_->Feed(&sample, 1);
        if (heldBack_.size() >= holdBack_)
            StartEstimator();
    }
}

void TVxKeyDetector::Estimate(double sample) {
    pending_.push_back(sample);
    if (pending_.size() < blockSize_)
        return;
    // The estimator reads a whole block each hop; blocks overlap.
    const int key = estimator_->process(pending_.data());
    const double* newest = pending_.data() + blockSize_ - hopSize_;
    if (VxIsKey(key) && MeanSquare(newest, hopSize_) > kSilence) {
        ++hopsInKey_[key];
        const double* fits = estimator_->getKeyStrengths(); // key k + 1 at k
        for (int k = 1; k <= kVxKeyCount; ++k)
            fitOfKey_[k] += fits[k - 1];
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(hopSize_));
}

int TVxKeyDetector::Finish() {
    if (Ready() && estimator_ == nullptr)
        StartEstimator();
    std::vector<std::uint32_t> held = hopsInKey_;
    const auto longest = std::max_element(held.begin() + 1, held.end());
    if (*longest == 0)
        return kVxNoKey;
    const int first = static_cast<int>(longest - held.begin());
    *longest = 0;
    const auto next = std::max_element(held.begin() + 1, held.end());
    const int second = static_cast<int>(next - held.begin());
    return *next > 0 && fitOfKey_[second] > fitOfKey_[first] ? second : first;
}
