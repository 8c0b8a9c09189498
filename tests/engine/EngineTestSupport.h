// Shared pieces of the engine tests: a clock the test advances, a decoder
// whose every sample tells its own position, and a deck (player system with
// a hand-ticked worker on a hand-stepped Null device) that records what it
// plays.
#pragma once

#include "decoding/VxPlayer.h"
#include "diag/Diag.h"
#include "engine/VxClock.h"
#include "engine/VxSystem.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylNull.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace enginetest {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFramesPerTick = kRate * TVxSystemTAG::TickMs / 1000; // 882
// Output frames shaped by the ramp after a start or a jump: pattern frames
// are exact only from here on.
inline const uint32_t kRampFrames = ZylTransportRampFrames(kRate);

using TManualClock = TVxManualClock;

// Stereo 16-bit sample of song frame n: n = (right - 1) * 32767 + left - 1,
// both channels positive, so any played frame tells exactly where in the
// song it came from and silence is never mistaken for song.
constexpr uint32_t kPatternBase = 32767;
inline int16_t PatternLeft(uint32_t n) {
    return static_cast<int16_t>(n % kPatternBase + 1);
}
inline int16_t PatternRight(uint32_t n) {
    return static_cast<int16_t>(n / kPatternBase + 1);
}
// The song frame a played pattern frame came from, or -1 for silence.
inline int64_t PatternFrame(int16_t left, int16_t right) {
    if (left <= 0 || right <= 0)
        return -1;
    return int64_t(right - 1) * kPatternBase + (left - 1);
}

// A decoder that behaves like the MPEG one where it matters to the engine:
// read units of 1152 stereo frames (4608 bytes), seeks that land on a unit
// boundary with the rest given as skip bytes, silence after the end. It can
// be told to fail its reads.
class TPatternDecoder final : public TVxPlayerTAG {
public:
    static constexpr uint32_t kUnitFrames = 1152;

    explicit TPatternDecoder(uint32_t totalFrames) : TotalFrames(totalFrames) {}
    ~TPatternDecoder() override { Close(); }

    int Accepts(const char*) override { return 1; }
    int Open(const char*, uint32_t) override {
        Format = MakePcmFormat(2, kRate, 16);
        BytesPerFrame = kUnitFrames * 4;
        LengthMs = static_cast<uint32_t>(uint64_t(TotalFrames) * 1000 / kRate);
        Next = 0;
        IsOpen = 1;
        return 0;
    }
    int GetInfo(const char*, char* name, uint32_t* lengthMs) override {
        std::strcpy(name, "pattern");
        *lengthMs = static_cast<uint32_t>(uint64_t(TotalFrames) * 1000 / kRate);
        return 0;
    }
    void Close() override { IsOpen = 0; }
    int Seek(uint32_t ms, uint32_t* skipBytes) override {
        const uint32_t target = static_cast<uint32_t>(uint64_t(ms) * kRate / 1000);
        Next = target / kUnitFrames * kUnitFrames;
        *skipBytes = (target - Next) * 4;
        ++Seeks;
        return 0;
    }
    int Read(void* buffer, uint32_t units, uint32_t* unitsRead) override {
        ++Reads;
        *unitsRead = 0;
        if (FailReads) {
            DIAG_REPORT(kDiagReported, "Pattern decoder: read failed");
            return kDiagReported;
        }
        // A read that fails part-way decodes its first units, then reports.
        const bool failing = FailAfterUnits >= 0 && uint32_t(FailAfterUnits) < units;
        if (failing)
            units = uint32_t(FailAfterUnits);
        auto* out = static_cast<int16_t*>(buffer);
        for (uint32_t f = 0; f < units * kUnitFrames; ++f, ++Next) {
            const bool valid = Next < TotalFrames;
            out[2 * f] = valid ? PatternLeft(Next) : 0;
            out[2 * f + 1] = valid ? PatternRight(Next) : 0;
            if (valid && (f + 1) % kUnitFrames == 0)
                ++*unitsRead;
        }
        if (failing) {
            DIAG_REPORT(kDiagReported, "Pattern decoder: read failed part-way");
            return kDiagReported;
        }
        return 0;
    }

    uint32_t TotalFrames;
    uint32_t Next = 0;
    bool FailReads = false;
    int FailAfterUnits = -1; // >= 0: reads fail after decoding this many units
    int Reads = 0;
    int Seeks = 0;
};

// Counts the reports made while it lives.
class TReportCounter {
public:
    TReportCounter() {
        Count() = 0;
        DiagSetReportHook([](const char*) { ++Count(); });
    }
    ~TReportCounter() { DiagSetReportHook(nullptr); }
    static int& Count() {
        static int count = 0;
        return count;
    }
};

// Turns on the hand-stepped Null device with the linear converter, whose
// output at the buffer's own rate is the input itself.
inline void UseHandSteppedDevice() {
    setenv("VEXALINE_RESAMPLER", "linear", 1);
    ZylNullSetHandStepped(true);
}

// A player system ticked by hand on a hand-stepped device.
class TDeck {
public:
    TDeck() {
        UseHandSteppedDevice();
        TVxSystemSetup setup;
        setup.ManualWorker = true;
        setup.Clock = &Clock;
        System = std::make_unique<TVxSystemTAG>(nullptr, setup);
    }

    // Plays frames of output and keeps them.
    void Render(uint32_t frames) {
        const std::vector<int16_t> out = ZylNullStepSamples(frames);
        Output.insert(Output.end(), out.begin(), out.end());
    }
    // One worker period: 20 ms of output, 20 ms of clock, one tick.
    void Step(int ticks = 1) {
        for (int i = 0; i < ticks; ++i) {
            Render(kFramesPerTick);
            Clock.Advance(TVxSystemTAG::TickMs);
            System->Tick();
        }
    }
    TVxTimeInfo Time() {
        TVxTimeInfo info;
        System->GetTimeInfo(info);
        return info;
    }
    uint32_t Cursor() { return System->Song.Buffer.GetPlayCursor(); }

    TManualClock Clock;
    std::unique_ptr<TVxSystemTAG> System;
    std::vector<int16_t> Output;
};

} // namespace enginetest
