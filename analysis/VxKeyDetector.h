// Key detection of one song fed as interleaved frames at the file's own rate:
// qm-dsp's key estimator (a chromagram correlated with key profiles, median
// filtered) gives a key for every hop. Of the two keys held the longest, the
// song's key is the one whose profile fits the whole song better: a song that
// dwells on its fourth as long as on its tonic holds both keys about as long,
// while the song as a whole still fits its own key better. The estimator is tuned to the song: its
// first 20 seconds (less for hi-res songs) are held back until its tuning is known. One detector
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
    std::vector<double> fitOfKey_;         // profile fits summed over the hops
};
