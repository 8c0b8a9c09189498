// Level laws of the device buffers: the user's 0..100 volume and -100..100
// pan become hundredths of a decibel, and hundredths of a decibel become the
// linear gains the mixer multiplies by.
#pragma once

#include <cstdint>

constexpr int32_t kZylVolumeSilent = -10000; // hundredths of a decibel
constexpr int32_t kZylPanFullRight = 10000;

struct TZylGains {
    float Left = 1.0f;
    float Right = 1.0f;
};

// Device volume (-10000..0) and device pan (-10000..10000, negative values
// attenuating the right channel) to per-channel gains. The extremes give
// exactly 0, so silence is silence and not -100 dB of leakage.
TZylGains ZylGainsFor(int32_t deviceVolume, int32_t devicePan);

// A gain in decibels as the linear factor the mixer multiplies by: exactly 1
// at 0 dB, so an unlevelled song passes untouched.
float ZylLevelGain(double gainDb);
