#include "controls/ZylImageList.h"
#include "controls/ZylKnob.h"
#include "controls/ZylSlider.h"
#include "controls/ZylSliderScale.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

using namespace zyltest;

namespace {

constexpr TZylColor kThumb = ZylRGB(200, 100, 0);

struct SliderFixture {
    // A vertical slider `height` pixels high with a 10 x `thumbHeight` thumb.
    SliderFixture(int height, int thumbHeight, int minValue, int maxValue) {
        thumb.SetBitmap(MakeSolid(10, thumbHeight, kThumb));
        thumb.SetCount(1);
        slider.SetBounds(0, 0, 10, height);
        slider.SetImages(&thumb);
        slider.SetMinValue(minValue);
        slider.SetMaxValue(maxValue);
        slider.OnChange = [this](TZylControl*) { ++changes; };
    }
    TZylImageList thumb;
    TZylSlider slider;
    int changes = 0;
};

} // namespace

// ---- value <-> pixel mapping ----

TEST(ZylSliderScale, VolumeLayout) {
    const TZylSliderScale scale = ZylCalcSliderScale(73, 0, 100, 0);
    EXPECT_EQ(ZylSliderToPhysical(scale, 50), 36);
    EXPECT_EQ(ZylSliderToLogical(scale, 36), 49);
    EXPECT_EQ(ZylSliderToLogical(scale, 37), 51);
    EXPECT_EQ(ZylSliderToPhysical(scale, 100), 73);
}

TEST(ZylSliderScale, NullZoneAroundZero) {
    const TZylSliderScale scale = ZylCalcSliderScale(100, -10, 10, 2);
    EXPECT_EQ(scale.Scale, 100.0f / 24.0f);
    const int values[] = {-10, -1, 0, 1, 10};
    const int positions[] = {0, 37, 49, 62, 99};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ZylSliderToPhysical(scale, values[i]), positions[i]) << values[i];
    }
    for (int p = 40; p <= 60; ++p) {
        EXPECT_EQ(ZylSliderToLogical(scale, p), 0) << p;
    }
    EXPECT_EQ(ZylSliderToLogical(scale, 62), 1);
    EXPECT_EQ(ZylSliderToLogical(scale, 99), 10);
    EXPECT_EQ(ZylSliderToLogical(scale, 100), 10);
    EXPECT_EQ(ZylSliderToLogical(scale, 0), -10);
}

TEST(ZylSliderScale, PitchRangeAndBandsAtTheEnds) {
    const TZylSliderScale pitch = ZylCalcSliderScale(144, -16000, 16000, 0);
    EXPECT_EQ(ZylSliderToPhysical(pitch, 0), 71);
    EXPECT_EQ(ZylSliderToPhysical(pitch, 16000), 143);
    EXPECT_EQ(ZylSliderToLogical(pitch, 72), 0);
    EXPECT_EQ(ZylSliderToLogical(pitch, 144), 16000);

    const TZylSliderScale startBand = ZylCalcSliderScale(30, 0, 10, 5); // 2 px per unit
    EXPECT_EQ(ZylSliderToPhysical(startBand, 0), 0);
    EXPECT_EQ(ZylSliderToPhysical(startBand, 1), 12);
    EXPECT_EQ(ZylSliderToLogical(startBand, 10), 0);
    const TZylSliderScale endBand = ZylCalcSliderScale(30, -10, 0, 5);
    EXPECT_EQ(ZylSliderToPhysical(endBand, 0), 30);
    EXPECT_EQ(ZylSliderToPhysical(endBand, -1), 18);
    EXPECT_EQ(ZylSliderToLogical(ZylCalcSliderScale(0, 3, 9, 0), 0), 3); // no travel
}

// ---- the slider control ----

TEST(ZylSlider, ReversedVolumeSliderPlacesAndRendersTheThumb) {
    SliderFixture f(86, 13, 0, 100);
    f.slider.SetReverse(true);
    f.slider.SetValue(100);
    EXPECT_EQ(f.slider.GetOffsetY(), 0);
    f.slider.SetValue(50);
    EXPECT_EQ(f.slider.GetOffsetY(), 37);
    const QImage shown = Render(f.slider, ZylRGB(1, 1, 1));
    EXPECT_EQ(PixelAt(shown, 5, 37), kThumb);
    EXPECT_EQ(PixelAt(shown, 5, 49), kThumb);
    EXPECT_EQ(PixelAt(shown, 5, 50), ZylRGB(1, 1, 1));
    EXPECT_EQ(PixelAt(shown, 5, 36), ZylRGB(1, 1, 1));
    EXPECT_EQ(f.changes, 2);
    f.slider.ManualSet(10);
    EXPECT_EQ(f.changes, 2);
    f.slider.SetEnabled(false);
    f.slider.SetValue(20); // the value changes, the event does not fire
    EXPECT_EQ(f.slider.GetValue(), 20);
    EXPECT_EQ(f.changes, 2);
}

