// Drawing helpers shared by every picture of the skin: the palette, the
// panel texture, bevels and wells, cell strips, and the small legend font.
// Everything here is deterministic: the texture comes from a hash of the
// pixel position, never from a random generator.
#pragma once

#include "skin/DeckLayout.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

namespace VxSkinPaint {

// A QColor from a 0x00BBGGRR colour value.
inline QColor FromColorRef(std::uint32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

namespace Palette {
inline const QColor Panel{43, 45, 49};
inline const QColor Plate{52, 54, 59};
inline const QColor Highlight{84, 88, 95};
inline const QColor Shadow{18, 19, 21};
inline const QColor Slot{12, 13, 14};
inline const QColor Legend{150, 157, 168};
inline const QColor LegendDim{96, 101, 110};
inline const QColor Accent{255, 148, 36};
inline const QColor LcdBack = FromColorRef(VxDeck::LcdBackgroundColor);
inline const QColor LcdLit{136, 255, 156};
inline const QColor LcdDim{25, 44, 29};
inline const QColor LcdLegend{64, 118, 76};
inline const QColor MessageGreen{124, 238, 144};
inline const QColor ProgressWell = FromColorRef(VxDeck::ProgressBackgroundColor);
} // namespace Palette

// Opaque image of the given size filled with one colour.
QImage NewImage(int width, int height, const QColor& fill);

// A brightness offset in -amplitude..amplitude that depends only on (x, y).
int GrainAt(int x, int y, int amplitude);
// Fills the rectangle with the colour and a fine brushed-metal grain.
void FillGrain(QImage& image, const QRect& rect, const QColor& base, int amplitude);

// One-pixel frame: light on the top and left edges, dark on the others.
void Bevel(QImage& image, const QRect& rect, const QColor& light, const QColor& dark);
// A recessed area: a dark rim around the rectangle and a light lip below it.
void Well(QImage& image, const QRect& inner, const QColor& fill);
// An engraved outline around a section of the panel.
void Engrave(QImage& image, const QRect& rect);

QColor Mix(const QColor& a, const QColor& b, double t);

QRect ToRect(const VxDeck::TDeckBox& box);
// The part of a window-sized picture under a control's box.
QImage CropBox(const QImage& image, const VxDeck::TDeckBox& box);

// Horizontal concatenation of equally tall cells.
QImage JoinCells(const std::vector<QImage>& cells);

// Glyph cells joined by one-pixel separator columns of pure blue, the bound
// colour the font image lists cut by.
QImage JoinGlyphs(const std::vector<QImage>& glyphs);
inline const QColor FontSeparator{0, 0, 255};

// The legend font: 3 x 5 pixel capitals, digits and a few signs, drawn at an
// integer scale. Unknown characters draw as blanks.
int LegendWidth(const char* text, int scale = 1);
void DrawLegend(QImage& image, int x, int y, const char* text, const QColor& colour, int scale = 1);
// Draws the legend centred horizontally on centreX.
void DrawLegendCentred(QImage& image, int centreX, int y, const char* text, const QColor& colour,
                       int scale = 1);

} // namespace VxSkinPaint
