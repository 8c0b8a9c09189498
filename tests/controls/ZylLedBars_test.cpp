#include "controls/ZylImageList.h"
#include "controls/ZylLedMath.h"
#include "controls/ZylProgressBar.h"
#include "controls/ZylVUMeter.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zyltest;

namespace {

// Cell i of the LED strip has the green value 10 * (i + 1).
TZylColor LedColor(int cell) {
    return ZylRGB(0, std::uint8_t(10 * (cell + 1)), 0);
}
int CellOf(TZylColor color) {
    return ZylGreen(color) / 10 - 1;
}

void LoadLedStrip(TZylImageList& list, int ledWidth, int ledHeight) {
    list.SetBitmap(
        MakeCells(ledWidth, ledHeight, {LedColor(0), LedColor(1), LedColor(2), LedColor(3)}));
    list.SetCount(4);
}

// The player's meter: 18 x 137 with 8 x 2 LEDs.
struct MeterFixture {
    MeterFixture() {
        LoadLedStrip(leds, 8, 2);
        meter.SetBounds(0, 0, 18, 137);
        meter.SetMode(vmAveragedDual);
        meter.SetMaxValue(100);
        meter.SetRedValue(75);
        meter.SetPeaks(true);
        meter.SetLevelFallOff(0.4f);
        meter.SetLevelUpFallOff(0.8f);
        meter.SetPeakFallOff(0.05f);
        meter.SetAutoFallOff(0.3f);
        meter.SetLevelKeepCycles(2);
        meter.SetPeakKeepCycles(4);
        meter.SetImages(&leds);
    }
    // The strip cell shown for LED k (1 at the bottom) of a channel.
    int ShownCell(const QImage& shown, int channel, int led) {
        return CellOf(PixelAt(shown, channel == 0 ? 1 : 11, (46 - led) * 3));
    }
    TZylImageList leds;
    TZylVUMeter meter;
};

} // namespace