TEST(ZylSlider, SetValueToTheSameValueSnapsTheThumbBackSilently) {
    SliderFixture f(110, 10, 0, 10); // 10 pixels per unit
    Press(f.slider, QPoint(5, 5));   // on the thumb: grab
    Move(f.slider, QPoint(5, 8));    // 3 pixels: still value 0
    EXPECT_EQ(f.slider.GetOffsetY(), 3);
    EXPECT_EQ(f.slider.GetValue(), 0);
    Release(f.slider, QPoint(5, 8));
    f.slider.SetValue(0);
    EXPECT_EQ(f.slider.GetOffsetY(), 0);
    EXPECT_EQ(f.changes, 0);
}

TEST(ZylSlider, PagingStepsTowardTheMouseAndStopsThere) {
    SliderFixture f(110, 10, 0, 100); // 1 pixel per unit
    f.slider.SetPageSize(10);
    Press(f.slider, QPoint(5, 55));
    EXPECT_EQ(f.slider.GetValue(), 10); // one step at once
    for (int i = 0; i < 10; ++i) {
        f.slider.TimerTick();
    }
    EXPECT_EQ(f.slider.GetValue(), 50); // the thumb (50..59) covers the mouse
    Move(f.slider, QPoint(5, 85));
    f.slider.TimerTick();
    f.slider.TimerTick();
    f.slider.TimerTick();
    f.slider.TimerTick();
    EXPECT_EQ(f.slider.GetValue(), 80);
    Release(f.slider, QPoint(5, 85));
    EXPECT_EQ(f.slider.GetDeltaMode(), sdmNone);

    Press(f.slider, QPoint(5, 109)); // paging ends at the top of the range
    for (int i = 0; i < 5; ++i) {
        f.slider.TimerTick();
    }
    EXPECT_EQ(f.slider.GetValue(), 100);
    EXPECT_EQ(f.slider.GetDeltaMode(), sdmNone);
}

