#include "controls/ZylLedMath.h"

#include <cmath>

int ZylLedCount(int extent, int ledSize, int spacing) {
    if (ledSize <= 0 || extent + spacing <= 0) {
        return 0;
    }
    return (extent + spacing) / (ledSize + spacing);
}

float ZylLedsPerUnit(int ledCount, int range) {
    const double units = double(range) + 1;
    return units > 0 ? float((double(ledCount) + 1) / units) : 0.0f;
}

int ZylLitLeds(double amount, float ledsPerUnit) {
    const double leds = amount * double(ledsPerUnit);
    return leds > 0 ? int(leds) : 0;
}

int ZylLedCell(int led, bool lit, int redLeds) {
    return (led <= redLeds ? 2 : 0) + (lit ? 1 : 0);
}

float ZylClampWeight(float weight) {
    if (!(weight > 0.0f)) {
        return 0.0f; // negative or not a number
    }
    return weight > 1.0f ? 1.0f : weight;
}

float ZylSqrtLevel(float x, float range) {
    if (!(x > 0.0f) || !(range > 0.0f)) {
        return x;
    }
    return float(std::sqrt(double(x) / range) * range);
}

float ZylSmoothLevel(TZylVUMeterMode mode, float level, float x, const TZylLevelWeights& weights,
                     float range) {
    auto blend = [&](float weight) { return double(weight) * x + (1.0 - weight) * level; };
    double next = level;
    switch (mode) {
    case vmAveraged:
        next = blend(weights.LevelFallOff);
        break;
    case vmAveragedDual:
        next = x > level ? blend(weights.LevelUpFallOff) : blend(weights.LevelFallOff);
        break;
    case vmInmediate:
        next = x;
        break;
    case vmInmediateRaise:
        next = x > level ? double(x) : blend(weights.LevelFallOff);
        break;
    }
    if (!(next > 0.0)) {
        return 0.0f;
    }
    return next > range ? range : float(next);
}
