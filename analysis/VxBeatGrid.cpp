#include "analysis/VxBeatGrid.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace {

// An onset lies on the grid when it is within this fraction of a period of
// a grid line: wide enough for a sloppy coarse period over the first window,
// narrow enough to leave out swung eighths (a third off) and sixteenths.
constexpr double kOnGrid = 0.1;
// The fit starts over this many periods around its anchor and doubles the
// span until the whole song is covered; the first span is short enough that
// the coarse period cannot drift off by a tenth of a beat across it.
constexpr double kFirstSpanPeriods = 12;
constexpr int kAnchorCandidates = 200;
// Onsets weaker than this share of the strongest are ripples of a steady
// sound, not hits.
constexpr double kWeakOnset = 0.01;
// The beat tracker's period may be any simple multiple of the beat (whole
// bars, half beats, dotted beats, or stranger on long loops): the grid is
// tried at every period m/n of it, with m up to kMaxMultiple and n up to
// kMaxDivisor, that falls in the range.
constexpr int kMaxMultiple = 4;
constexpr int kMaxDivisor = 32;
constexpr int kPhasesPerPeriod = 4;
// Hits at different places of a bar (a kick, a snare, the notes of a loop)
// are found with delays of their own; fitting one offset per place of a
// four-beat bar keeps those from tilting the period.
constexpr int kBarPlaces = 4;
// A steady beat: enough grid lines carry an onset, the onsets on the grid
// hold a fair share of the strength, and they sit tightly on their lines.
constexpr int kMinBeats = 16;
constexpr double kMinOnGridShare = 0.3;
constexpr double kMaxSpread = 0.035; // residual RMS, in periods
// A backbeat: the lines between the chosen grid's lines carry hits at least
// this strong, on average, against the grid's own (a snare against a kick;
// hats between kicks are far weaker), on at least this share of them.
constexpr double kBackbeatStrength = 0.35;
constexpr double kBackbeatCoverage = 0.75;

struct TLine {
    double Origin = 0; // time of grid line 0
    double Period = 0;
};

using TOnsets = std::vector<TVxOnset>;

TOnsets::const_iterator FirstAt(const TOnsets& onsets, double timeS) {
    return std::lower_bound(onsets.begin(), onsets.end(), timeS,
                            [](const TVxOnset& onset, double t) { return onset.TimeS < t; });
}

double Residual(const TLine& line, double timeS, long& index) {
    const double position = (timeS - line.Origin) / line.Period;
    index = std::lround(position);
    return position - static_cast<double>(index);
}

// How the onsets within span of centre sit on a grid.
struct TGridStats {
    double OnGridWeight = 0;
    double TotalWeight = 0;
    double ResidualSquares = 0; // weighted, in periods squared
    int OnGridCount = 0;
    int Beats = 0; // distinct lines that carry an onset
    long FirstIndex = 0;
    long LastIndex = 0;
    // Weighted sums of the least-squares fit of time against line index,
    // one set per place in the bar.
    struct TSums {
        double W = 0, K = 0, T = 0, KK = 0, KT = 0;
    } Place[kBarPlaces];

    double Share() const { return TotalWeight > 0 ? OnGridWeight / TotalWeight : 0; }
    double Spread() const {
        return OnGridWeight > 0 ? std::sqrt(ResidualSquares / OnGridWeight) : 1;
    }
    // On-grid strength times how evenly the lines are filled times the
    // mean strength of a hit on them: the beat is the grid of the strong
    // hits that recur on every line.
    double Score() const {
        if (Beats == 0)
            return 0;
        const double coverage = Beats / static_cast<double>(LastIndex - FirstIndex + 1);
        return Share() * coverage * OnGridWeight / OnGridCount;
    }
};