TEST(ZylLedMath, CountsCellsAndSmoothing) {
    EXPECT_EQ(ZylLedCount(137, 2, 1), 46);
    EXPECT_EQ(ZylLedCount(233, 2, 1), 78);
    EXPECT_EQ(ZylLedCount(100, 0, 1), 0);
    EXPECT_EQ(ZylLedCell(34, true, 34), 3);
    EXPECT_EQ(ZylLedCell(35, true, 34), 1);
    EXPECT_EQ(ZylLedCell(35, false, 34), 0);

    const TZylLevelWeights weights{0.4f, 0.8f};
    const float risen = ZylSmoothLevel(vmAveragedDual, 0, 100, weights, 100);
    EXPECT_FLOAT_EQ(risen, 80);
    EXPECT_FLOAT_EQ(ZylSmoothLevel(vmAveragedDual, risen, 0, weights, 100), 48);
    EXPECT_FLOAT_EQ(ZylSmoothLevel(vmInmediateRaise, 50, 90, weights, 100), 90);
    EXPECT_FLOAT_EQ(ZylSmoothLevel(vmInmediateRaise, 90, 10, weights, 100), 58);
    EXPECT_FLOAT_EQ(ZylSmoothLevel(vmInmediate, 10, 500, weights, 100), 100);
    EXPECT_FLOAT_EQ(ZylSmoothLevel(vmInmediate, 10, std::nanf(""), weights, 100), 0);
    EXPECT_FLOAT_EQ(ZylSqrtLevel(25, 100), 50);
    EXPECT_FLOAT_EQ(ZylSqrtLevel(1, 100), 10);
    EXPECT_EQ(ZylClampWeight(1.5f), 1.0f);
    EXPECT_EQ(ZylClampWeight(-0.2f), 0.0f);
    EXPECT_EQ(ZylClampWeight(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

TEST(ZylVUMeter, PlayerMeterMetrics) {
    MeterFixture f;
    EXPECT_EQ(f.meter.GetLedCount(), 46);
    EXPECT_EQ(f.meter.GetRedLeds(), 34);
    EXPECT_FLOAT_EQ(f.meter.GetLedsPerUnit(), 47.0f / 101.0f);
    EXPECT_NEAR(f.meter.GetFallStep(), 29.66, 0.01);
    EXPECT_EQ(f.meter.GetMeasuredSize(), QSize(18, 137));
    f.meter.SetMode(vmInmediate);
    f.meter.SetLevels(100, 98);
    EXPECT_EQ(f.meter.GetLitLeds(0), 46);
    EXPECT_EQ(f.meter.GetLitLeds(1), 45);
}

TEST(ZylVUMeter, DrawsNormalAndRedZoneCellsAndPeaks) {
    MeterFixture f;
    f.meter.SetMode(vmInmediate);
    f.meter.SetLevels(100, 0);
    QImage shown = Render(f.meter);
    EXPECT_EQ(f.ShownCell(shown, 0, 46), 1); // lit red zone
    EXPECT_EQ(f.ShownCell(shown, 0, 34), 3); // lit normal
    EXPECT_EQ(f.ShownCell(shown, 1, 46), 0);
    EXPECT_EQ(f.ShownCell(shown, 1, 1), 2);
    EXPECT_EQ(PixelAt(shown, 9, 0), clBlack); // the channel gap

    f.meter.SetLevels(50, 0); // the left peak stays at the top
    shown = Render(f.meter);
    EXPECT_EQ(f.meter.GetLitLeds(0), 23);
    EXPECT_EQ(f.ShownCell(shown, 0, 46), 1);
    EXPECT_EQ(f.ShownCell(shown, 0, 45), 0);
    EXPECT_EQ(f.ShownCell(shown, 0, 24), 2);
    EXPECT_EQ(f.ShownCell(shown, 0, 23), 3);
}

TEST(ZylVUMeter, IncrementalDrawingMatchesAFullDrawing) {
    MeterFixture incremental, fresh;
    const int steps[][2] = {{100, 20}, {60, 90}, {10, 95}, {70, 0}, {0, 0}, {85, 40}};
    for (const auto& step : steps) {
        incremental.meter.SetLevels(step[0], step[1]);
        fresh.meter.SetLevels(step[0], step[1]);
        incremental.meter.TimerTick();
        fresh.meter.TimerTick();
        Render(incremental.meter);
    }
    EXPECT_EQ(Render(incremental.meter), Render(fresh.meter));
}

TEST(ZylVUMeter, SmoothingAndSquareRootScale) {
    MeterFixture f;
    f.meter.SetLevels(100, 100);
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 80);
    f.meter.SetLevels(0, 0);
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 48);

    f.meter.SetMode(vmInmediate);
    f.meter.SetSqrtLevels(true);
    f.meter.SetLevels(25, 1);
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 50);
    EXPECT_FLOAT_EQ(f.meter.GetLevel(1), 10);
}

TEST(ZylVUMeter, KeepsItsLevelThenFallsAndRisesAtOnceAfterAPause) {
    MeterFixture f;
    f.meter.SetMode(vmInmediate);
    f.meter.SetLevels(100, 100);
    f.meter.SetMode(vmAveragedDual);
    f.meter.TimerTick();
    f.meter.TimerTick();
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 100); // kept for LevelKeepCycles ticks
    f.meter.TimerTick();
    EXPECT_NEAR(f.meter.GetLevel(0), 88, 0.001); // falls about 12 units per tick
    for (int i = 0; i < 40; ++i) {
        f.meter.TimerTick();
    }
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 0);
    f.meter.SetLevels(60, 60); // after the pause: at once, despite the mode
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 60);

    f.meter.DoAutoFallOff(); // the next tick falls already
    f.meter.TimerTick();
    EXPECT_LT(f.meter.GetLevel(0), 60);
}

TEST(ZylVUMeter, OnItsOwnersClockItFallsAsOnItsOwnTimerAndComesToRest) {
    MeterFixture own, owned;
    for (MeterFixture* f : {&own, &owned}) {
        f->meter.SetMode(vmInmediate);
        f->meter.SetLevels(100, 100);
        f->meter.DoAutoFallOff();
    }
    owned.meter.Advance(49);
    EXPECT_FLOAT_EQ(owned.meter.GetLevel(0), 100); // less than a tick gathered
    for (int tick = 0; tick < 11; ++tick)
        owned.meter.Advance(37); // 49 + 407 ms: nine 50 ms ticks
    for (int tick = 0; tick < 9; ++tick)
        own.meter.TimerTick();
    EXPECT_FLOAT_EQ(owned.meter.GetLevel(0), own.meter.GetLevel(0));
    EXPECT_FLOAT_EQ(owned.meter.GetPeak(1), own.meter.GetPeak(1));
    EXPECT_FALSE(owned.meter.AtRest());
    for (int tick = 0; tick < 200; ++tick)
        owned.meter.Advance(37);
    EXPECT_TRUE(owned.meter.AtRest());
}