TEST(ZylSlider, CtrlDragSpringsBackWithOneChangeOnLeftRelease) {
    SliderFixture f(110, 10, 0, 100);
    f.slider.SetCtrlEnabled(true);
    f.slider.SetValue(20);
    f.changes = 0;
    Press(f.slider, QPoint(5, 75), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(f.slider.GetValue(), 70); // the thumb centres under the mouse
    Move(f.slider, QPoint(5, 85));
    EXPECT_EQ(f.slider.GetValue(), 80);
    const int duringDrag = f.changes;
    Release(f.slider, QPoint(5, 85));
    EXPECT_EQ(f.slider.GetValue(), 20);
    EXPECT_EQ(f.changes, duringDrag + 1);

    Press(f.slider, QPoint(5, 75), Qt::LeftButton, Qt::ControlModifier);
    Release(f.slider, QPoint(5, 75), Qt::RightButton); // keeps the dragged value
    EXPECT_EQ(f.slider.GetValue(), 70);
}

TEST(ZylSlider, DoubleClickModePagesFirstThenJumps) {
    SliderFixture f(110, 10, 0, 100);
    f.slider.SetExternalClickMode(ecmDoubleClick);
    f.slider.TimerTick(); // some time has passed since the last press
    Press(f.slider, QPoint(5, 70));
    EXPECT_EQ(f.slider.GetValue(), 2); // one page
    Release(f.slider, QPoint(5, 70));
    Press(f.slider, QPoint(5, 70)); // within 200 ms
    EXPECT_EQ(f.slider.GetValue(), 65);
    Release(f.slider, QPoint(5, 70));
}

TEST(ZylSlider, TimerSleepsOnceNoRepeatOrRecentPressNeedsItAndWakesOnPress) {
    SliderFixture f(110, 10, 0, 100);
    f.slider.SetExternalClickMode(ecmDoubleClick);
    EXPECT_TRUE(f.slider.GetTimerRunning()); // a fresh slider counts as just pressed
    f.slider.TimerTick();
    EXPECT_FALSE(f.slider.GetTimerRunning());
    f.slider.SetDblClickInterval(100000); // a press long ago stays long ago
    Press(f.slider, QPoint(5, 70));
    EXPECT_EQ(f.slider.GetValue(), 2); // one page, not a double click's jump
    EXPECT_TRUE(f.slider.GetTimerRunning());
    Release(f.slider, QPoint(5, 70));
    f.slider.SetDblClickInterval(200);
    f.slider.TimerTick();
    EXPECT_FALSE(f.slider.GetTimerRunning());
    f.slider.ManualDelta(1, 50);
    EXPECT_TRUE(f.slider.GetTimerRunning());
    f.slider.DisableDelta();
    f.slider.TimerTick();
    EXPECT_FALSE(f.slider.GetTimerRunning());
}

TEST(ZylSlider, ManualDeltaRepeatsUntilDisabledAndNotDuringPaging) {
    SliderFixture f(110, 10, 0, 100);
    f.slider.ManualDelta(1, 50);
    EXPECT_EQ(f.slider.GetValue(), 1);
    f.slider.TimerTick();
    f.slider.TimerTick();
    EXPECT_EQ(f.slider.GetValue(), 3);
    f.slider.DisableDelta();
    f.slider.TimerTick();
    EXPECT_EQ(f.slider.GetValue(), 3);
    f.slider.ManualDelta(200, 50);
    EXPECT_EQ(f.slider.GetValue(), 100);
    EXPECT_EQ(f.slider.GetDeltaMode(), sdmNone);

    Press(f.slider, QPoint(5, 2)); // paging down toward the top
    f.slider.ManualDelta(-1, 50);
    EXPECT_EQ(f.slider.GetDeltaMode(), sdmPaging);
}

TEST(ZylSlider, OrientationSwapsTheBoundsAndRangeNeverEmpties) {
    TZylSlider slider;
    slider.SetOrientation(soHorizontal);
    EXPECT_EQ(slider.size(), QSize(89, 25));
    slider.SetMinValue(50);
    EXPECT_EQ(slider.GetMinValue(), 9);
    slider.SetMaxValue(-20);
    EXPECT_EQ(slider.GetMaxValue(), 10);
    slider.SetNullZone(-4);
    EXPECT_EQ(slider.GetNullZone(), 0);
}

// ---- knob ----

namespace {

struct KnobFixture {
    KnobFixture(int frames, int minValue, int maxValue, int moveRange) {
        strip.SetBitmap(
            MakeImage(frames, 1, [](int x, int) { return ZylRGB(0, 0, std::uint8_t(x)); }));
        knob.SetImages(&strip);
        knob.SetMinValue(minValue);
        knob.SetMaxValue(maxValue);
        knob.SetMoveRange(moveRange);
        knob.OnChange = [this](TZylControl*) { ++changes; };
    }
    TZylImageList strip;
    TZylKnob knob;
    int changes = 0;
};

} // namespace

TEST(ZylKnob, FramesAndDragging) {
    KnobFixture f(53, -100, 100, 50);
    EXPECT_EQ(f.knob.GetImageIndex(), 26);
    EXPECT_EQ(ZylBlue(PixelAt(Render(f.knob), 0, 0)), 26);
    f.knob.SetValue(100);
    EXPECT_EQ(f.knob.GetImageIndex(), 52);
    f.knob.SetValue(0);
    f.changes = 0;
    Press(f.knob, QPoint(0, 50));
    Move(f.knob, QPoint(0, 40));
    EXPECT_EQ(f.knob.GetValue(), 40); // 10 x 4.02, truncated
    Release(f.knob, QPoint(0, 40));
    DoublePress(f.knob, QPoint(0, 40));
    EXPECT_EQ(f.knob.GetValue(), 0);
    EXPECT_EQ(f.changes, 2);
    Release(f.knob, QPoint(0, 40));
    f.knob.SetReverse(true);
    Press(f.knob, QPoint(0, 50));
    Move(f.knob, QPoint(0, 60));
    EXPECT_EQ(f.knob.GetValue(), 40);
    Release(f.knob, QPoint(0, 60));
}

TEST(ZylKnob, CtrlDragSpringsBackAfterMouseUp) {
    KnobFixture f(103, -5000, 5000, 100);
    EXPECT_EQ(f.knob.GetImageIndex(), 51);
    f.knob.SetMoveRange(3);
    EXPECT_EQ(f.knob.GetMoveRange(), 10);
    f.knob.SetMoveRange(100);
    int valueSeenByMouseUp = 0;
    f.knob.OnMouseUp = [&](TZylControl*, TZylMouseButton, TZylShiftState, int, int) {
        valueSeenByMouseUp = f.knob.GetValue();
    };
    Press(f.knob, QPoint(0, 50), Qt::LeftButton, Qt::ControlModifier);
    Move(f.knob, QPoint(0, 40));
    EXPECT_EQ(f.knob.GetValue(), 1000);
    Release(f.knob, QPoint(0, 40));
    EXPECT_EQ(valueSeenByMouseUp, 1000);
    EXPECT_EQ(f.knob.GetValue(), 0);
}
