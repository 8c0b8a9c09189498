#include "analysis/VxTapTempo.h"

double TVxTapTempo::Tap(std::uint64_t nowMs, int pitch) {
    if (!taps_.empty() &&
        (nowMs < taps_.back() || nowMs - taps_.back() > kResetAfterMs || pitch != pitch_))
        taps_.clear();
    pitch_ = pitch;
    taps_.push_back(nowMs);
    if (taps_.size() > kTapsAveraged)
        taps_.pop_front();
    if (taps_.size() < 2 || taps_.back() == taps_.front())
        return 0;
    // The mean interval is the span over the intervals: only the first and
    // last tap of the window count, so one late tap is evened out by the
    // next early one.
    const double spanMs = static_cast<double>(taps_.back() - taps_.front());
    const double heardBpm = 60000.0 * static_cast<double>(taps_.size() - 1) / spanMs;
    return heardBpm * 100000.0 / (100000.0 + pitch);
}
