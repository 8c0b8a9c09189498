#include "analysis/VxTempoDetector.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>

namespace {

// Onsets by energy rise: the kick's hits then weigh most, so that the grid
// chosen among a song's pulses is the one of the kick and the first beat
// falls on it (spectral measures favour the hats).
constexpr const char* kOnsetMethod = "energy";
// Windows of about 23 ms (512 samples at 22 kHz): the onset detector steps
// by a quarter of one for fine onset times, the beat tracker by half of one,
// its own design point.
constexpr double kWindowSeconds = 0.0232;
// The beat tracker's period estimate is sampled about once a second (at
// 11.6 ms per hop); its median over the song is the coarse period: it
// emits too few beats on plain loops for their intervals to tell.
constexpr std::uint64_t kPeriodSampleHops = 86;
// The onset detector reports a hit this many of its hops after it begins
// (measured on kicks and plucked notes at 44.1 and 48 kHz: 0.75 to 0.9).
constexpr double kOnsetLagHops = 0.85;

std::uint32_t NearestPowerOfTwo(double value) {
    std::uint32_t size = 64;
    while (size * 1.5 <= value)
        size *= 2;
    return size;
}

} // namespace

struct TVxTempoDetector::TAubio {
    aubio_tempo_t* Tempo = nullptr;
    aubio_onset_t* Onset = nullptr;
    fvec_t* OnsetIn = nullptr;
    fvec_t* TempoIn = nullptr;
    fvec_t* Out = nullptr;
    std::uint32_t OnsetHop = 0;
    std::uint32_t HopsPerTempoHop = 2;
    std::uint32_t HopsInTempoHop = 0;
    std::uint64_t TempoHops = 0;

    ~TAubio() {
        if (Tempo != nullptr)
            del_aubio_tempo(Tempo);
        if (Onset != nullptr)
            del_aubio_onset(Onset);
        for (fvec_t* vector : {OnsetIn, TempoIn, Out})
            if (vector != nullptr)
                del_fvec(vector);
    }
};

TVxTempoDetector::TVxTempoDetector(std::uint32_t sampleRate)
    : aubio_(std::make_unique<TAubio>()), sampleRate_(sampleRate) {
    if (sampleRate < 4000)
        return;
    const std::uint32_t window = NearestPowerOfTwo(sampleRate * kWindowSeconds);
    TAubio& a = *aubio_;
    a.OnsetHop = window / 4;
    a.Tempo = new_aubio_tempo("default", window, window / 2, sampleRate);
    a.Onset = new_aubio_onset(kOnsetMethod, window, a.OnsetHop, sampleRate);
    a.OnsetIn = new_fvec(a.OnsetHop);
    a.TempoIn = new_fvec(window / 2);
    a.Out = new_fvec(2);
    pending_.reserve(a.OnsetHop);
}

TVxTempoDetector::~TVxTempoDetector() = default;

bool TVxTempoDetector::Ready() const {
    return aubio_->Tempo != nullptr && aubio_->Onset != nullptr && aubio_->OnsetIn != nullptr &&
           aubio_->TempoIn != nullptr && aubio_->Out != nullptr;
}

void TVxTempoDetector::Feed(const float* samples, std::size_t count) {
    if (!Ready())
        return;
    while (count > 0) {
        const std::size_t take = std::min<std::size_t>(count, aubio_->OnsetHop - pending_.size());
        pending_.insert(pending_.end(), samples, samples + take);
        samples += take;
        count -= take;
        if (pending_.size() == aubio_->OnsetHop)
            RunHop();
    }
}

void TVxTempoDetector::RunHop() {
    TAubio& a = *aubio_;
    std::copy(pending_.begin(), pending_.end(), a.OnsetIn->data);
    pending_.clear();
    aubio_onset_do(a.Onset, a.OnsetIn, a.Out);
    if (a.Out->data[0] > 0)
        onsets_.push_back({aubio_onset_get_last_s(a.Onset),
                           std::max<double>(aubio_onset_get_descriptor(a.Onset), 1e-6)});
    std::copy(a.OnsetIn->data, a.OnsetIn->data + a.OnsetHop,
              a.TempoIn->data + a.HopsInTempoHop * a.OnsetHop);
    if (++a.HopsInTempoHop < a.HopsPerTempoHop)
        return;
    a.HopsInTempoHop = 0;
    aubio_tempo_do(a.Tempo, a.TempoIn, a.Out);
    if (++a.TempoHops % kPeriodSampleHops != 0)
        return;
    if (const double period = aubio_tempo_get_period_s(a.Tempo); period > 0)
        periods_.push_back(period);
}

TVxTempo TVxTempoDetector::Finish(const TVxBpmRange& range) {
    if (!Ready())
        return {};
    std::sort(onsets_.begin(), onsets_.end(),
              [](const TVxOnset& x, const TVxOnset& y) { return x.TimeS < y.TimeS; });
    const TVxBeatGrid grid = VxFitBeatGrid(onsets_, VxMedian(periods_), range);
    if (grid.PeriodS <= 0)
        return {};
    TVxTempo tempo;
    tempo.Bpm = VxFoldBpm(60.0 / grid.PeriodS, range);
    // The grid's first line at the start may fall a hair before it once
    // the lag is taken off: that beat is the song's start.
    const double lagMs = kOnsetLagHops * aubio_->OnsetHop * 1000.0 / sampleRate_;
    tempo.FirstBeatMs = std::max(0.0, grid.FirstBeatS * 1000.0 - lagMs);
    return tempo;
}
