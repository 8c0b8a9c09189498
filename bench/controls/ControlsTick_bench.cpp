// One 37 ms display tick of the deck's busiest controls: the VU meter with
// peaks, the position LED bar, the two time labels and the position slider,
// over a background image, painted on the offscreen platform.
#include "controls/ZylFont.h"
#include "controls/ZylImage.h"
#include "controls/ZylImageList.h"
#include "controls/ZylLabel.h"
#include "controls/ZylProgressBar.h"
#include "controls/ZylSlider.h"
#include "controls/ZylVUMeter.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

TZylPngImage Image(int width, int height, TZylColor (*color)(int x, int y)) {
    TZylPngImage image;
    image.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.SetPixel(x, y, color(x, y));
        }
    }
    return image;
}

// Twelve 8 x 13 glyphs of "0123456789: " separated by blue columns.
TZylPngImage DigitStrip() {
    return Image(12 * 9 - 1, 13, [](int x, int y) {
        if (x % 9 == 8) {
            return y == 0 ? clBlue : clBlack;
        }
        return ZylRGB(std::uint8_t(20 * (x / 9)), std::uint8_t(y * 10), 200);
    });
}

struct Deck {
    Deck() {
        background.SetBitmap(Image(384, 203, [](int x, int y) { return ZylRGB(x, y, 40); }));
        leds.SetBitmap(Image(32, 2, [](int x, int) { return ZylRGB(60 * (x / 8), 200, 0); }));
        leds.SetCount(4);
        smallLeds.SetBitmap(Image(8, 8, [](int x, int) { return ZylRGB(0, 60 * (x / 2), 90); }));
        smallLeds.SetCount(4);
        thumb.SetBitmap(Image(15, 15, [](int x, int) { return ZylRGB(x * 10, 10, 10); }));
        digits.SetBoundColor(clBlue);
        digits.SetVariableSize(true);
        digits.SetBitmap(DigitStrip());
        digits.SetCharSet(QStringLiteral("0123456789: "));

        window.resize(384, 223);
        auto place = [&](TZylControl& control, int l, int t, int w, int h, TZylImageList& list) {
            control.setParent(&window);
            control.BeginLoading();
            control.SetBounds(l, t, w, h);
            control.SetImages(&list);
            control.EndLoading();
        };
        place(back, 0, 20, 384, 203, background);
        meter.SetMode(vmAveragedDual);
        meter.SetMaxValue(100);
        meter.SetRedValue(75);
        meter.SetPeaks(true);
        meter.SetLevelUpFallOff(0.8f);
        meter.SetAutoFallOff(0.3f);
        meter.SetLevelKeepCycles(2);
        meter.SetPeakKeepCycles(4);
        place(meter, 18, 34, 18, 137, leds);
        progress.SetBackgroundColor(5125661);
        place(progress, 84, 205, 233, 8, smallLeds);
        position.SetOrientation(soHorizontal);
        position.SetMinValue(0);
        position.SetMaxValue(100);
        place(position, 87, 182, 227, 15, thumb);
        timeMMSS.SetFont(&digits);
        place(timeMMSS, 200, 60, 60, 13, digits);
        timeCS.SetFont(&digits);
        place(timeCS, 262, 60, 20, 13, digits);
        window.show();
        QCoreApplication::processEvents();
    }

    // What the window's update timer does for these controls in one tick.
    void Tick(int tick) {
        const int level = (tick * 37) % 101;
        meter.SetLevels(level, 100 - level);
        progress.SetValue(tick % 101);
        position.ManualSet(tick % 101);
        const int cs = (tick * 37 / 10) % 100;
        const int seconds = tick * 37 / 1000;
        timeMMSS.SetCaption(QString::asprintf("%02d:%02d", seconds / 60 % 100, seconds % 60));
        timeCS.SetCaption(QString::asprintf("%02d", cs));
        QCoreApplication::processEvents(); // the scheduled repaints
    }

    TZylImageList background, leds, smallLeds, thumb;
    TZylFont digits;
    QWidget window;
    TZylImage back;
    TZylVUMeter meter;
    TZylProgressBar progress;
    TZylSlider position;
    TZylLabel timeMMSS, timeCS;
};

void BM_DeckDisplayTick(benchmark::State& state) {
    Deck deck;
    int tick = 0;
    for (auto _ : state) {
        deck.Tick(tick++);
    }
    state.SetItemsProcessed(state.iterations()); // one item = one tick
}
BENCHMARK(BM_DeckDisplayTick)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
