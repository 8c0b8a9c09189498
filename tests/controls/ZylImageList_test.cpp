#include "controls/ZylFont.h"
#include "controls/ZylImageList.h"
#include "controls/ZylPngImage.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QPainter>

#include <algorithm>

#include <gtest/gtest.h>

using namespace zyltest;

namespace {

constexpr TZylColor kRed = ZylRGB(255, 0, 0);
constexpr TZylColor kGreen = ZylRGB(0, 255, 0);
constexpr TZylColor kWhite = ZylRGB(255, 255, 255);

TZylPngImage Decode(const std::string& png) {
    TZylPngImage image;
    EXPECT_TRUE(image.LoadFromMemory(png.data(), png.size()));
    return image;
}

// Column x of the strip has a colour that names it.
TZylPngImage ColumnStrip(int width, int height) {
    return MakeImage(width, height, [](int x, int) { return ZylRGB(std::uint8_t(x), 7, 9); });
}

QImage Canvas(int width, int height, TZylColor fill) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(ZylRed(fill), ZylGreen(fill), ZylBlue(fill)));
    return image;
}

} // namespace

// ---- PNG decoding ----

TEST(ZylPngImage, DecodesPaletteWithTransparencyChunk) {
    const TZylPngImage image =
        Decode(EncodePalettePng(3, 1, {kRed, kGreen, clBlue}, {255, 0}, {0, 1, 2}));
    ASSERT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetPixel(0, 0), kRed);
    EXPECT_EQ(image.GetPixel(2, 0), clBlue); // colour values are 0x00BBGGRR
    EXPECT_EQ(image.GetAlpha(0, 0), 255);
    EXPECT_EQ(image.GetAlpha(1, 0), 0);
    EXPECT_EQ(image.GetAlpha(2, 0), 255); // entries past the chunk stay opaque
    EXPECT_TRUE(image.GetHasAlpha());
    EXPECT_EQ(image.GetPixel(3, 0), clNone);
}

TEST(ZylPngImage, DecodesRgba) {
    const TZylPngImage image =
        Decode(EncodeRgbaPng(2, 2, {0xFF0000FFu, 0x80FF0000u, 0xFF00FF00u, 0x00000000u}));
    EXPECT_EQ(image.GetPixel(0, 0), kRed);
    EXPECT_EQ(image.GetPixel(1, 0), clBlue);
    EXPECT_EQ(image.GetAlpha(1, 0), 0x80);
    EXPECT_EQ(image.GetPixel(0, 1), kGreen);
}

TEST(ZylPngImage, DamagedFilesFailCleanlyAndLeaveTheImageEmpty) {
    const std::string good = EncodePalettePng(4, 4, {kRed}, {}, std::vector<std::uint8_t>(16, 0));
    std::string badCrc = good;
    badCrc[30] ^= 0x55; // inside IHDR: its CRC no longer matches
    std::string hugeHeader = good;
    hugeHeader[16] = 0x7F; // width 0x7F000004
    const std::vector<std::string> damaged = {
        "",     "not a png at all", good.substr(0, 8), good.substr(0, good.size() / 2),
        badCrc, hugeHeader};
    for (const std::string& bytes : damaged) {
        TZylPngImage image = Decode(good);
        std::string error;
        EXPECT_FALSE(image.LoadFromMemory(bytes.data(), bytes.size(), &error)) << bytes.size();
        EXPECT_TRUE(image.GetEmpty());
        EXPECT_FALSE(error.empty());
    }
    TZylPngImage image;
    EXPECT_FALSE(image.LoadFromFile("/nonexistent/strip.png"));
}

TEST(ZylPngImage, TransparentColourAndRemovalShapeTheDrawPixels) {
    TZylPngImage image = Decode(EncodePalettePng(2, 1, {kRed, kGreen}, {0}, {0, 1}));
    EXPECT_EQ(image.GetDrawPixels()[0] >> 24, 0u); // palette transparency
    image.SetTransparentColor(kGreen);
    EXPECT_EQ(image.GetDrawPixels()[1] >> 24, 0u);
    image.RemoveTransparency();
    EXPECT_EQ(image.GetDrawPixels()[0], 0xFFFF0000u); // opaque red, ARGB
    EXPECT_EQ(image.GetDrawPixels()[1], 0xFF00FF00u);
}

// ---- cutting ----

