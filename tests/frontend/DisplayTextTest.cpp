#include "frontend/VxDisplayText.h"
#include "frontend/VxHints.h"

#include <gtest/gtest.h>

using namespace vxdisplay;

TEST(LcdNumberText, RescalesSignsAndLeadIns) {
    EXPECT_EQ(LcdNumberText(250, 3, 2, "b", 2), "+ e0.25b");
    EXPECT_EQ(LcdNumberText(12345, 3, 2, "b", 2), "+ 12.34b");
    EXPECT_EQ(LcdNumberText(-500, 3, 2, "b", 2), "- e0.50b");
    EXPECT_EQ(LcdNumberText(0, 3, 2, "b", 2), "a e0.00b");
    EXPECT_EQ(LcdNumberText(1500, 3, 4, "", 3), "+ ebb1.500");
    // Rescaling up multiplies; rescaling down truncates toward zero, and a
    // value that truncates to nothing shows the unlit sign.
    EXPECT_EQ(LcdNumberText(7, 0, 2, "", 2), "+ e7.00");
    EXPECT_EQ(LcdNumberText(-9, 3, 2, "", 2), "a e0.00");
    EXPECT_EQ(LcdNumberText(-19, 3, 2, "", 2), "- e0.01");
}

TEST(LcdNumberText, CapsTheIntegerPartButNotTheFraction) {
    EXPECT_EQ(LcdNumberText(25000, 3, 2, "b", 2), "+ 19.00b");
    EXPECT_EQ(LcdNumberText(-25670, 3, 2, "b", 2), "- 19.67b");
    EXPECT_EQ(LcdNumberText(3000, 3, 1, "", 2), "+ 1.00");
    EXPECT_EQ(LcdNumberText(7, 0, 1, "", 2), "+ 1.00");
}

TEST(LcdNumberText, ClampsOutOfRangeArguments) {
    // Eight decimals are treated as six, zero positions as one.
    EXPECT_EQ(LcdNumberText(123456789, 8, 0, "", 8), "+ 1.456789");
    EXPECT_EQ(LcdNumberText(5, 3, 9, "", 3), "+ ebbbb0.005");
    EXPECT_EQ(LcdNumberText(5, -2, 2, "", -1), "+ e5.");
    // The extreme integers neither overflow nor lose their sign.
    EXPECT_EQ(LcdNumberText(INT32_MIN, 0, 2, "", 0), "- 19.");
}

TEST(PitchText, MatchesTheDisplayLetters) {
    EXPECT_EQ(PitchText(0, false), "_a e0.00");
    EXPECT_EQ(PitchText(12340, false), "_+ I2.34");
    EXPECT_EQ(PitchText(-500, false), "_- e0.50");
    EXPECT_EQ(PitchText(9999, false), "_+ e9.99");
    EXPECT_EQ(PitchText(10000, false), "_+ I0.00");
    EXPECT_EQ(PitchText(-10000, false), "_- I0.00");
    EXPECT_EQ(PitchText(25000, false), "_+ I9.99");
    EXPECT_EQ(PitchText(-30000, false), "_- I9.99");
}

TEST(PitchText, AccuratePitchShowsThreeDecimals) {
    EXPECT_EQ(PitchText(0, true), "a e0.000");
    EXPECT_EQ(PitchText(1, true), "+ e0.001");
    EXPECT_EQ(PitchText(-19999, true), "- I9.999");
    EXPECT_EQ(PitchText(INT32_MIN, true), "- I9.999");
}

TEST(BpmText, ShowsTheTempoAtThePitchOrTheBlankPattern) {
    const struct {
        double Bpm;
        int Pitch;
        const char* Text;
    } cases[] = {
        {125, 8000, "a I35.00"},
        {125, 0, "a I25.00"},
        {95.5, -500, "a e95.02"},
        {99.996, 0, "a I00.00"},
        {70, -19999, "a e56.00"},
        {0, 8000, kValueBlank},
        {-3, 0, kValueBlank},
        // From 200 BPM on, three full digits: never a capped, plausible value.
        {199.996, 0, "a 200.00"},
        {180, 12000, "a 201.60"},
        {180, 19999, "a 216.00"},
        {250, 0, "a 250.00"},
        {999.99, 0, "a 999.99"},
        // Beyond what three digits hold: the over-range mark.
        {999.996, 0, kBpmOverRange},
        {6000, -8000, kBpmOverRange},
        {1e300, 0, kBpmOverRange},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BpmText(c.Bpm, c.Pitch), c.Text) << c.Bpm << " " << c.Pitch;
}

