#include "controls/ZylSliderScale.h"

#include <cmath>
#include <cstdint>

TZylSliderScale ZylCalcSliderScale(int travel, int minValue, int maxValue, int nullZone) {
    TZylSliderScale scale;
    scale.MinValue = minValue;
    if (minValue == 0) {
        scale.PositiveShift = nullZone; // the band opens at the start, 0 at its start
    } else if (maxValue == 0) {
        scale.PositiveShift = nullZone; // the band closes the travel, 0 at its end
        scale.ZeroShift = nullZone;
    } else if (std::int64_t(minValue) * maxValue < 0) {
        scale.PositiveShift = 2 * nullZone; // the band lies around 0
        scale.ZeroShift = nullZone;
    }
    const double units = double(maxValue) - double(minValue) + scale.PositiveShift;
    scale.Scale = units > 0 ? float(double(travel) / units) : 0.0f;
    return scale;
}

int ZylSliderToPhysical(const TZylSliderScale& scale, int value) {
    std::int64_t shifted = value;
    if (value == 0) {
        shifted += scale.ZeroShift;
    } else if (value > 0) {
        shifted += scale.PositiveShift;
    }
    // The product keeps double precision: only the scale itself is single.
    return int(std::trunc(double(shifted - scale.MinValue) * double(scale.Scale)));
}

int ZylSliderToLogical(const TZylSliderScale& scale, int position) {
    if (!(scale.Scale > 0.0f)) {
        return scale.MinValue; // no travel: the thumb can only sit at the start
    }
    const float x = float(double(position) / double(scale.Scale) + double(scale.MinValue));
    const auto rounded = std::int64_t(std::round(x)); // half away from zero
    if (rounded > 0) {
        return rounded <= scale.PositiveShift ? 0 : int(rounded - scale.PositiveShift);
    }
    return int(rounded);
}
