// Level <-> LED mappings shared by the VU meter and the progress bar.
#pragma once

// LEDs of size `ledSize` with `spacing` between them that fit in `extent`
// pixels; 0 for LEDs of no size.
int ZylLedCount(int extent, int ledSize, int spacing);
// LEDs per value unit: (n + 1) / (range + 1), single precision.
float ZylLedsPerUnit(int ledCount, int range);
// LEDs lit for an amount above the scale's bottom, truncated toward zero.
int ZylLitLeds(double amount, float ledsPerUnit);
// The strip cell of LED k (1-based): 3 lit normal, 2 unlit normal, 1 lit
// red-zone, 0 unlit red-zone; LEDs 1 … redLeds are normal.
int ZylLedCell(int led, bool lit, int redLeds);

enum TZylVUMeterMode { vmAveraged, vmAveragedDual, vmInmediate, vmInmediateRaise };

struct TZylLevelWeights {
    float LevelFallOff = 0.4f;
    float LevelUpFallOff = 0.6f;
};

// One smoothing step of a level toward input x, both measured from the
// scale's bottom; the result is kept within 0 … range (NaN gives 0).
float ZylSmoothLevel(TZylVUMeterMode mode, float level, float x, const TZylLevelWeights& weights,
                     float range);
// Square-root scale: x / range -> sqrt(x / range), back on 0 … range.
float ZylSqrtLevel(float x, float range);
// A fall-off weight kept within 0 … 1 (NaN gives 0).
float ZylClampWeight(float weight);
