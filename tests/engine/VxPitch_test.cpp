#include "engine/VxPitch.h"

#include "EngineTestSupport.h"

#include <gtest/gtest.h>

using enginetest::TManualClock;

namespace {

struct PitchFixture : ::testing::Test {
    TManualClock Clock;
    TVxPitchControl Pitch{Clock};

    int FrequencyAt(int pitch, int bend, int multiplier) {
        TVxPitchSettings settings = Pitch.Settings;
        settings.Multiplier = multiplier;
        Pitch.ApplySettings(settings);
        Pitch.SetPitch(pitch);
        Pitch.SetTouchBend(bend);
        return Pitch.ComputeFrequency();
    }
    void TickAfter(unsigned ms) {
        Clock.Advance(ms);
        Pitch.Tick();
    }
};

TEST_F(PitchFixture, FrequencyUsesTheSinglePrecisionFactor) {
    EXPECT_EQ(FrequencyAt(8000, 0, 1), 47627); // a double factor would give 47628
    EXPECT_EQ(FrequencyAt(-8000, 0, 1), 40572);
    EXPECT_EQ(FrequencyAt(8000, 0, 2), 51155);
    EXPECT_EQ(FrequencyAt(0, 500, 1), 44320);
    EXPECT_EQ(FrequencyAt(0, 0, 1), 44100);
}

TEST_F(PitchFixture, SetPitchRoundsTowardZeroToTheStepAndClampsToTheRange) {
    Pitch.SetPitch(1234);
    EXPECT_EQ(Pitch.Pitch, 1230);
    Pitch.SetPitch(-1234);
    EXPECT_EQ(Pitch.Pitch, -1230);
    Pitch.SetPitch(25000);
    EXPECT_EQ(Pitch.Pitch, 16000);
    Pitch.ApplyOptions(1, false, true); // accurate pitch: step 1
    Pitch.SetPitch(1234);
    EXPECT_EQ(Pitch.Pitch, 1234);
}

TEST_F(PitchFixture, RangesAndNullZonesFollowTheOptions) {
    const int nullZones[3] = {285, 571, 714};
    for (uint8_t range = 0; range < 3; ++range) {
        Pitch.ApplyOptions(range, false, false);
        EXPECT_EQ(Pitch.Max, kVxPitchRanges[range]);
        EXPECT_EQ(Pitch.Min, -kVxPitchRanges[range]);
        EXPECT_EQ(Pitch.NullZone, nullZones[range]);
    }
    EXPECT_EQ(Pitch.Max, 19999);
    Pitch.ApplyOptions(7, false, false); // unknown index keeps the range
    EXPECT_EQ(Pitch.Max, 19999);
}

TEST_F(PitchFixture, NarrowingTheRangeClampsAndReroundsThePitch) {
    Pitch.ApplyOptions(1, false, true);
    Pitch.SetPitch(12345);
    Pitch.ApplyOptions(0, false, false);
    EXPECT_EQ(Pitch.Pitch, 8000);
    Pitch.ApplyOptions(0, false, true);
    Pitch.SetPitch(-4321);
    Pitch.ApplyOptions(0, false, false);
    EXPECT_EQ(Pitch.Pitch, -4320);
}

TEST_F(PitchFixture, SlideStopsByItselfAtTheLimit) {
    Pitch.SetPitch(15500);
    Pitch.StartSlide(1000);
    TickAfter(20); // the first step is due at once
    EXPECT_EQ(Pitch.Pitch, 16000);
    EXPECT_TRUE(Pitch.Sliding);
    TickAfter(100);
    EXPECT_TRUE(Pitch.Sliding); // 100 ms is not yet a slide interval
    TickAfter(100);
    EXPECT_EQ(Pitch.Pitch, 16000);
    EXPECT_FALSE(Pitch.Sliding);
    EXPECT_EQ(Pitch.SlideStep, 0);
}

TEST_F(PitchFixture, SlideStepsAreNotRoundedToThePitchStep) {
    Pitch.StartSlide(-1);
    TickAfter(20);
    TickAfter(161);
    EXPECT_EQ(Pitch.Pitch, -2);
}

TEST_F(PitchFixture, PushBendGrowsEveryIntervalUpToItsMaximum) {
    Pitch.StartBend(TVxPitchControl::BendPush);
    EXPECT_EQ(Pitch.Bend, 0);
    TickAfter(20);
    EXPECT_EQ(Pitch.Bend, 500);
    std::vector<int> bends;
    for (int i = 0; i < 80; ++i) {
        TickAfter(20);
        bends.push_back(Pitch.Bend);
    }
    // 175 ms per step: the second step comes on the eighth tick after the first.
    EXPECT_EQ(bends[6], 500);
    EXPECT_EQ(bends[7], 1000);
    EXPECT_EQ(bends.back(), 5000);
    Pitch.StartBend(TVxPitchControl::BendBrake);
    TickAfter(20);
    EXPECT_EQ(Pitch.Bend, -500);
}

TEST_F(PitchFixture, TouchBendWinsOverButtonBends) {
    Pitch.SetTouchBend(1200);
    Pitch.StartBend(TVxPitchControl::BendPush);
    EXPECT_EQ(Pitch.BendMode, TVxPitchControl::BendNone);
    EXPECT_EQ(Pitch.Bend, 1200);
    Pitch.Release(); // a pitch button's release keeps the touch bend
    EXPECT_EQ(Pitch.Bend, 1200);
    Pitch.SetTouchBend(0);
    EXPECT_EQ(Pitch.Bend, 0);
    Pitch.StartBend(TVxPitchControl::BendPush);
    EXPECT_EQ(Pitch.BendMode, TVxPitchControl::BendPush);
    Pitch.Release();
    EXPECT_EQ(Pitch.BendMode, TVxPitchControl::BendNone);
}

} // namespace