TEST(ZylImageList, EqualCellsFollowTheStripAndTheCount) {
    TZylImageList list;
    int changes = 0;
    list.SetChangeListener([&](TZylImageList*) { ++changes; });
    list.SetBitmap(MakeSolid(1060, 20, kRed));
    EXPECT_EQ(list.GetCount(), 53u); // square cells
    EXPECT_EQ(changes, 1);
    list.SetCount(53);
    EXPECT_EQ(changes, 1);
    list.SetCount(4);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.GetImageWidth(3), 265);
    EXPECT_EQ(list.GetImageHeight(3), 20);
    EXPECT_EQ(list.GetImageWidth(4), 0);

    list.SetBitmap(MakeSolid(50, 20, kRed));
    EXPECT_EQ(list.GetCount(), 2u);
    list.SetBitmap(MakeSolid(10, 20, kRed));
    EXPECT_EQ(list.GetCount(), 1u);
    list.SetBitmap(TZylPngImage());
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.MeasureWidth({0}, 1), 0);
}

TEST(ZylImageList, LeftoverColumnsAreNeverDrawn) {
    TZylImageList list;
    list.SetBitmap(ColumnStrip(30, 9));
    list.SetCount(4);
    EXPECT_EQ(list.GetImageWidth(0), 7);
    QImage canvas = Canvas(10, 9, kWhite);
    {
        QPainter painter(&canvas);
        list.Draw(3, painter, 0, 0);
    }
    EXPECT_EQ(PixelAt(canvas, 0, 0), ZylRGB(21, 7, 9));
    EXPECT_EQ(PixelAt(canvas, 6, 8), ZylRGB(27, 7, 9));
    EXPECT_EQ(PixelAt(canvas, 7, 0), kWhite); // columns 28 and 29 belong to no cell
}

TEST(ZylImageList, DrawPastTheCountShowsTheLastCellAndEmptyDrawsNothing) {
    TZylImageList list;
    list.SetBitmap(MakeCells(2, 2, {kRed, kGreen}));
    QImage canvas = Canvas(2, 2, kWhite);
    {
        QPainter painter(&canvas);
        list.Draw(7, painter, 0, 0);
    }
    EXPECT_EQ(PixelAt(canvas, 0, 0), kGreen);

    TZylImageList empty;
    QImage untouched = Canvas(2, 2, kWhite);
    QPainter painter(&untouched);
    empty.Draw(0, painter, 0, 0);
    empty.StretchDraw(0, painter, QRect(0, 0, 2, 2));
    painter.end();
    EXPECT_EQ(PixelAt(untouched, 1, 1), kWhite);
}

TEST(ZylImageList, StretchDrawScalesAndHonoursPaletteTransparency) {
    TZylImageList list;
    TZylPngImage image = Decode(EncodePalettePng(2, 1, {kRed, kGreen}, {255, 0}, {0, 1}));
    list.SetBitmap(image);
    list.SetCount(1);
    QImage canvas = Canvas(4, 2, kWhite);
    {
        QPainter painter(&canvas);
        list.StretchDraw(0, painter, QRect(0, 0, 4, 2));
    }
    EXPECT_EQ(PixelAt(canvas, 1, 1), kRed);
    EXPECT_EQ(PixelAt(canvas, 3, 1), kWhite); // the transparent palette entry

    list.SetImageTransparentColor(kRed); // a control's key colour adds to it
    QImage keyed = Canvas(2, 1, kWhite);
    {
        QPainter painter(&keyed);
        list.Draw(0, painter, 0, 0);
    }
    EXPECT_EQ(PixelAt(keyed, 0, 0), kWhite);
}

namespace {

// Row 0 is blue at the given columns.
TZylPngImage SeparatedStrip(int width, int height, std::vector<int> blueColumns) {
    return MakeImage(width, height, [&](int x, int y) {
        const bool blue =
            y == 0 && std::find(blueColumns.begin(), blueColumns.end(), x) != blueColumns.end();
        return blue ? clBlue : kRed;
    });
}

} // namespace

TEST(ZylImageList, BoundColourCellsIncludingZeroWidthOnes) {
    TZylImageList list;
    list.SetBoundColor(clBlue);
    list.SetVariableSize(true);
    list.SetBitmap(SeparatedStrip(30, 20, {10, 11}));
    ASSERT_EQ(list.GetCount(), 3u);
    EXPECT_EQ(list.GetCellRect(0), QRect(0, 0, 10, 20));
    EXPECT_EQ(list.GetImageWidth(1), 0);
    EXPECT_EQ(list.GetImageHeight(1), 0); // its first column is a separator
    EXPECT_EQ(list.GetCellRect(2), QRect(12, 0, 18, 20));
    EXPECT_EQ(list.MeasureWidth({0, 1, 2}, 1), 10 + 1 + 0 + 1 + 18);

    list.SetBitmap(SeparatedStrip(12, 20, {0, 11}));
    ASSERT_EQ(list.GetCount(), 2u); // empty first cell, no trailing cell
    EXPECT_EQ(list.GetImageWidth(0), 0);
    EXPECT_EQ(list.GetCellRect(1), QRect(1, 0, 10, 20));
}

