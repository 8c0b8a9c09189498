#include "engine/device/ZylFade.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

TZylFade::TZylFade(uint16_t channels)
    : Channels(channels),
      Snapshot(new (std::nothrow) float[static_cast<size_t>(kCapacity) * channels]),
      Fading(new (std::nothrow) float[static_cast<size_t>(kCapacity) * channels]) {}

uint32_t TZylFade::SnapshotFrames(uint32_t rampFrames, double step) const {
    const double wanted = std::ceil(rampFrames * step) + 2.0;
    return static_cast<uint32_t>(std::min<double>(wanted, kCapacity));
}

void TZylFade::Commit(uint32_t frames, double fraction, double step) {
    Frames = frames;
    Fraction = fraction;
    Step = step;
}

void TZylFade::Begin(uint32_t rampFrames) {
    Done = 0;
    Length = 0;
    if (Frames < 2)
        return;
    // A snapshot cut short by the capacity shortens the fade instead of
    // reading past its end.
    const auto fits = static_cast<uint32_t>((Frames - 1 - Fraction) / Step);
    Length = std::min(rampFrames, fits);
    std::swap(Snapshot, Fading);
    FadingFraction = Fraction;
    FadingStep = Step;
    Frames = 0;
}

uint32_t TZylFade::Next(uint32_t count, float* out, float* envelope) {
    const uint32_t frames = std::min(count, Length - Done);
    for (uint32_t i = 0; i < frames; ++i, ++Done) {
        const double at = FadingFraction + Done * FadingStep;
        const auto whole = static_cast<uint32_t>(at);
        const auto part = static_cast<float>(at - whole);
        const float* a = Fading.get() + static_cast<size_t>(whole) * Channels;
        const float* b = a + Channels;
        for (uint16_t c = 0; c < Channels; ++c)
            out[i * Channels + c] = a[c] + (b[c] - a[c]) * part;
        envelope[i] = 1.0f - static_cast<float>(Done + 1) / static_cast<float>(Length);
    }
    return frames;
}
