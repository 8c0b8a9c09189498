#include "controls/ZylFont.h"
#include "controls/ZylLabel.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace zyltest;

namespace {

// Glyphs of " 0123456789.": the space 1 pixel wide, digits 10, the dot 2,
// each 5 high, separated by blue columns; glyph i has the red value 10 + i.
TZylPngImage FontStrip() {
    std::vector<int> widths = {1};
    widths.insert(widths.end(), 10, 10);
    widths.push_back(2);
    std::vector<int> glyphOfColumn;
    for (std::size_t g = 0; g < widths.size(); ++g) {
        if (g > 0) {
            glyphOfColumn.push_back(-1); // separator
        }
        glyphOfColumn.insert(glyphOfColumn.end(), std::size_t(widths[g]), int(g));
    }
    return MakeImage(int(glyphOfColumn.size()), 5, [&](int x, int y) {
        const int glyph = glyphOfColumn[std::size_t(x)];
        return glyph < 0 ? (y == 0 ? clBlue : clBlack) : ZylRGB(std::uint8_t(10 + glyph), 0, 0);
    });
}

int GlyphAt(const QImage& shown, int x) {
    return ZylRed(PixelAt(shown, x, 2)) - 10;
}

class LabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        font.SetBoundColor(clBlue);
        font.SetVariableSize(true);
        font.SetBitmap(FontStrip());
        font.SetCharSet(QStringLiteral(" 0123456789."));
        label.SetBounds(0, 0, 100, 5);
        label.SetFont(&font);
    }
    TZylFont font;
    TZylLabel label;
};

const QString kLongCaption = QStringLiteral("12345678901234"); // 14 digits

} // namespace

TEST_F(LabelTest, MeasuresGlyphsWithSpacingBetweenThem) {
    ASSERT_EQ(font.GetCount(), 12u);
    label.SetCaption(QStringLiteral(" 12"));
    EXPECT_EQ(label.GetTextSize(), QSize(21, 5));
    label.SetSpacing(1);
    EXPECT_EQ(label.GetTextSize(), QSize(23, 5));
    const QImage shown = Render(label, ZylRGB(0, 9, 0));
    EXPECT_EQ(GlyphAt(shown, 0), 0);
    EXPECT_EQ(PixelAt(shown, 1, 2), clBlack); // spacing shows the background colour
    EXPECT_EQ(GlyphAt(shown, 2), 2);
    EXPECT_EQ(GlyphAt(shown, 13), 3);
}

TEST_F(LabelTest, AutoSizeFollowsTheCaption) {
    label.SetAutoSize(true);
    label.SetCaption(QStringLiteral("12"));
    EXPECT_EQ(label.size(), QSize(20, 5));
}

TEST_F(LabelTest, CropEndsACaptionThatDoesNotFitWithDots) {
    label.SetSpacing(1);
    label.SetAutoCrop(true);
    label.SetCaption(kLongCaption); // 14 x 11 - 1 = 153 pixels
    EXPECT_EQ(label.GetTextSize().width(), 153);
    std::vector<int> expected = {2, 3, 4, 5, 6, 7, 8, 9}; // 87 pixels fit in 100 - 8
    expected.insert(expected.end(), 3, 11);
    EXPECT_EQ(label.GetCaptionGlyphs(), expected);
    const QImage shown = Render(label);
    EXPECT_EQ(GlyphAt(shown, 0), 2);   // the digit 1
    EXPECT_EQ(GlyphAt(shown, 88), 11); // the first dot after 8 digits

    label.SetBounds(0, 0, 5, 5); // narrower than the dots
    EXPECT_EQ(label.GetCaptionGlyphs(), std::vector<int>(3, 11));

    label.SetAutoSize(true); // cropping never applies to an auto-sized label
    label.SetCaption(QStringLiteral("1234567890123"));
    EXPECT_EQ(label.GetCaptionGlyphs().size(), 13u);
}

TEST_F(LabelTest, CroppedCaptionOfTheSameWidthLeavesNoOldGlyphs) {
    label.SetAutoCrop(true);
    const QString spaces(10, QLatin1Char(' '));
    label.SetCaption(QStringLiteral("123456789") + spaces + QStringLiteral("0")); // 110 pixels
    EXPECT_EQ(GlyphAt(Render(label), 98), 11);               // dots end the row at the right edge
    label.SetCaption(QStringLiteral("1234567890") + spaces); // also 110, cut after the 9
    ASSERT_EQ(label.GetTextSize().width(), 110);
    const QImage shown = Render(label);
    EXPECT_EQ(GlyphAt(shown, 94), 11);
    EXPECT_EQ(PixelAt(shown, 98, 2), clBlack);
}

