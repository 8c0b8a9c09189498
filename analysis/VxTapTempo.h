// Tap tempo: the user taps a key in time with the music; the average of
// the last taps gives the tempo. A pause of two seconds starts afresh.
// Pure: the caller passes the time of each tap.
#pragma once

#include <cstdint>
#include <deque>

class TVxTapTempo {
public:
    static constexpr std::uint64_t kResetAfterMs = 2000;
    static constexpr std::size_t kTapsAveraged = 8;

    // The tempo of the taps so far, in BPM; 0 after the first tap of a run.
    double Tap(std::uint64_t nowMs);

private:
    std::deque<std::uint64_t> taps_;
};
