// How far a song's tuning lies from A = 440 Hz, in cents: the spectral peaks
// of its tonal range, each measured to a fraction of a bin, folded onto the
// equal-tempered grid and averaged round the circle, weighted by their
// strength. A band detuned by a third of a semitone would otherwise sit
// between two of the key estimator's pitch classes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class FFTReal;

class TVxTuningEstimator {
public:
    explicit TVxTuningEstimator(std::uint32_t sampleRate);
    ~TVxTuningEstimator();
    TVxTuningEstimator(const TVxTuningEstimator&) = delete;
    TVxTuningEstimator& operator=(const TVxTuningEstimator&) = delete;

    // Mono samples, in order.
    void Feed(const double* samples, std::size_t count);
    // The offset in cents, -50..50; 0 when the peaks heard so far agree on
    // none.
    double Cents() const;

private:
    void AnalyseFrame();

    std::uint32_t sampleRate_;
    std::unique_ptr<FFTReal> fft_;
    std::vector<double> frame_, window_, magnitude_;
    std::size_t filled_ = 0;
    double sumCos_ = 0, sumSin_ = 0, weight_ = 0;
};
