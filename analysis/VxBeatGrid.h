// The beat grid of a whole song, fitted to its onsets. The beat tracker's
// period is only good to a few tenths of a BPM; a straight line through
// every onset that lies on the beat grid pins the period down to a few
// thousandths over a song of some minutes. Pure functions, no state.
#pragma once

#include <vector>

struct TVxOnset {
    double TimeS = 0;
    double Weight = 1; // onset strength: loud hits count more than soft ones
};

struct TVxBeatGrid {
    double PeriodS = 0;    // 0: no steady beat
    double FirstBeatS = 0; // the first grid line at or after the song's start
    int Beats = 0;         // distinct grid lines that carry an onset
};

struct TVxBpmRange {
    double Min = 70;
    double Max = 180;
};

// The median of values, 0 for none.
double VxMedian(std::vector<double> values);

// Fits the beat grid to onsets sorted by time, starting from the beat
// tracker's period coarsePeriodS, and picks among its simple multiples in
// range the grid of the strong hits. Onsets off the grid (offbeats, swung
// or sixteenth hats, fills) are left out of the fit; a grid that too few
// onsets support, or that they follow too loosely, is no beat (PeriodS 0).
TVxBeatGrid VxFitBeatGrid(const std::vector<TVxOnset>& onsets, double coarsePeriodS,
                          const TVxBpmRange& range);

// A song right at an edge of the range fits a hair beyond it (a grid fitted
// to 180.00 BPM may read 180.01): the range's edges give this much, both when
// the grid is chosen and when it is folded, so that such a song keeps its
// tempo instead of being halved or doubled.
constexpr double kVxBpmEdgeTolerance = 0.002;
double VxLowestInRange(const TVxBpmRange& range);
double VxHighestInRange(const TVxBpmRange& range);

// Doubles bpm up to the range's minimum, then halves it while it is above
// the maximum and its half still reaches the minimum, each edge with its
// tolerance; 0 stays 0. When no octave lies in the range (one narrower than
// an octave), the octave nearest to it by ratio.
double VxFoldBpm(double bpm, const TVxBpmRange& range);
