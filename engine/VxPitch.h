// Pitch control: the pitch slider's value, pitch bends (push/brake buttons
// stepping up over time, or the touch-bend control held at a value), pitch
// slides, and the playback frequency they give. Pitch and bend count in
// 0.001 % of the song's own speed (8000 is +8 %).
//
// Threads: a plain record of the player system, used under its lock.
#pragma once

#include "engine/VxClock.h"

#include <cstdint>

struct TVxPitchSettings {
    int Range = 16000;
    int Scale = 1000;
    int Step = 10;
    int Multiplier = 1;
    int SampleRate = 44100;
    int BendStep = 500;
    int BendMax = 5000;
    int BendInterval = 175;
    int SlideInterval = 160;
};

struct TVxPitchInfo {
    int32_t Pitch = 0;
    int32_t Bend = 0;
    int32_t SlideStep = 0;
    int32_t Frequency = 0;
};

struct TVxPitchLimits {
    int32_t Max = 0;
    int32_t Min = 0;
    int32_t NullZone = 0;
};

// The three pitch ranges; 20 % is 19999, not 20000.
constexpr int kVxPitchRanges[3] = {8000, 16000, 19999};

class TVxPitchControl {
public:
    enum : uint8_t { BendNone = 0, BendPush = 1, BendBrake = 2 };

    explicit TVxPitchControl(TVxClock& clock) : Clock(clock) { ApplySettings(Settings); }

    void ApplySettings(const TVxPitchSettings& settings);
    // Range from the pitch-range index (other values keep the range),
    // Multiplier and Step from the doubled/accurate pitch flags.
    void ApplyOptions(uint8_t pitchRange, bool doubledPitch, bool accuratePitch);
    int ComputeFrequency() const;

    void SetPitch(int value);
    void SetTouchBend(int value);
    void StartBend(uint8_t mode);
    void StartSlide(int step);
    void Release();
    // Steps a running bend and slide by the time passed since the last tick.
    void Tick();
    // Whether Tick has a bend or a slide to step on.
    bool Moving() const { return BendMode != BendNone || Sliding; }

    TVxPitchInfo Info() const { return {Pitch, Bend, SlideStep, Frequency}; }
    TVxPitchLimits Limits() const { return {Max, Min, NullZone}; }

    TVxPitchSettings Settings;
    float Factor = 0.0f; // 1 / (Scale * 100), kept in single precision
    int Max = 0;
    int Min = 0;
    int NullZone = 0;
    int Pitch = 0;
    int Bend = 0;
    int SlideStep = 0;
    int Frequency = 0;
    uint8_t BendMode = BendNone;
    bool TouchBending = false;
    int BendCount = 0;
    uint32_t BendElapsedMs = 0;
    bool Sliding = false;
    uint32_t SlideElapsedMs = 0;
    uint64_t BendStamp = 0;
    uint64_t SlideStamp = 0;
    bool Changed = false;

private:
    void BendTick();
    void SlideTick();

    TVxClock& Clock;
};