TEST(ZylImageList, BoundPixelInACellsFirstColumnEndsTheCell) {
    TZylPngImage strip = SeparatedStrip(20, 30, {9});
    strip.SetPixel(10, 15, clBlue);
    TZylImageList list;
    list.SetBoundColor(clBlue);
    list.SetVariableSize(true);
    list.SetBitmap(strip);
    EXPECT_EQ(list.GetImageHeight(0), 30);
    EXPECT_EQ(list.GetImageHeight(1), 15);
}

TEST(ZylImageList, WithoutSeparatorsOrBoundColourTheStripIsOneCell) {
    TZylImageList list;
    list.SetVariableSize(true); // BoundColor still clNone
    list.SetBitmap(MakeSolid(40, 10, clBlue));
    EXPECT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetCellRect(0), QRect(0, 0, 40, 10));
    list.SetCount(7); // ignored for variable cells
    EXPECT_EQ(list.GetCount(), 1u);
}

TEST(ZylImageList, ReadingTheDescriptionPassesIntermediateCutsSilently) {
    TZylImageList list;
    int changes = 0;
    list.SetChangeListener([&](TZylImageList*) { ++changes; });
    list.BeginLoading();
    list.SetBitmap(SeparatedStrip(264, 21, {12, 24, 36}));
    EXPECT_EQ(list.GetCount(), 12u); // square cells first
    list.SetCount(12);
    list.SetVariableSize(true);
    EXPECT_EQ(list.GetCount(), 1u); // BoundColor not yet read
    list.SetBoundColor(clBlue);
    list.EndLoading();
    EXPECT_EQ(list.GetCount(), 4u);
    EXPECT_EQ(changes, 0);
    list.SetBoundColor(kRed); // after loading, changes are heard
    EXPECT_EQ(changes, 1);
}

// ---- regions ----

TEST(ZylImageList, RegionOfOpaqueCellIsItsRectangleAtTheOrigin) {
    TZylImageList list;
    list.SetBitmap(MakeCells(6, 10, {kRed, kGreen}));
    list.SetCount(2);
    EXPECT_EQ(list.GetRegion(1, clBlack, -1, -1), QRegion(0, 0, 6, 10));
    EXPECT_TRUE(list.GetRegion(2, clBlack, -1, -1).isEmpty());
}

TEST(ZylImageList, RegionLeavesOutTheTransparentColourInsideTheBandOnly) {
    // Fuchsia pixels on the diagonal of a 6 x 10 cell.
    TZylImageList list;
    list.SetBitmap(MakeImage(6, 10, [](int x, int y) { return x == y ? clFuchsia : kRed; }));
    const QRegion whole = list.GetRegion(0, clFuchsia, -1, -1);
    EXPECT_FALSE(whole.contains(QPoint(2, 2)));
    EXPECT_TRUE(whole.contains(QPoint(3, 2)));
    EXPECT_EQ(whole.boundingRect(), QRect(0, 0, 6, 10));

    const QRegion band = list.GetRegion(0, clFuchsia, 2, 4); // rows 2 and 3 scanned
    EXPECT_TRUE(band.contains(QPoint(0, 0)));
    EXPECT_TRUE(band.contains(QPoint(4, 4)));
    EXPECT_FALSE(band.contains(QPoint(3, 3)));

    // A band of no rows: everything counts as opaque without scanning.
    EXPECT_EQ(list.GetRegion(0, clFuchsia, 5, 5), QRegion(0, 0, 6, 10));
}

// ---- fonts ----

TEST(ZylFont, TextToIndexIsByteExactInTheSingleByteCodePage) {
    TZylFont font;
    font.SetCharSet(QStringLiteral(" Ab"));
    std::vector<int> indices;
    font.TextToIndex(QStringLiteral("AbZ"), indices);
    EXPECT_EQ(indices, (std::vector<int>{1, 2, 0}));
    font.TextToIndex(QStringLiteral("a"), indices);
    EXPECT_EQ(indices, (std::vector<int>{0}));
    font.TextToIndex(QString(), indices);
    EXPECT_TRUE(indices.empty());

    font.SetCharSet(QString::fromUtf8(" x\u20ACx\u00E9"));
    font.TextToIndex(QString::fromUtf8("x\u20AC\u00E9\u4E2D\U0001F600"), indices);
    // Repeats map to the first place; without a strip to draw from,
    // characters the code page lacks, and characters outside the basic plane,
    // take cell 0, one index each.
    EXPECT_EQ(indices, (std::vector<int>{1, 2, 4, 0, 0}));
}

TEST(ZylFont, ChangingTheCharacterSetNotifiesTheListener) {
    TZylFont font;
    int changes = 0;
    font.SetChangeListener([&](TZylImageList*) { ++changes; });
    font.SetCharSet(QStringLiteral("0123"));
    EXPECT_EQ(changes, 1);
    font.BeginLoading();
    font.SetCharSet(QStringLiteral("01"));
    font.EndLoading();
    EXPECT_EQ(changes, 1);
}