TEST(ZylVUMeter, PeaksHoldThenSlideTowardTheLevel) {
    MeterFixture f;
    f.meter.SetMode(vmInmediate);
    f.meter.SetLevels(100, 100);
    for (int tick = 0; tick < 4; ++tick) {
        f.meter.SetLevels(20, 20);
        f.meter.TimerTick();
        EXPECT_FLOAT_EQ(f.meter.GetPeak(0), 100) << tick;
    }
    f.meter.SetLevels(20, 20);
    EXPECT_NEAR(f.meter.GetPeak(0), 96, 0.001);
    f.meter.SetLevels(98, 98); // a higher level takes the peak and resets the hold
    f.meter.TimerTick();
    EXPECT_FLOAT_EQ(f.meter.GetPeak(0), 98);
}

TEST(ZylVUMeter, DisabledMeterFallsAndSettersClamp) {
    MeterFixture f;
    f.meter.SetMode(vmInmediate);
    f.meter.SetLevels(100, 100);
    f.meter.SetEnabled(false);
    f.meter.SetLevels(100, 100);
    EXPECT_FLOAT_EQ(f.meter.GetLevel(0), 0);
    f.meter.SetRedValue(500);
    EXPECT_EQ(f.meter.GetRedValue(), 100);
    f.meter.SetMinValue(200);
    EXPECT_EQ(f.meter.GetMaxValue(), 201);
    EXPECT_EQ(f.meter.GetRedValue(), 200);
}

// ---- progress bar ----

namespace {

class CountingProgressBar : public TZylProgressBar {
public:
    int draws = 0;

protected:
    void DrawControl(QPainter& canvas) override {
        ++draws;
        TZylProgressBar::DrawControl(canvas);
    }
};

struct BarFixture {
    BarFixture() {
        LoadLedStrip(leds, 2, 8);
        bar = new CountingProgressBar;
        bar->setParent(&host);
        bar->SetBounds(0, 0, 233, 8);
        bar->SetImages(&leds);
        host.resize(240, 10);
        host.show();
        QCoreApplication::processEvents();
    }
    int ShownCell(int led) { return CellOf(PixelAt(Render(*bar), (led - 1) * 3, 4)); }
    TZylImageList leds;
    QWidget host;
    CountingProgressBar* bar;
};

} // namespace

TEST(ZylProgressBar, LedsFillTheBarExactly) {
    BarFixture f;
    EXPECT_EQ(f.bar->GetLedCount(), 78);
    EXPECT_EQ(f.bar->GetMeasuredSize(), QSize(233, 8));
    EXPECT_EQ(f.bar->GetRedLeds(), 62);
}

TEST(ZylProgressBar, RedrawsOnlyWhenTheLitCountChangesAndOncePerPass) {
    BarFixture f;
    f.bar->SetValue(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.bar->GetLitLeds(), 39);
    const int draws = f.bar->draws;
    EXPECT_GT(draws, 0);
    f.bar->SetValue(51);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.bar->GetValue(), 51);
    EXPECT_EQ(f.bar->draws, draws); // still 39 LEDs: nothing drawn
    f.bar->SetValue(55);
    f.bar->SetValue(52);
    EXPECT_EQ(f.bar->draws, draws); // queued until the event loop runs
    QCoreApplication::processEvents();
    EXPECT_EQ(f.bar->GetLitLeds(), 40);
    EXPECT_EQ(f.bar->draws, draws + 1); // two changes, one paint
    EXPECT_EQ(f.ShownCell(39), 3);
    EXPECT_EQ(f.ShownCell(40), 3);
    EXPECT_EQ(f.ShownCell(41), 2);
    EXPECT_EQ(f.ShownCell(78), 0);
    f.bar->SetValue(100);
    EXPECT_EQ(f.ShownCell(78), 1);
    f.bar->SetValue(10);
    EXPECT_EQ(f.ShownCell(40), 2);
    EXPECT_EQ(f.ShownCell(70), 0);
}
