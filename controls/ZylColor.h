// Colour values of the skinned controls: 0x00BBGGRR, red in the low byte.
#pragma once

#include <cstdint>

using TZylColor = std::uint32_t;

// The "no colour" value: its high bits are set, so it never equals a pixel.
constexpr TZylColor clNone = 0x1FFFFFFF;
constexpr TZylColor clBlack = 0x00000000;
constexpr TZylColor clBlue = 0x00FF0000;
constexpr TZylColor clFuchsia = 0x00FF00FF;

constexpr TZylColor ZylRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return TZylColor(r) | (TZylColor(g) << 8) | (TZylColor(b) << 16);
}
constexpr std::uint8_t ZylRed(TZylColor c) {
    return std::uint8_t(c & 0xFF);
}
constexpr std::uint8_t ZylGreen(TZylColor c) {
    return std::uint8_t((c >> 8) & 0xFF);
}
constexpr std::uint8_t ZylBlue(TZylColor c) {
    return std::uint8_t((c >> 16) & 0xFF);
}
