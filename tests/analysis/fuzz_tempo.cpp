// Hostile input to tempo detection: the bytes as 16-bit mono samples through
// aubio and the beat grid, and again as an onset list straight into the
// grid fit, whose arithmetic must survive any times, weights and period.
// A tempo, when one is found, lies inside the range.
#include "analysis/VxBeatGrid.h"
#include "analysis/VxTempoDetector.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void CheckTempo(double bpm, const TVxBpmRange& range) {
    if (bpm != 0 && !(bpm >= range.Min * 0.99 && bpm <= range.Max * 1.01))
        std::abort();
}

void AsSamples(const uint8_t* data, size_t size, const TVxBpmRange& range) {
    static constexpr std::uint32_t kRates[] = {8000, 11025, 22050, 24000};
    TVxTempoDetector detector(kRates[data[0] % 4]);
    std::vector<float> samples;
    for (size_t i = 1; i + 1 < size; i += 2) {
        std::int16_t value;
        std::memcpy(&value, data + i, 2);
        samples.push_back(value / 32768.0f);
    }
    // Repeated, so that the beat tracker sees seconds of it.
    for (int round = 0; round < 8 && !samples.empty(); ++round)
        detector.Feed(samples.data(), samples.size());
    CheckTempo(detector.Finish(range).Bpm, range);
}

void AsOnsets(const uint8_t* data, size_t size, const TVxBpmRange& range) {
    std::vector<TVxOnset> onsets;
    double time = 0;
    for (size_t i = 2; i + 1 < size; i += 2) {
        time += data[i] / 100.0;
        onsets.push_back({time, data[i + 1] / 16.0});
    }
    const double coarse = (data[0] | data[1] << 8) / 10000.0;
    const TVxBeatGrid grid = VxFitBeatGrid(onsets, coarse, range);
    if (grid.PeriodS != 0 && !(grid.PeriodS > 0 && std::isfinite(grid.FirstBeatS)))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const TVxBpmRange range{60.0 + data[0] % 40, 150.0 + data[1] % 60};
    AsSamples(data, size, range);
    AsOnsets(data, size, range);
    return 0;
}
