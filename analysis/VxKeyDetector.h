// Key detection of one song fed as interleaved frames at the file's own rate:
// qm-dsp's key estimator (a chromagram correlated with key profiles, median
// filtered) gives a key for every hop; the song's key is the one held the
// longest. One detector per song and thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class GetKeyMode;

class TVxKeyDetector {
public:
    TVxKeyDetector(std::uint32_t sampleRate, std::uint32_t channels);
    ~TVxKeyDetector();
    TVxKeyDetector(const TVxKeyDetector&) = delete;
    TVxKeyDetector& operator=(const TVxKeyDetector&) = delete;

    // False for rates too low to hold the chromagram's top octave.
    bool Ready() const { return estimator_ != nullptr; }
    void Feed(const float* frames, std::size_t frameCount);
    // The key (see VxMusicKey.h), kVxNoKey when the song held none.
    int Finish() const;

private:
    std::unique_ptr<GetKeyMode> estimator_;
    std::uint32_t channels_;
    std::size_t blockSize_ = 0;
    std::size_t hopSize_ = 0;
    std::vector<double> pending_;
    std::vector<std::uint32_t> hopsInKey_; // by key number
};
