// The committed strips are what the generator draws, and every strip has the
// size and cell layout its control expects.
#include "SkinTestSupport.h"
#include "skin/generator/SkinGenerator.h"

#include <QColor>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <set>

using namespace SkinTest;

namespace {

QImage Cell(const QImage& strip, const VxSkin::TSkinStrip& layout, int index) {
    const int w = layout.CellWidth();
    return strip.copy(index * w, 0, w, strip.height());
}

// Position of the first pixel where two images differ, or "" when equal.
std::string FirstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return "size differs";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

double Luminance(QRgb c) {
    return 0.3 * qRed(c) + 0.59 * qGreen(c) + 0.11 * qBlue(c);
}

double MeanLuminance(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += Luminance(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

// Direction of the pointer seen from the cell's centre, in degrees clockwise
// from straight up: the centroid of the pixels weighted by how much of the
// pointer's colour each holds.
double PointerAngle(const QImage& frame, const std::function<double(QRgb)>& pointerWeight) {
    double sx = 0, sy = 0, total = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const double w = pointerWeight(frame.pixel(x, y));
            if (w <= 0)
                continue;
            sx += w * (x + 0.5 - frame.width() / 2.0);
            sy += w * (y + 0.5 - frame.height() / 2.0);
            total += w;
        }
    EXPECT_GT(total, 0);
    return std::atan2(sx, -sy) * 180.0 / M_PI;
}

void ExpectEvenTurn(const VxSkin::TSkinStrip& layout,
                    const std::function<double(QRgb)>& pointerWeight) {
    const QImage strip = LoadEmbedded(layout);
    std::vector<double> angles;
    for (unsigned i = 0; i < layout.Count; ++i)
        angles.push_back(PointerAngle(Cell(strip, layout, static_cast<int>(i)), pointerWeight));
    EXPECT_NEAR(angles.front(), -135.0, 12.0) << layout.Name;
    EXPECT_NEAR(angles.back(), 135.0, 12.0) << layout.Name;
    EXPECT_NEAR(angles[layout.Count / 2], 0.0, 6.0) << layout.Name;
    const double mean = (angles.back() - angles.front()) / (layout.Count - 1);
    for (unsigned i = 1; i < layout.Count; ++i) {
        const double step = angles[i] - angles[i - 1];
        EXPECT_GT(step, 0.4 * mean) << layout.Name << " frame " << i;
        EXPECT_LT(step, 1.6 * mean) << layout.Name << " frame " << i;
    }
}

} // namespace

TEST(SkinStrips, GeneratorReproducesTheCommittedPicturesPixelForPixel) {
    const std::vector<VxSkinPaint::TSkinPicture> pictures = VxSkinPaint::GenerateSkin();
    std::set<QString> generated;
    for (const VxSkinPaint::TSkinPicture& picture : pictures) {
        generated.insert(picture.Name);
        const QImage embedded =
            QImage(":/skin/" + picture.Name + ".png").convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(embedded.isNull()) << "not embedded: " << picture.Name.toStdString();
        EXPECT_EQ(FirstDifference(picture.Image.convertToFormat(QImage::Format_ARGB32), embedded),
                  "")
            << picture.Name.toStdString() << ": rerun the 'skin' target and commit skin/strips";
    }
    std::set<QString> listed;
    for (const VxSkin::TSkinStrip& strip : VxSkin::AllStrips)
        listed.insert(QString::fromLatin1(strip.Name));
    EXPECT_EQ(generated, listed);
}

TEST(SkinStrips, EveryStripHasItsSizeAndCellLayout) {
    for (const VxSkin::TSkinStrip& layout : VxSkin::AllStrips) {
        const QImage strip = LoadEmbedded(layout);
        ASSERT_FALSE(strip.isNull()) << layout.Name;
        EXPECT_EQ(strip.width(), layout.Width) << layout.Name;
        EXPECT_EQ(strip.height(), layout.Height) << layout.Name;
        if (layout.VariableSize)
            EXPECT_EQ(CutByBoundColour(strip).size(), layout.Count) << layout.Name;
        else
            EXPECT_EQ(layout.Width % static_cast<int>(layout.Count), 0) << layout.Name;
    }
}

TEST(SkinStrips, CellSizesMatchTheControlsThatShowThem) {
    using namespace VxSkin;
    const std::pair<TSkinStrip, std::pair<int, int>> expected[] = {
        {TitleBar, {384, 20}},   {BtnCUE, {53, 47}},      {BtnPlay, {53, 47}},
        {KnobBalance, {20, 20}}, {KnobDownMix, {20, 20}}, {KnobTouchBend, {13, 23}},
        {LedVU, {8, 2}},         {LedProgress, {2, 8}},   {LedPitch, {15, 9}},
        {ThumbVolume, {15, 13}}, {ThumbPitch, {26, 13}},  {BtnSlow, {25, 20}},
        {BtnFast, {25, 20}},     {BtnRealTime, {14, 21}}, {BtnTime, {14, 21}},
        {BtnHelp, {13, 13}},     {BtnOpen, {27, 28}},     {BtnMute, {22, 13}},
        {BtnKeyLock, {19, 21}},
    };
    for (const auto& [layout, size] : expected) {
        EXPECT_EQ(layout.CellWidth(), size.first) << layout.Name;
        EXPECT_EQ(layout.Height, size.second) << layout.Name;
    }
    EXPECT_EQ(ThumbPosition.Height, 15);
    EXPECT_EQ(KnobBalance.Count, 53u);
    EXPECT_EQ(KnobTouchBend.Count, 103u);
}

TEST(SkinStrips, ButtonCellsShowPressAndStatus) {
    for (const VxSkin::TSkinStrip& layout : VxSkin::AllStrips) {
        if (std::string(layout.Name).rfind("Btn", 0) != 0)
            continue;
        ASSERT_EQ(layout.Count % 2, 0u) << layout.Name;
        const QImage strip = LoadEmbedded(layout);
        std::set<std::string> seen;
        for (unsigned s = 0; s < layout.Count / 2; ++s) {
            const QImage released = Cell(strip, layout, 2 * s);
            const QImage pressed = Cell(strip, layout, 2 * s + 1);
            EXPECT_NE(FirstDifference(released, pressed), "") << layout.Name << " status " << s;
            // A pressed key is darker than the released one.
            EXPECT_LT(MeanLuminance(pressed), MeanLuminance(released)) << layout.Name;
            const auto bytes = [](const QImage& i) {
                return std::string(reinterpret_cast<const char*>(i.constBits()), i.sizeInBytes());
            };
            EXPECT_TRUE(seen.insert(bytes(released)).second) << layout.Name << " status " << s;
        }
    }
}

TEST(SkinStrips, LitLedCellsAreBrighterThanDarkOnes) {
    for (const VxSkin::TSkinStrip& layout : {VxSkin::LedVU, VxSkin::LedProgress}) {
        const QImage strip = LoadEmbedded(layout);
        for (int pair : {0, 2})
            EXPECT_GT(MeanLuminance(Cell(strip, layout, pair + 1)),
                      2.0 * MeanLuminance(Cell(strip, layout, pair)))
                << layout.Name << " cells " << pair << "," << pair + 1;
        // Red-zone LEDs are red, normal ones are not.
        const QRgb red = Cell(strip, layout, 1).pixel(0, 0);
        EXPECT_GT(qRed(red), 2 * qGreen(red)) << layout.Name;
        const QRgb normal = Cell(strip, layout, 3).pixel(0, 0);
        EXPECT_LT(qRed(normal), qGreen(normal)) << layout.Name;
    }
    const QImage pitchLed = LoadEmbedded(VxSkin::LedPitch);
    EXPECT_GT(MeanLuminance(Cell(pitchLed, VxSkin::LedPitch, 1)),
              1.5 * MeanLuminance(Cell(pitchLed, VxSkin::LedPitch, 0)));
}

TEST(SkinStrips, KnobPointersTurnEvenlyOverTheirRange) {
    // Orange on a grey knob; white on a blue one.
    ExpectEvenTurn(VxSkin::KnobBalance, [](QRgb c) { return qRed(c) - qBlue(c) - 40.0; });
    ExpectEvenTurn(VxSkin::KnobDownMix, [](QRgb c) {
        return std::min({qRed(c), qGreen(c), qBlue(c)}) - 150.0;
    });
}

TEST(SkinStrips, TouchBendMarkRollsOneWayAcrossTheFrames) {
    const VxSkin::TSkinStrip& layout = VxSkin::KnobTouchBend;
    const QImage strip = LoadEmbedded(layout);
    int lastRow = -1;
    for (unsigned i = 0; i < layout.Count; ++i) {
        const QImage frame = Cell(strip, layout, static_cast<int>(i));
        int markRow = -1;
        int best = 0;
        for (int y = 0; y < frame.height(); ++y) {
            const QRgb c = frame.pixel(frame.width() / 2, y);
            const int orange = qRed(c) - qBlue(c);
            if (orange > best) {
                best = orange;
                markRow = y;
            }
        }
        ASSERT_GE(markRow, 0) << "frame " << i;
        EXPECT_GE(markRow, lastRow) << "frame " << i;
        lastRow = markRow;
    }
}
