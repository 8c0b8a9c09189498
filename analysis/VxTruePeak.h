// The true peak of interleaved float frames, the highest of all channels:
// the signal oversampled four times (twice from 96 kHz, not at all from
// 192 kHz) through libebur128's 49-tap windowed-sinc interpolator, so that
// the figure is the one libebur128 gives, at a fraction of its cost.
//
// An interpolated value is a weighted sum of the few samples around it, so
// it cannot leave the range that the weights and the samples' own range
// allow. Only where that range reaches above the peak found so far is the
// interpolation computed: most of a song never comes near its peak.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TVxTruePeak {
public:
    TVxTruePeak(std::uint32_t sampleRate, std::uint32_t channels);

    void Feed(const float* frames, std::size_t frameCount);
    // Linear: 1 is full scale.
    double Peak() const { return peak_; }

private:
    // One of the interpolator's phases between two samples; the phase on
    // the sample itself is the sample.
    struct TPhase {
        // Weight of the sample i frames before the interpolated point.
        std::vector<double> Weights;
        double PositiveSum = 0;
        double NegativeSum = 0; // the magnitudes of the negative weights
    };

    void BuildPhases(unsigned factor);
    void TakeChannel(const float* frames, std::size_t frameCount, std::uint32_t channel);
    void Scan(const float* samples, std::size_t frameCount);
    bool MightRise(const float* samples, std::size_t first, std::size_t count);
    void Interpolate(const float* samples, std::size_t first, std::size_t count);

    std::vector<TPhase> phases_;
    std::size_t reach_ = 0; // how many earlier samples a phase weighs
    // Per channel: the last reach_ samples of the previous feed, then the
    // current feed's.
    std::vector<std::vector<float>> samples_;
    double peak_ = 0;
};
