// The four bitmap fonts: glyph order and widths, lit and unlit forms of the
// LCD letters, and crisp two-colour proportional fonts.
#include "SkinTestSupport.h"
#include "skin/DeckLayout.h"

#include <gtest/gtest.h>
#include <set>

using namespace SkinTest;

namespace {

using TPixels = std::set<std::pair<int, int>>;

class LcdFont {
public:
    LcdFont(const VxSkin::TSkinStrip& layout, std::string charSet)
        : Strip(LoadEmbedded(layout)), CharSet(std::move(charSet)), Cells(CutByBoundColour(Strip)) {
    }

    QRect Glyph(char c) const { return Cells.at(CharSet.find(c)); }

    // Pixels of a glyph that differ from the LCD ground, and those lit.
    TPixels Ink(char c) const {
        return Select(c, [](QRgb p) { return p != Ground(); });
    }
    TPixels Lit(char c) const {
        return Select(c, [](QRgb p) { return qGreen(p) > 128; });
    }

    static QRgb Ground() { return FromColorRef(VxDeck::LcdBackgroundColor); }

    QImage Strip;
    std::string CharSet;
    std::vector<QRect> Cells;

private:
    template <typename F> TPixels Select(char c, F keep) const {
        TPixels pixels;
        const QRect r = Glyph(c);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (keep(Strip.pixel(x, y)))
                    pixels.insert({x - r.left(), y});
        return pixels;
    }
};

void ExpectLcdConventions(const LcdFont& font, const char* narrowLetters) {
    ASSERT_EQ(font.Cells.size(), font.CharSet.size());
    for (const QRect& cell : font.Cells)
        EXPECT_EQ(cell.height(), font.Strip.height()) << "a glyph is cut short by a blue pixel";
    const int digit = font.Glyph('0').width();
    const TPixels segments = font.Ink('b');
    EXPECT_TRUE(font.Lit('b').empty());
    EXPECT_TRUE(font.Ink(' ').empty());
    EXPECT_TRUE(font.Ink('_').empty());
    EXPECT_EQ(font.Glyph(' ').width(), digit);
    EXPECT_EQ(font.Glyph('b').width(), digit);
    EXPECT_LT(font.Glyph('_').width(), digit);
    std::set<TPixels> litForms;
    for (char c = '0'; c <= '9'; ++c) {
        EXPECT_EQ(font.Glyph(c).width(), digit) << c;
        // Every digit shows all seven segments, lit or dim, where "b" has them.
        EXPECT_EQ(font.Ink(c), segments) << c;
        EXPECT_TRUE(litForms.insert(font.Lit(c)).second) << c << " looks like another digit";
    }
    EXPECT_EQ(font.Lit('8'), segments);
    for (const char* n = narrowLetters; *n; ++n) {
        EXPECT_LT(font.Glyph(*n).width(), digit) << *n;
        EXPECT_EQ(font.Ink(*n), font.Ink('e')) << *n;
    }
    // Unlit and lit forms share their shape.
    const std::pair<char, char> pairs[] = {{'e', 'I'}, {'a', '-'}, {'c', '.'}};
    for (const auto& [unlit, lit] : pairs) {
        EXPECT_EQ(font.Ink(unlit), font.Ink(lit)) << unlit << lit;
        EXPECT_TRUE(font.Lit(unlit).empty()) << unlit;
        EXPECT_FALSE(font.Lit(lit).empty()) << lit;
    }
}

} // namespace

TEST(SkinFonts, LcdBigFollowsItsCharacterMap) {
    const LcdFont font(VxSkin::LcdBig, VxSkin::LcdBigCharSet);
    ExpectLcdConventions(font, "eIi");
    EXPECT_EQ(font.Ink('d'), font.Ink(':'));
    EXPECT_TRUE(font.Lit('d').empty());
    EXPECT_FALSE(font.Lit(':').empty());
    // "i" lights only the upper half of the narrow one.
    const TPixels upper = font.Lit('i');
    EXPECT_FALSE(upper.empty());
    EXPECT_LT(upper.size(), font.Lit('I').size());
    for (const auto& pixel : upper)
        EXPECT_LT(pixel.second, font.Strip.height() / 2);
}

TEST(SkinFonts, LcdSmallFollowsItsCharacterMap) {
    const LcdFont font(VxSkin::LcdSmall, VxSkin::LcdSmallCharSet);
    ExpectLcdConventions(font, "eI");
    EXPECT_EQ(font.Ink('+'), font.Ink('a'));
    EXPECT_EQ(font.Lit('+'), font.Ink('+'));
    EXPECT_LT(font.Lit('-').size(), font.Lit('+').size());
}

TEST(SkinFonts, ProportionalFontsHoldTheWholeCharacterSet) {
    const std::string charSet = VxSkin::MsSerifCharSet();
    ASSERT_EQ(charSet.size(), 190u);
    EXPECT_EQ(charSet.front(), ' ');
    EXPECT_EQ(static_cast<unsigned char>(charSet[94]), 0x7E);
    EXPECT_EQ(static_cast<unsigned char>(charSet[95]), 0xA1);
    EXPECT_EQ(static_cast<unsigned char>(charSet.back()), 0xFF);

    const std::pair<VxSkin::TSkinStrip, QRgb> fonts[] = {
        {VxSkin::MsSerifGreen, FromColorRef(VxDeck::LcdBackgroundColor)},
        {VxSkin::MsSerifBoldWhite, FromColorRef(VxDeck::TitleTransparentColor)},
    };
    for (const auto& [layout, ground] : fonts) {
        const QImage strip = LoadEmbedded(layout);
        const std::vector<QRect> cells = CutByBoundColour(strip);
        ASSERT_EQ(cells.size(), charSet.size()) << layout.Name;
        std::set<QRgb> colours;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const QRect& cell = cells[i];
            ASSERT_GE(cell.width(), 1) << layout.Name << " glyph " << i;
            EXPECT_EQ(cell.height(), strip.height()) << layout.Name << " glyph " << i;
            int ink = 0;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    colours.insert(strip.pixel(x, y));
                    ink += strip.pixel(x, y) != ground;
                }
            // Every printable character but the blank leaves a mark.
            EXPECT_EQ(ink > 0, i != 0) << layout.Name << " glyph " << i;
        }
        // No antialiasing: ink and ground only, so keying the ground leaves no fringe.
        EXPECT_EQ(colours.size(), 2u) << layout.Name;
        EXPECT_TRUE(colours.count(ground)) << layout.Name;
    }
}
