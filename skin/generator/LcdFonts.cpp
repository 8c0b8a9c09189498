// The two seven-segment fonts. Every glyph shows its segments lit or dim, so
// a display never goes blank: "b" is a digit with all segments dim, "e" a
// dim narrow one, "a" a dim sign, "c" a dim point and "d" a dim colon.
#include "skin/SkinFiles.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>
#include <cstdlib>
#include <string>

namespace VxSkinPaint {

namespace {

enum TSegment { SegA, SegB, SegC, SegD, SegE, SegF, SegG };

// Segments lit for each digit, bit n for segment n (a top, b upper right,
// c lower right, d bottom, e lower left, f upper left, g middle).
constexpr int DigitSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

struct TLcdGeometry {
    int Height;
    int DigitWidth;
    int NarrowWidth;
    int SignWidth;
    int DotWidth;
    int NarrowBlankWidth;
    int Thickness; // 3: chamfered segments; 2: square ones
};

constexpr TLcdGeometry Big{21, 13, 5, 9, 5, 4, 3};
constexpr TLcdGeometry Small{14, 9, 4, 8, 4, 3, 2};

class TGlyphPainter {
public:
    TGlyphPainter(const TLcdGeometry& g, int width)
        : G(g), Cell(NewImage(width, g.Height, Palette::LcdBack)) {}

    // Segment of a digit box whose left column is `left` and right column
    // `right` (inclusive).
    void Segment(TSegment s, int left, int right, bool lit) {
        const int top = 1;
        const int bottom = G.Height - 2;
        const int mid = (top + bottom) / 2;
        const int t = G.Thickness;
        const QColor colour = lit ? Palette::LcdLit : Palette::LcdDim;
        if (t == 3) {
            switch (s) {
            case SegA:
                Horizontal(left + 2, right - 2, top + 1, colour);
                break;
            case SegG:
                Horizontal(left + 2, right - 2, mid, colour);
                break;
            case SegD:
                Horizontal(left + 2, right - 2, bottom - 1, colour);
                break;
            case SegF:
                Vertical(left + 1, top + 2, mid - 2, colour);
                break;
            case SegE:
                Vertical(left + 1, mid + 2, bottom - 2, colour);
                break;
            case SegB:
                Vertical(right - 1, top + 2, mid - 2, colour);
                break;
            case SegC:
                Vertical(right - 1, mid + 2, bottom - 2, colour);
                break;
            }
            return;
        }
        switch (s) {
        case SegA:
            Fill(left + 2, top, right - 2, top + 1, colour);
            break;
        case SegG:
            Fill(left + 2, mid, right - 2, mid + 1, colour);
            break;
        case SegD:
            Fill(left + 2, bottom - 1, right - 2, bottom, colour);
            break;
        case SegF:
            Fill(left, top + 2, left + 1, mid - 1, colour);
            break;
        case SegE:
            Fill(left, mid + 2, left + 1, bottom - 2, colour);
            break;
        case SegB:
            Fill(right - 1, top + 2, right, mid - 1, colour);
            break;
        case SegC:
            Fill(right - 1, mid + 2, right, bottom - 2, colour);
            break;
        }
    }

    void Digit(int segments) {
        for (int s = SegA; s <= SegG; ++s)
            Segment(static_cast<TSegment>(s), 1, G.DigitWidth - 2, (segments >> s) & 1);
    }

    // A narrow one: the right-hand segments of a digit one stroke wide.
    void NarrowOne(bool upperLit, bool lowerLit) {
        Segment(SegB, 1, G.Thickness, upperLit);
        Segment(SegC, 1, G.Thickness, lowerLit);
    }

    void Sign(bool minusLit, bool plusBarLit, bool withPlusBar) {
        const int mid = (1 + G.Height - 2) / 2;
        const int right = G.SignWidth - 2;
        const QColor minus = minusLit ? Palette::LcdLit : Palette::LcdDim;
        if (G.Thickness == 3) {
            Horizontal(1, right, mid, minus);
            return;
        }
        Fill(1, mid, right, mid + 1, minus);
        if (withPlusBar) {
            const int cx = (1 + right) / 2;
            const QColor bar = plusBarLit ? Palette::LcdLit : Palette::LcdDim;
            Fill(cx, mid - 3, cx + 1, mid - 1, bar);
            Fill(cx, mid + 2, cx + 1, mid + 4, bar);
        }
    }

    void Dot(int row, bool lit) {
        const int size = G.Thickness;
        Fill(1, row, size, row + size - 1, lit ? Palette::LcdLit : Palette::LcdDim);
    }

    QImage Image() const { return Cell; }

private:
    void Fill(int x0, int y0, int x1, int y1, const QColor& c) {
        QPainter p(&Cell);
        p.fillRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1, c);
    }
    // Chamfered bars three pixels thick, centred on a row or a column.
    void Horizontal(int x0, int x1, int row, const QColor& c) {
        Fill(x0, row, x1, row, c);
        Fill(x0 + 1, row - 1, x1 - 1, row - 1, c);
        Fill(x0 + 1, row + 1, x1 - 1, row + 1, c);
    }
    void Vertical(int column, int y0, int y1, const QColor& c) {
        Fill(column, y0, column, y1, c);
        Fill(column - 1, y0 + 1, column - 1, y1 - 1, c);
        Fill(column + 1, y0 + 1, column + 1, y1 - 1, c);
    }

    TLcdGeometry G;
    QImage Cell;
};

QImage LcdGlyph(const TLcdGeometry& g, char letter) {
    const int bottom = g.Height - 2;
    const int mid = (1 + bottom) / 2;
    const int dotRow = bottom - g.Thickness + 1;
    switch (letter) {
    case ' ':
        return TGlyphPainter(g, g.DigitWidth).Image();
    case '_':
        return TGlyphPainter(g, g.NarrowBlankWidth).Image();
    case 'b': {
        TGlyphPainter p(g, g.DigitWidth);
        p.Digit(0);
        return p.Image();
    }
    case 'e':
    case 'I':
    case 'i': {
        TGlyphPainter p(g, g.NarrowWidth);
        p.NarrowOne(letter != 'e', letter == 'I');
        return p.Image();
    }
    case 'a':
    case '-':
    case '+': {
        TGlyphPainter p(g, g.SignWidth);
        p.Sign(letter != 'a', letter == '+', g.Thickness != 3);
        return p.Image();
    }
    case 'c':
    case '.': {
        TGlyphPainter p(g, g.DotWidth);
        p.Dot(dotRow, letter == '.');
        return p.Image();
    }
    case 'd':
    case ':': {
        TGlyphPainter p(g, g.DotWidth);
        p.Dot(mid - 2 - g.Thickness, letter == ':');
        p.Dot(mid + 3, letter == ':');
        return p.Image();
    }
    default: {
        TGlyphPainter p(g, g.DigitWidth);
        p.Digit(DigitSegments[letter - '0']);
        return p.Image();
    }
    }
}

QImage LcdFont(const TLcdGeometry& g, const std::string& charSet) {
    std::vector<QImage> glyphs;
    for (char letter : charSet)
        glyphs.push_back(LcdGlyph(g, letter));
    return JoinGlyphs(glyphs);
}

} // namespace

QImage PaintLcdBigFont() {
    return LcdFont(Big, VxSkin::LcdBigCharSet);
}
QImage PaintLcdSmallFont() {
    return LcdFont(Small, VxSkin::LcdSmallCharSet);
}

} // namespace VxSkinPaint
