#include "analysis/VxLevelGain.h"

#include <algorithm>

double VxLevelGainDb(const TVxLoudness& loudness, double targetLufs) {
    if (!loudness.Known)
        return 0;
    return std::min(targetLufs - loudness.Lufs, kVxLevelCeilingDbtp - loudness.TruePeakDbtp);
}
