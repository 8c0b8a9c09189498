// Value <-> pixel mapping of the slider, with the dead band around zero.
//
// The scale is a single-precision float and the products are formed with
// more precision before truncation, so positions land exactly where the
// deck's layouts expect them (e.g. 0 of -16000..16000 on 144 px sits at 71).
#pragma once

struct TZylSliderScale {
    int MinValue = 0;
    int PositiveShift = 0; // value units added above zero to open the dead band
    int ZeroShift = 0;     // where zero sits inside the dead band
    float Scale = 0.0f;    // pixels per value unit
};

TZylSliderScale ZylCalcSliderScale(int travel, int minValue, int maxValue, int nullZone);
// Pixel position of a value (truncated toward zero).
int ZylSliderToPhysical(const TZylSliderScale& scale, int value);
// Value at a pixel position; every pixel of the dead band reads 0.
int ZylSliderToLogical(const TZylSliderScale& scale, int position);