TEST(ValueText, ShowsBendAndSlideOnlyWhenAsked) {
    EXPECT_EQ(ValueText(0, 0, true, false), kValueBlank);
    EXPECT_EQ(ValueText(500, 0, false, false), kValueBlank);
    EXPECT_EQ(ValueText(500, 0, true, false), "+ e0.50b");
    EXPECT_EQ(ValueText(-500, 10, true, false), "- e0.49b");
    EXPECT_EQ(ValueText(1, 0, true, true), "+ e0.001");
}

TEST(TrackText, LeadingLetterFollowsTheHundreds) {
    EXPECT_EQ(TrackText(-1), "ebb");
    EXPECT_EQ(TrackText(0), "e01");
    EXPECT_EQ(TrackText(98), "e99");
    EXPECT_EQ(TrackText(99), "I00");
    EXPECT_EQ(TrackText(198), "I99");
    EXPECT_EQ(TrackText(204), "i05");
}

TEST(ScanEndMessage, CountsAddedFiles) {
    EXPECT_EQ(ScanEndMessage(12, false), "12 files added.");
    EXPECT_EQ(ScanEndMessage(0, true), "Aborted, 0 files added.");
}

TEST(TimeBlinks, OnlyNearTheEndWhilePlaying) {
    constexpr int kPlaying = 2, kCuePlaying = 4, kPaused = 1;
    EXPECT_TRUE(TimeBlinks(kPlaying, true, 60000, 30001));
    EXPECT_FALSE(TimeBlinks(kPlaying, true, 60000, 30000));
    EXPECT_TRUE(TimeBlinks(kCuePlaying, true, 60000, 59000));
    EXPECT_FALSE(TimeBlinks(kPaused, true, 60000, 59000));
    EXPECT_FALSE(TimeBlinks(kPlaying, false, 60000, 59000));
    // Just past the end is still the end.
    EXPECT_TRUE(TimeBlinks(kPlaying, true, 60000, 60040));
}

TEST(ProgressRange, TenthsWithARedZoneOfThirtySeconds) {
    TProgressRange range{7, 3};
    EXPECT_FALSE(ProgressRangeFor(10, range));
    EXPECT_EQ(range.Max, 7);
    ASSERT_TRUE(ProgressRangeFor(180000, range));
    EXPECT_EQ(range.Max, 1800);
    EXPECT_EQ(range.RedValue, 1500);
    ASSERT_TRUE(ProgressRangeFor(5000, range));
    EXPECT_EQ(range.RedValue, -250);
}

TEST(MessageTimeout, FiresOnceAndZeroKeepsTheMessage) {
    TMessageTimeout timeout;
    timeout.Start(2500, 1000);
    EXPECT_FALSE(timeout.Expired(3499));
    EXPECT_TRUE(timeout.Expired(3500));
    EXPECT_FALSE(timeout.Expired(9000));
    timeout.Start(0, 9000);
    EXPECT_FALSE(timeout.Expired(1'000'000'000));
}

TEST(Hints, EveryControlHasItsTextAndTheSymbolsAreKept) {
    EXPECT_EQ(vxhints::DeckHints().size(), 38u);
    EXPECT_EQ(vxhints::HintFor("btnRW"), vxhints::HintFor("btnFF"));
    EXPECT_NE(vxhints::HintFor("btnSlow").find("pitch \u00b10.01 %"), std::string_view::npos);
    EXPECT_NE(vxhints::HintFor("Balance").find("Audio \u00bb Enable"), std::string_view::npos);
    EXPECT_EQ(vxhints::HintFor("btnAux2"), "Reserved for future use.");
    EXPECT_TRUE(vxhints::HintFor("Title").empty());
    // The hot-key restores a minimised window.
    EXPECT_EQ(vxhints::HintFor("btnMinimize").find("does not work"), std::string_view::npos);
    EXPECT_TRUE(vxhints::HintFor("Background").empty());
}
