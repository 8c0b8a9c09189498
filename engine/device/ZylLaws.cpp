#include "engine/device/ZylLaws.h"

#include "engine/device/ZylDS.h"

#include <algorithm>
#include <cmath>

namespace {

// 200 to the power 1/100: the base that makes the curve reach 100 at 100.
constexpr double kLawBase = 1.05441190308268;

double LawCurve(double v) {
    if (v == 0.0)
        return 0.0;
    if (v > 0.0)
        return std::log(2.0 * v) / std::log(kLawBase);
    return -std::log(-2.0 * v) / std::log(kLawBase);
}

float AttenuationGain(int32_t hundredthsOfDb) {
    if (hundredthsOfDb <= kZylVolumeSilent)
        return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredthsOfDb / 2000.0));
}

} // namespace

int32_t ZylVolumeLaw(uint32_t volume) {
    const double v = std::min<uint32_t>(volume, 100);
    return static_cast<int32_t>(std::trunc((LawCurve(v) - 100.0) * 100.0));
}

int32_t ZylPanLaw(int32_t pan) {
    const int32_t magnitude = std::abs(std::clamp(pan, -100, 100));
    const auto b = static_cast<int32_t>(std::trunc((100.0 - LawCurve(100 - magnitude)) * 100.0));
    return pan < 0 ? -b : b;
}

TZylGains ZylGainsFor(int32_t deviceVolume, int32_t devicePan) {
    const float level = AttenuationGain(deviceVolume);
    TZylGains gains{level, level};
    if (devicePan > 0)
        gains.Left *= AttenuationGain(-devicePan);
    else if (devicePan < 0)
        gains.Right *= AttenuationGain(devicePan);
    return gains;
}

float ZylLevelGain(double gainDb) {
    return gainDb == 0.0 ? 1.0f : static_cast<float>(std::pow(10.0, gainDb / 20.0));
}