TGridStats StatsWithin(const TOnsets& onsets, const TLine& line, double centre, double span) {
    TGridStats stats;
    for (auto it = FirstAt(onsets, centre - span); it != onsets.end() && it->TimeS <= centre + span;
         ++it) {
        const double w = it->Weight;
        stats.TotalWeight += w;
        long index = 0;
        const double r = Residual(line, it->TimeS, index);
        if (std::fabs(r) >= kOnGrid)
            continue;
        if (stats.Beats == 0 || index != stats.LastIndex)
            ++stats.Beats;
        if (stats.Beats == 1)
            stats.FirstIndex = index;
        stats.LastIndex = index;
        const double k = static_cast<double>(index);
        stats.OnGridWeight += w;
        ++stats.OnGridCount;
        stats.ResidualSquares += w * r * r;
        TGridStats::TSums& sums = stats.Place[(index % kBarPlaces + kBarPlaces) % kBarPlaces];
        sums.W += w, sums.K += w * k, sums.T += w * it->TimeS, sums.KK += w * k * k;
        sums.KT += w * k * it->TimeS;
    }
    return stats;
}

TGridStats WholeSongStats(const TOnsets& onsets, const TLine& line) {
    const double span = onsets.back().TimeS - onsets.front().TimeS;
    return StatsWithin(onsets, line, onsets.front().TimeS, span);
}

// The least-squares period through the on-grid onsets, with an offset per
// place in the bar, and the mean of those offsets as the origin; line
// itself when the onsets cannot fix one.
TLine Fitted(const TGridStats& stats, const TLine& line) {
    double covariance = 0, variance = 0, w = 0, k = 0, t = 0;
    for (const TGridStats::TSums& sums : stats.Place) {
        if (sums.W <= 0)
            continue;
        covariance += sums.KT - sums.K * sums.T / sums.W;
        variance += sums.KK - sums.K * sums.K / sums.W;
        w += sums.W, k += sums.K, t += sums.T;
    }
    if (stats.Beats < 2 || !(variance > 1e-9 * w))
        return line;
    TLine fitted;
    fitted.Period = covariance / variance;
    fitted.Origin = (t - fitted.Period * k) / w;
    return fitted;
}

// The onset whose grid, at the coarse period, the most onsets around it
// share: it sits inside the beat, not in a tempo-less intro.
double BestAnchor(const TOnsets& onsets, double period) {
    const size_t step = std::max<size_t>(1, onsets.size() / kAnchorCandidates);
    double best = onsets.front().TimeS;
    double bestWeight = -1;
    for (size_t i = 0; i < onsets.size(); i += step) {
        const TLine line{onsets[i].TimeS, period};
        const double weight =
            StatsWithin(onsets, line, line.Origin, kFirstSpanPeriods * period).OnGridWeight;
        if (weight > bestWeight) {
            bestWeight = weight;
            best = line.Origin;
        }
    }
    return best;
}

// The coarse period's grid refined over spans that double until they hold
// the whole song; a zero period when the fit wanders off.
TLine RefineAroundAnchor(const TOnsets& onsets, double coarsePeriod) {
    const double centre = BestAnchor(onsets, coarsePeriod);
    const double songSpan = std::max(centre - onsets.front().TimeS, onsets.back().TimeS - centre);
    TLine line{centre, coarsePeriod};
    for (double span = kFirstSpanPeriods * coarsePeriod;; span *= 2) {
        line = Fitted(StatsWithin(onsets, line, centre, span), line);
        // A fit that drifted far from the coarse period followed noise.
        if (!(std::fabs(line.Period / coarsePeriod - 1) < 0.05))
            return {};
        if (span > songSpan)
            return line;
    }
}

struct TCandidate {
    TLine Line;
    double Score = -1;
};

// The grid at ratio times the refined period, in each of its phases, if
// that period is in range.
void ConsiderRatio(const TOnsets& onsets, const TLine& refined, double ratio,
                   const TVxBpmRange& range, TCandidate& best) {
    const double period = refined.Period * ratio;
    const double bpm = 60.0 / period;
    if (bpm < VxLowestInRange(range) || bpm > VxHighestInRange(range))
        return;
    const int phases = kPhasesPerPeriod * static_cast<int>(std::ceil(ratio));
    const double step = std::min(period, refined.Period) / kPhasesPerPeriod;
    for (int phase = 0; phase < phases; ++phase) {
        const TLine line{refined.Origin + phase * step, period};
        const double score = WholeSongStats(onsets, line).Score();
        if (score > best.Score)
            best = {line, score};
    }
}

