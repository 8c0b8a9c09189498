#include "frontend/VxDisplayText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vxdisplay {

namespace {

constexpr int kMaxDecimals = 6;
constexpr int kPitchDisplayCap = 19999;
constexpr int kStatePlaying = 2;
constexpr int kStateCuePlaying = 4;
constexpr std::int64_t kBlinkWindowMs = 29999;
constexpr std::uint32_t kShortestRangedSongMs = 10;
constexpr int kRedZoneTenths = 300;

std::int64_t PowerOfTen(int exponent) {
    std::int64_t p = 1;
    for (int i = 0; i < exponent; ++i)
        p *= 10;
    return p;
}

int DigitCount(std::int64_t n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// "e" followed by "b"s: count letters in all.
std::string LeadIn(int count) {
    if (count <= 0)
        return {};
    return "e" + std::string(static_cast<std::size_t>(count - 1), 'b');
}

std::string Format(const char* format, int a, int b) {
    char text[32];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

} // namespace

std::string LcdNumberText(std::int64_t value, int valueDecimals, int intPositions,
                          const std::string& suffix, int shownDecimals) {
    valueDecimals = std::clamp(valueDecimals, 0, kMaxDecimals);
    shownDecimals = std::clamp(shownDecimals, 0, kMaxDecimals);
    intPositions = std::clamp(intPositions, 1, 6);

    // Division truncates toward zero, as the display always did.
    if (valueDecimals > shownDecimals)
        value /= PowerOfTen(valueDecimals - shownDecimals);
    else
        value *= PowerOfTen(shownDecimals - valueDecimals);

    const std::int64_t magnitude = value < 0 ? -value : value;
    const std::int64_t scale = PowerOfTen(shownDecimals);
    std::int64_t integerPart = magnitude / scale;
    const std::int64_t fraction = magnitude % scale;
    const std::int64_t integerCap = 2 * PowerOfTen(intPositions - 1);
    if (integerPart >= integerCap)
        integerPart = integerCap - 1;

    std::string text = value > 0 ? "+ " : value < 0 ? "- " : "a ";
    text += LeadIn(integerPart == 0 ? intPositions - 1 : intPositions - DigitCount(integerPart));
    char digits[48];
    std::snprintf(digits, sizeof digits, "%lld.%.*lld", static_cast<long long>(integerPart),
                  shownDecimals, static_cast<long long>(fraction));
    return text + digits + suffix;
}

std::string PitchText(int pitch, bool accuratePitch) {
    const int m =
        std::min(std::abs(static_cast<long long>(pitch)), static_cast<long long>(kPitchDisplayCap));
    const int units = (m / 1000) % 10;
    if (accuratePitch) {
        const int decimals = m % 1000;
        if (pitch == 0)
            return "a e0.000";
        if (pitch > 0)
            return Format(pitch > 9999 ? "+ I%d.%.3d" : "+ e%d.%.3d", units, decimals);
        return Format(pitch < -9999 ? "- I%d.%.3d" : "- e%d.%.3d", units, decimals);
    }
    const int decimals = (m % 1000) / 10;
    if (pitch == 0)
        return "_a e0.00";
    if (pitch > 0)
        return Format(pitch > 9999 ? "_+ I%d.%.2d" : "_+ e%d.%.2d", units, decimals);
    return Format(pitch < -9999 ? "_- I%d.%.2d" : "_- e%d.%.2d", units, decimals);
}

std::string ValueText(int bend, int slideStep, bool showBendValue, bool accuratePitch) {
    if (!showBendValue || (bend == 0 && slideStep == 0))
        return kValueBlank;
    const std::int64_t value = static_cast<std::int64_t>(bend) + slideStep;
    return accuratePitch ? LcdNumberText(value, 3, 2, "", 3) : LcdNumberText(value, 3, 2, "b", 2);
}

std::string BpmText(double songBpm, int pitch) {
    // Three full digits fill the display as exactly as the sign, a blank,
    // the narrow one and two digits do.
    constexpr std::int64_t kNarrowOneLimit = 20000;
    constexpr std::int64_t kThreeDigitLimit = 100000;
    if (!(songBpm > 0))
        return kValueBlank;
    const double atPitch = songBpm * (100000.0 + pitch) / 1000.0;
    if (!(atPitch < static_cast<double>(kThreeDigitLimit)))
        return kBpmOverRange;
    const std::int64_t hundredths = std::llround(atPitch);
    if (hundredths <= 0)
        return kValueBlank;
    if (hundredths >= kThreeDigitLimit)
        return kBpmOverRange;
    const auto whole = static_cast<int>(hundredths / 100);
    const auto fraction = static_cast<int>(hundredths % 100);
    char text[16];
    if (hundredths >= kNarrowOneLimit)
        std::snprintf(text, sizeof text, "a %.3d.%.2d", whole, fraction);
    else
        std::snprintf(text, sizeof text, "a %s%.2d.%.2d", whole >= 100 ? "I" : "e", whole % 100,
                      fraction);
    return text;
}

std::string TrackText(int position) {
    if (position < 0)
        return kTrackNone;
    const char* lead = position <= 98 ? "e" : position <= 198 ? "I" : "i";
    char text[16];
    std::snprintf(text, sizeof text, "%s%.2d", lead, (position + 1) % 100);
    return text;
}

std::string ScanEndMessage(int addedFiles, bool aborted) {
    const std::string count = std::to_string(addedFiles) + " files added.";
    return aborted ? "Aborted, " + count : count;
}

bool TimeBlinks(int state, bool displayBlink, std::uint32_t shownLengthMs,
                std::uint32_t shownElapsedMs) {
    if (!displayBlink || (state != kStatePlaying && state != kStateCuePlaying))
        return false;
    // Signed: an elapsed time just past the length (the silence behind the
    // song's end) is still near the end and keeps blinking.
    const std::int64_t remaining = static_cast<std::int64_t>(shownLengthMs) - shownElapsedMs;
    return remaining <= kBlinkWindowMs;
}

bool ProgressRangeFor(std::uint32_t lengthMs, TProgressRange& range) {
    if (lengthMs <= kShortestRangedSongMs)
        return false;
    range.Max = static_cast<int>(lengthMs / 100);
    // Signed: a song shorter than 30 s is red all along, not wrapped around.
    range.RedValue = range.Max - kRedZoneTenths;
    return true;
}

void TMessageTimeout::Start(std::uint32_t timeoutMs, std::uint64_t nowMs) {
    timeoutMs_ = timeoutMs;
    startMs_ = nowMs;
}

bool TMessageTimeout::Expired(std::uint64_t nowMs) {
    if (timeoutMs_ == 0 || nowMs - startMs_ < timeoutMs_)
        return false;
    timeoutMs_ = 0;
    return true;
}

} // namespace vxdisplay
