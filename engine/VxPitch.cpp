#include "engine/VxPitch.h"

#include <algorithm>

void TVxPitchControl::ApplySettings(const TVxPitchSettings& settings) {
    Settings = settings;
    Settings.Step = std::max(1, Settings.Step);
    Settings.Scale = std::max(1, Settings.Scale);
    Factor = static_cast<float>(1.0 / (Settings.Scale * 100.0));
    Max = Settings.Range;
    Min = -Settings.Range;
    NullZone = Settings.Range / 28;
    Pitch = std::clamp(Pitch / Settings.Step * Settings.Step, Min, Max);
    Changed = true;
}

void TVxPitchControl::ApplyOptions(uint8_t pitchRange, bool doubledPitch, bool accuratePitch) {
    TVxPitchSettings settings = Settings;
    if (pitchRange < 3)
        settings.Range = kVxPitchRanges[pitchRange];
    settings.Multiplier = doubledPitch ? 2 : 1;
    settings.Step = accuratePitch ? 1 : 10;
    ApplySettings(settings);
}

// Extended precision with the single-precision factor: 1/100000 as a float
// lies slightly below 1e-5, which is why +8 % of 44100 Hz gives 47627 and
// not 47628; players running side by side must agree on it to the hertz.
int TVxPitchControl::ComputeFrequency() const {
    const long double rate = Settings.SampleRate;
    const long double offset =
        static_cast<long double>(Pitch) * Settings.Multiplier + static_cast<long double>(Bend);
    return static_cast<int>(rate + rate * offset * static_cast<long double>(Factor));
}

void TVxPitchControl::SetPitch(int value) {
    const int clamped = std::clamp(value, -Settings.Range, Settings.Range);
    const int previous = Pitch;
    Pitch = clamped / Settings.Step * Settings.Step;
    Changed = previous != clamped;
}

void TVxPitchControl::SetTouchBend(int value) {
    TouchBending = value != 0;
    if (TouchBending)
        BendMode = BendNone;
    Bend = value;
    Changed = true;
}

void TVxPitchControl::StartBend(uint8_t mode) {
    if (TouchBending || mode == BendMode)
        return;
    BendCount = 0;
    BendElapsedMs = static_cast<uint32_t>(Settings.BendInterval + 1);
    BendStamp = Clock.NowMs();
    BendMode = mode;
    Bend = 0;
    Changed = true;
}

void TVxPitchControl::StartSlide(int step) {
    Sliding = step != 0;
    if (Sliding) {
        SlideElapsedMs = static_cast<uint32_t>(Settings.SlideInterval + 1);
        SlideStamp = Clock.NowMs();
    }
    SlideStep = step;
    Changed = true;
}

void TVxPitchControl::Release() {
    if (!TouchBending) {
        BendMode = BendNone;
        Bend = 0;
    }
    Sliding = false;
    SlideStep = 0;
    Changed = true;
}

void TVxPitchControl::BendTick() {
    BendElapsedMs += VxTakeElapsedMs(Clock, BendStamp);
    const uint32_t interval = static_cast<uint32_t>(Settings.BendInterval);
    if (BendElapsedMs <= interval)
        return;
    BendElapsedMs -= interval;
    BendCount += 1;
    const int bend = std::min(Settings.BendStep * BendCount, Settings.BendMax);
    Bend = BendMode == BendBrake ? -bend : bend;
    Changed = true;
}

void TVxPitchControl::SlideTick() {
    SlideElapsedMs += VxTakeElapsedMs(Clock, SlideStamp);
    const uint32_t interval = static_cast<uint32_t>(Settings.SlideInterval);
    if (SlideElapsedMs <= interval)
        return;
    SlideElapsedMs -= interval;
    const int old = Pitch;
    Pitch = std::clamp(Pitch + SlideStep, -Settings.Range, Settings.Range);
    if (Pitch == old) {
        Sliding = false;
        SlideStep = 0;
    }
    Changed = true;
}

void TVxPitchControl::Tick() {
    if (BendMode != BendNone)
        BendTick();
    if (Sliding)
        SlideTick();
}