// Among the simple multiples of the refined period that fall in the range,
// and their phases, the grid that scores best; the refined grid itself
// when none is in range.
TLine BestCandidate(const TOnsets& onsets, const TLine& refined, const TVxBpmRange& range) {
    TCandidate best{refined};
    for (int m = 1; m <= kMaxMultiple; ++m)
        for (int n = 1; n <= kMaxDivisor; ++n)
            if (std::gcd(m, n) == 1)
                ConsiderRatio(onsets, refined, static_cast<double>(m) / n, range, best);
    return best.Line;
}

// A grid whose every other line of the twice-as-fast grid carries hits
// nearly as strong as its own (kick on one and three, snare on two and
// four) runs at half the beat: the beat is the faster grid, when that is in
// range.
TLine WithBackbeat(const TOnsets& onsets, const TLine& line, const TVxBpmRange& range) {
    const TLine faster{line.Origin, line.Period / 2};
    if (60.0 / faster.Period > VxHighestInRange(range))
        return line;
    double weight[2] = {0, 0};
    int count[2] = {0, 0};
    long lastBetween = 0;
    int linesBetween = 0;
    for (const TVxOnset& onset : onsets) {
        long index = 0;
        if (std::fabs(Residual(faster, onset.TimeS, index)) >= kOnGrid)
            continue;
        const int between = static_cast<int>(index & 1);
        weight[between] += onset.Weight;
        ++count[between];
        if (between && (linesBetween == 0 || index != lastBetween))
            ++linesBetween;
        if (between)
            lastBetween = index;
    }
    if (count[0] == 0 || count[1] == 0)
        return line;
    const double span = (onsets.back().TimeS - onsets.front().TimeS) / line.Period;
    const bool strong = weight[1] / count[1] >= kBackbeatStrength * (weight[0] / count[0]);
    return strong && linesBetween >= kBackbeatCoverage * span ? faster : line;
}

TOnsets WithoutWeakOnsets(const TOnsets& onsets) {
    double strongest = 0;
    for (const TVxOnset& onset : onsets)
        strongest = std::max(strongest, onset.Weight);
    TOnsets kept;
    std::copy_if(onsets.begin(), onsets.end(), std::back_inserter(kept),
                 [&](const TVxOnset& onset) { return onset.Weight >= kWeakOnset * strongest; });
    return kept;
}

} // namespace

double VxMedian(std::vector<double> values) {
    if (values.empty())
        return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

TVxBeatGrid VxFitBeatGrid(const std::vector<TVxOnset>& allOnsets, double coarsePeriodS,
                          const TVxBpmRange& range) {
    const TOnsets onsets = WithoutWeakOnsets(allOnsets);
    if (onsets.size() < static_cast<size_t>(kMinBeats) || !(coarsePeriodS > 0))
        return {};
    const TLine refined = RefineAroundAnchor(onsets, coarsePeriodS);
    if (refined.Period <= 0)
        return {};
    const TLine candidate = WithBackbeat(onsets, BestCandidate(onsets, refined, range), range);
    const TGridStats stats = WholeSongStats(onsets, candidate);
    const TLine line = Fitted(stats, candidate);
    if (stats.Beats < kMinBeats || stats.Share() < kMinOnGridShare || stats.Spread() > kMaxSpread)
        return {};
    TVxBeatGrid grid;
    grid.PeriodS = line.Period;
    grid.FirstBeatS = line.Origin - std::floor(line.Origin / line.Period) * line.Period;
    grid.Beats = stats.Beats;
    return grid;
}

double VxLowestInRange(const TVxBpmRange& range) {
    return range.Min * (1 - kVxBpmEdgeTolerance);
}

double VxHighestInRange(const TVxBpmRange& range) {
    return range.Max * (1 + kVxBpmEdgeTolerance);
}

double VxFoldBpm(double bpm, const TVxBpmRange& range) {
    if (!(bpm > 0) || !(range.Min > 0) || range.Max < range.Min)
        return 0;
    while (bpm < VxLowestInRange(range))
        bpm *= 2;
    while (bpm > VxHighestInRange(range) && bpm / 2 >= VxLowestInRange(range))
        bpm /= 2;
    // A range narrower than an octave may hold no octave of the tempo: the
    // octave nearer the range is the better guess.
    if (bpm > VxHighestInRange(range) && range.Min / (bpm / 2) < bpm / range.Max)
        bpm /= 2;
    return bpm;
}
