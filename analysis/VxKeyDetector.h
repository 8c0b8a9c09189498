// Key detection of one song fed as interleaved frames at the file's own rate:
// qm-dsp's key estimator (a chromagram correlated with key profiles, median
// filtered) gives a key for every hop; the song's key is the one held the
// longest. The estimator is tuned to the song: its first 20 seconds (less
// for hi-res songs) are held back until its tuning is known. One detector
// per song and thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/VxTuning.h"

class GetKeyMode;

class TVxKeyDetector {
public:
    TVxKeyDetector(std::uint32_t sampleRate, std::uint32_t channels);
    ~TVxKeyDetector();
    TVxKeyDetector(const TVxKeyDetector&) = delete;
    TVxKeyDetector& operator=(const TVxKeyDetector&) = delete;

    // False for rates too low to hold the chromagram's top octave.
    bool Ready() const { return tuning_ != nullptr; }
    void Feed(const float* frames, std::size_t frameCount);
    // The key (see VxMusicKey.h), kVxNoKey when the song held none.
    int Finish();

private:
    void StartEstimator();
    void Estimate(double sample);

    std::uint32_t sampleRate_;
    std::uint32_t channels_;
    std::unique_ptr<TVxTuningEstimator> tuning_;
    std::size_t holdBack_ = 0;    // samples that set the tuning
    std::vector<float> heldBack_; // mono, until the tuning is known
    std::unique_ptr<GetKeyMode> estimator_;
    std::size_t blockSize_ = 0;
    std::size_t hopSize_ = 0;
    std::vector<double> pending_;
    std::vector<std::uint32_t> hopsInKey_; // by key number
};