TEST_F(LabelTest, AutoHintOffersTheFullCaption) {
    label.SetHint(QStringLiteral("old"));
    label.SetAutoHint(true);
    label.SetCaption(kLongCaption);
    EXPECT_EQ(label.GetHint(), kLongCaption + QLatin1Char(' '));
    EXPECT_TRUE(label.GetShowHint());
    label.SetCaption(QStringLiteral("12"));
    EXPECT_FALSE(label.GetShowHint());
    EXPECT_EQ(label.GetHint(), kLongCaption + QLatin1Char(' '));
    label.SetAutoHint(false);
    EXPECT_TRUE(label.GetHint().isEmpty());
}

TEST_F(LabelTest, BlinkShowsTheBlinkTextFirstAndClearsAtEveryPhase) {
    QTimer* timer = label.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    label.SetCaption(QStringLiteral("88"));
    label.SetBlinkText(QStringLiteral(" "));
    Render(label);
    label.SetBlink(true);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 250);
    QImage shown = Render(label);
    EXPECT_EQ(GlyphAt(shown, 0), 0);
    EXPECT_EQ(PixelAt(shown, 5, 2), clBlack); // the caption's pixels are cleared

    label.SetBlinkTimeOn(350);
    label.BlinkTimerTick();
    EXPECT_FALSE(label.GetBlinkPhase());
    EXPECT_EQ(timer->interval(), 350); // the caption's period uses the new time
    EXPECT_EQ(GlyphAt(Render(label), 5), 9);
    label.BlinkTimerTick();
    EXPECT_EQ(timer->interval(), 250);

    label.SetBlink(false);
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(GlyphAt(Render(label), 5), 9);
}

TEST_F(LabelTest, TransparentLabelShowsOnlyItsGlyphs) {
    label.SetSpacing(1);
    label.SetCaption(QStringLiteral("12"));
    label.SetTransparent(true); // BackgroundColor and TransparentColor are both black
    const TZylColor beneath = ZylRGB(0, 0, 99);
    const QImage shown = Render(label, beneath);
    EXPECT_EQ(PixelAt(shown, 10, 2), beneath);
    EXPECT_EQ(GlyphAt(shown, 11), 3);
}

TEST(LabelFallback, CharactersTheFontLacksAreShownNeverDropped) {
    // White 3 x 13 glyphs of " -'\".eE" on black, separated by blue columns.
    const QString charSet = QStringLiteral(" -'\".eE");
    TZylFont font;
    font.SetBoundColor(clBlue);
    font.SetVariableSize(true);
    font.SetBitmap(MakeImage(4 * int(charSet.size()) - 1, 13, [](int x, int y) {
        const bool ink = x >= 4 && x % 4 == 1 && y > 3 && y < 10;
        return x % 4 == 3 ? clBlue : (ink ? ZylRGB(255, 255, 255) : clBlack);
    }));
    font.SetCharSet(charSet);
    struct Case {
        const char* text;
        std::vector<int> glyphs;
    } cases[] = {
        {"\u2013\u2014\u2212", {1, 1, 1}},          // dashes
        {"\u2018\u2019", {2, 2}},                   // single quotes
        {"\u201C\u201D\u201E", {3, 3, 3}},          // double quotes
        {"\u2026", {4, 4, 4}},                      // ellipsis
        {"\u00E9\u00EB\u00C9\u011B", {5, 5, 6, 5}}, // letters with marks
    };
    std::vector<int> glyphs;
    for (const Case& c : cases) {
        font.TextToIndex(QString::fromUtf8(c.text), glyphs);
        EXPECT_EQ(glyphs, c.glyphs) << c.text;
    }
    // Greek has no stand-in: drawn from the system's font, in the strip's ink
    // and height, one glyph per character.
    TZylLabel label;
    label.SetFont(&font);
    label.SetAutoSize(true);
    label.SetCaption(QString::fromUtf8("\u0395\u03BB-\u00F1"));
    const std::vector<int>& shown = label.GetCaptionGlyphs();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_LT(shown[0], 0);
    EXPECT_LT(shown[1], 0);
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_EQ(shown[2], 1);
    EXPECT_EQ(label.GetTextSize().height(), 13);
    const int greekWidth = font.GetGlyphWidth(shown[0]) + font.GetGlyphWidth(shown[1]);
    EXPECT_GE(greekWidth, 8);
    const QImage image = Render(label);
    int inked = 0;
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < greekWidth; ++x) {
            const TZylColor pixel = PixelAt(image, x, y);
            EXPECT_TRUE(pixel == clBlack || pixel == ZylRGB(255, 255, 255)) << x << "," << y;
            inked += pixel != clBlack ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 10);
}
