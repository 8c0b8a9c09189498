#include "analysis/VxBeatGrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

struct TPattern {
    const char* Name;
    double Bpm;
    double CoarseRatio; // the beat tracker's period over the true one
    double JitterMs;    // uniform timing noise of every onset
    bool Offbeats;      // weak onsets halfway between beats
    double MissedShare; // beats without an onset
    double ExpectedBpm; // after choosing the grid in 70..180
};

// Kicks of weight 10 on the beats for 60 s, with optional weak offbeats,
// jitter and gaps, as the onset detector reports them.
std::vector<TVxOnset> Onsets(const TPattern& p) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    const double period = 60.0 / p.Bpm;
    std::vector<TVxOnset> onsets;
    for (double t = 0.25; t < 60; t += period) {
        auto jitter = [&] { return (unit(random) - 0.5) * p.JitterMs / 1000; };
        if (unit(random) >= p.MissedShare)
            onsets.push_back({t + jitter(), 10});
        if (p.Offbeats)
            onsets.push_back({t + period / 2 + jitter(), 1});
    }
    return onsets;
}

TEST(BeatGrid, FitsTheTrueTempoFromASloppyBeatTrackerPeriod) {
    const TPattern patterns[] = {
        {"exact period", 128, 1, 0, false, 0, 128},
        {"period 0.7 % off", 123.45, 1.007, 4, false, 0, 123.45},
        {"whole bar", 174, 4, 3, true, 0, 174},
        {"half tempo in range doubles", 140, 2, 3, false, 0, 140},
        {"double tempo", 90, 0.5, 3, true, 0, 90},
        {"dotted beat", 128, 1.5, 3, true, 0, 128},
        {"twelve beats", 128, 12, 3, true, 0, 128},
        {"a fifth of the beats missing", 100, 1, 5, true, 0.2, 100},
        {"slow songs keep their kick", 70, 1, 2, true, 0, 70},
    };
    for (const TPattern& p : patterns) {
        const TVxBeatGrid grid = VxFitBeatGrid(Onsets(p), 60.0 / p.Bpm * p.CoarseRatio, {});
        ASSERT_GT(grid.PeriodS, 0) << p.Name;
        EXPECT_NEAR(60.0 / grid.PeriodS, p.ExpectedBpm, 0.01) << p.Name;
        // The grid lies on the kicks, not on the offbeats.
        const double phase = std::fmod(0.25 - grid.FirstBeatS, grid.PeriodS);
        EXPECT_LT(std::min(std::fabs(phase), grid.PeriodS - std::fabs(phase)), 0.01) << p.Name;
    }
}

TEST(BeatGrid, RandomOrTooFewOnsetsAreNoBeat) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> time(0, 60);
    std::vector<TVxOnset> scattered;
    for (int i = 0; i < 300; ++i)
        scattered.push_back({time(random), 1});
    std::sort(scattered.begin(), scattered.end(),
              [](const TVxOnset& a, const TVxOnset& b) { return a.TimeS < b.TimeS; });
    EXPECT_EQ(VxFitBeatGrid(scattered, 0.5, {}).PeriodS, 0);
    std::vector<TVxOnset> few;
    for (int i = 0; i < 10; ++i)
        few.push_back({0.5 * i, 1});
    EXPECT_EQ(VxFitBeatGrid(few, 0.5, {}).PeriodS, 0);
    EXPECT_EQ(VxFitBeatGrid({}, 0.5, {}).PeriodS, 0);
    EXPECT_EQ(VxFitBeatGrid(Onsets({"", 120, 1, 0, false, 0, 0}), 0, {}).PeriodS, 0);
}

TEST(BeatGrid, FoldsIntoTheRangeByOctaves) {
    const struct {
        double Bpm, Min, Max, Folded;
    } cases[] = {
        {60, 70, 180, 120}, {35, 70, 180, 70}, {200, 70, 180, 100}, {400, 70, 180, 100},
        {75, 70, 180, 75},  {0, 70, 180, 0},   {-5, 70, 180, 0},    {90, 100, 120, 90},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(VxFoldBpm(c.Bpm, {c.Min, c.Max}), c.Folded) << c.Bpm;
    EXPECT_DOUBLE_EQ(VxMedian({0.4, 5.6, 0.5, 0.5, 0.3}), 0.5);
    EXPECT_DOUBLE_EQ(VxMedian({}), 0);
}

} // namespace
