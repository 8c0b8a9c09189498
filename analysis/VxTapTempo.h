// Tap tempo: the user taps a key in time with the music as it plays; the
// average of the last taps, taken back to the song's own speed, gives the
// song's tempo. A pause of two seconds, a tap at another pitch and a new
// song start afresh: each would mix two tempos into one average.
// Pure: the caller passes the time and the pitch of each tap.
#pragma once

#include <cstdint>
#include <deque>

class TVxTapTempo {
public:
    static constexpr std::uint64_t kResetAfterMs = 2000;
    static constexpr std::size_t kTapsAveraged = 8;

    // The song's own tempo in BPM from the taps heard at pitch (units of
    // 0.001 %); 0 after the first tap of a run.
    double Tap(std::uint64_t nowMs, int pitch);
    // Forgets the taps: the next one begins a run. Call on every song change.
    void Reset() { taps_.clear(); }

private:
    std::deque<std::uint64_t> taps_;
    int pitch_ = 0;
};
