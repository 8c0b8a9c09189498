// The engine's sense of time. Pitch bends, slides, searches and the search
// loop's pause all measure whole milliseconds on one monotonic clock; the
// worker sleeps through it too. Tests hand the player system a clock they
// advance themselves, so that every timed step is reproducible.
#pragma once

#include <cstdint>

class TVxClock {
public:
    virtual ~TVxClock() = default;
    // Monotonic milliseconds since an arbitrary origin.
    virtual uint64_t NowMs() = 0;
    // Blocks the calling thread for about ms milliseconds.
    virtual void SleepMs(unsigned ms) = 0;
};

// The steady system clock; the one the product uses.
class TVxSteadyClock final : public TVxClock {
public:
    uint64_t NowMs() override;
    void SleepMs(unsigned ms) override;
};

// A clock that moves only when told: the test's or the headless renderer's
// ticks advance it, and sleeping through it is time passing at once.
class TVxManualClock final : public TVxClock {
public:
    uint64_t NowMs() override { return Now; }
    void SleepMs(unsigned ms) override {
        Now += ms;
        SleptMs += ms;
        ++Sleeps;
    }
    void Advance(unsigned ms) { Now += ms; }

    uint64_t Now = 1000000;
    uint64_t SleptMs = 0;
    unsigned Sleeps = 0;
};

// Process-wide steady clock used when no other clock is given.
TVxClock& VxDefaultClock();

// Whole milliseconds since *stamp, moving the stamp to now. Telescoping whole
// milliseconds never loses the fractions between ticks.
inline uint32_t VxTakeElapsedMs(TVxClock& clock, uint64_t& stamp) {
    const uint64_t now = clock.NowMs();
    const uint64_t elapsed = now - stamp;
    stamp = now;
    return static_cast<uint32_t>(elapsed);
}
