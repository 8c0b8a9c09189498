// The true peak meter against libebur128's own on signals whose peaks fall
// between the samples, fed in uneven pieces as a decoder would.
#include "analysis/VxTruePeak.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

struct TSignal {
    const char* Name;
    std::uint32_t Rate;
    std::uint32_t Channels;
    std::size_t Frames;
    // Sample of frame n on channel c.
    std::function<float(std::size_t n, std::uint32_t c)> Sample;
};

std::vector<float> Render(const TSignal& signal) {
    std::vector<float> frames(signal.Frames * signal.Channels);
    for (std::size_t n = 0; n < signal.Frames; ++n)
        for (std::uint32_t c = 0; c < signal.Channels; ++c)
            frames[n * signal.Channels + c] = signal.Sample(n, c);
    return frames;
}

// A quarter of the rate at 45 degrees: every sample lies 3 dB below the
// wave's crest.
float QuarterRateSine(std::size_t n, double amplitude) {
    return static_cast<float>(amplitude * std::sin(kPi / 2 * n + kPi / 4));
}

float ClippedSine(std::size_t n, double hz, std::uint32_t rate) {
    return static_cast<float>(std::clamp(4 * std::sin(2 * kPi * hz * n / rate), -0.9, 0.9));
}

// After a spike of 0.925, twelve samples of half scale signed as the weights
// of the interpolator's middle phase, which meet in a crest of 0.932: no
// bound may be looser than the crest it is to find.
float WorstCaseAfterSpike(std::size_t n, std::uint32_t) {
    constexpr float kSigns[] = {-1, 1, -1, 1, -1, 1, 1, -1, 1, -1, 1, -1};
    constexpr std::size_t kStart = 1000;
    if (n == 100)
        return 0.925f;
    return n >= kStart && n < kStart + 12 ? 0.5f * kSigns[n - kStart] : 0.0f;
}

// Bursts of noise, each louder than the one before, between silences.
float NoiseBurst(std::size_t n, std::uint32_t c) {
    constexpr std::size_t kBurst = 3000;
    if ((n / kBurst) % 2 == 1)
        return 0;
    std::mt19937 noise(static_cast<unsigned>(n * 2 + c));
    const double level = 0.1 + 0.15 * static_cast<double>(n / (2 * kBurst));
    return static_cast<float>(level * std::uniform_real_distribution<>(-1, 1)(noise));
}

double LibraryPeak(const TSignal& signal, const std::vector<float>& frames, std::size_t piece) {
    ebur128_state* state = ebur128_init(signal.Channels, signal.Rate, EBUR128_MODE_TRUE_PEAK);
    for (std::size_t n = 0; n < signal.Frames; n += piece)
        ebur128_add_frames_float(state, frames.data() + n * signal.Channels,
                                 std::min(piece, signal.Frames - n));
    double peak = 0;
    for (std::uint32_t c = 0; c < signal.Channels; ++c) {
        double channelPeak = 0;
        ebur128_true_peak(state, c, &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    ebur128_destroy(&state);
    return peak;
}

double OurPeak(const TSignal& signal, const std::vector<float>& frames, std::size_t piece) {
    TVxTruePeak meter(signal.Rate, signal.Channels);
    for (std::size_t n = 0; n < signal.Frames; n += piece)
        meter.Feed(frames.data() + n * signal.Channels, std::min(piece, signal.Frames - n));
    return meter.Peak();
}

TEST(TruePeak, AgreesWithLibebur128) {
    const TSignal signals[] = {
        {"quarter-rate sine", 44100, 1, 20000,
         [](std::size_t n, std::uint32_t) { return QuarterRateSine(n, 0.5); }},
        {"quarter-rate sine, stereo", 48000, 2, 20000,
         [](std::size_t n, std::uint32_t c) { return QuarterRateSine(n, c == 0 ? 0.3 : 0.7); }},
        {"quarter-rate sine, oversampled twice", 96000, 2, 20000,
         [](std::size_t n, std::uint32_t) { return QuarterRateSine(n, 0.6); }},
        {"quarter-rate sine, not oversampled", 192000, 1, 20000,
         [](std::size_t n, std::uint32_t) { return QuarterRateSine(n, 0.6); }},
        // The peak between samples lower than an earlier sample peak.
        {"loud bass, then a higher crest between samples", 44100, 2, 88200,
         [](std::size_t n, std::uint32_t c) {
             return n < 44100 ? static_cast<float>(0.8 * std::sin(2 * kPi * 50 * n / 44100))
                              : QuarterRateSine(n, c == 0 ? 0.5 : 0.9);
         }},
        {"clipped sine", 44100, 2, 30000,
         [](std::size_t n, std::uint32_t c) { return ClippedSine(n, c == 0 ? 997 : 3001, 44100); }},
        {"clipped sine, oversampled twice", 96000, 1, 30000,
         [](std::size_t n, std::uint32_t) { return ClippedSine(n, 11025, 96000); }},
        {"the interpolator's worst case", 44100, 1, 2000, WorstCaseAfterSpike},
        {"noise bursts", 48000, 2, 40000, NoiseBurst},
        {"noise bursts, oversampled twice", 96000, 1, 40000, NoiseBurst},
        {"a spike on the last frame", 44100, 1, 10000,
         [](std::size_t n, std::uint32_t) { return n == 9999 ? -0.7f : 0.0f; }},
    };
    for (const TSignal& signal : signals) {
        const std::vector<float> frames = Render(signal);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{997}, signal.Frames}) {
            const double library = LibraryPeak(signal, frames, piece);
            ASSERT_GT(library, 0) << signal.Name;
            EXPECT_NEAR(20 * std::log10(OurPeak(signal, frames, piece)), 20 * std::log10(library),
                        0.01)
                << signal.Name << ", fed " << piece << " frames at a time";
        }
    }
}

} // namespace
