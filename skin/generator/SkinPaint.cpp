#include "skin/generator/SkinPaint.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace VxSkinPaint {

QImage NewImage(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

int GrainAt(int x, int y, int amplitude) {
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    // Rows share part of their grain so the texture reads as brushed metal.
    std::uint32_t row = static_cast<std::uint32_t>(y) * 0xC2B2AE3Du;
    row ^= row >> 13;
    const int fine =
        static_cast<int>(h % static_cast<std::uint32_t>(2 * amplitude + 1)) - amplitude;
    const int streak = static_cast<int>(row % 3u) - 1;
    return std::clamp(fine + streak, -amplitude, amplitude);
}

static QColor Shifted(const QColor& c, int delta) {
    return QColor(std::clamp(c.red() + delta, 0, 255), std::clamp(c.green() + delta, 0, 255),
                  std::clamp(c.blue() + delta, 0, 255));
}

void FillGrain(QImage& image, const QRect& rect, const QColor& base, int amplitude) {
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            image.setPixelColor(x, y, Shifted(base, GrainAt(x, y, amplitude)));
}

void Bevel(QImage& image, const QRect& rect, const QColor& light, const QColor& dark) {
    QPainter p(&image);
    p.setPen(light);
    p.drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
    p.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
    p.setPen(dark);
    p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
}

void Well(QImage& image, const QRect& inner, const QColor& fill) {
    QPainter p(&image);
    p.fillRect(inner, fill);
    p.end();
    Bevel(image, inner.adjusted(-1, -1, 1, 1), Palette::Shadow, Palette::Highlight);
}

void Engrave(QImage& image, const QRect& rect) {
    Bevel(image, rect, Palette::Shadow, Palette::Highlight);
    Bevel(image, rect.adjusted(1, 1, -1, -1), Mix(Palette::Highlight, Palette::Plate, 0.5),
          Mix(Palette::Shadow, Palette::Plate, 0.5));
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    auto lerp = [t](int u, int v) { return static_cast<int>(u + (v - u) * t + 0.5); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()));
}

QRect ToRect(const VxDeck::TDeckBox& box) {
    return QRect(box.Left, box.Top, box.Width, box.Height);
}

QImage CropBox(const QImage& image, const VxDeck::TDeckBox& box) {
    return image.copy(ToRect(box));
}

QImage JoinCells(const std::vector<QImage>& cells) {
    int width = 0;
    for (const QImage& cell : cells)
        width += cell.width();
    const QImage::Format format = cells.empty() ? QImage::Format_RGB32 : cells.front().format();
    QImage strip(width, cells.empty() ? 0 : cells.front().height(), format);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    int x = 0;
    for (const QImage& cell : cells) {
        p.drawImage(x, 0, cell);
        x += cell.width();
    }
    return strip;
}

QImage JoinGlyphs(const std::vector<QImage>& glyphs) {
    std::vector<QImage> cells;
    for (const QImage& glyph : glyphs) {
        if (!cells.empty())
            cells.push_back(NewImage(1, glyph.height(), FontSeparator));
        cells.push_back(glyph);
    }
    return JoinCells(cells);
}

namespace {

struct TLegendGlyph {
    char Letter;
    const char* Rows[5]; // three cells each (M, N and W are wider), '#' lit
};

// clang-format off
constexpr TLegendGlyph LegendGlyphs[] = {
    {'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    {'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {'C', {".##", "#..", "#..", "#..", ".##"}},
    {'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {'E', {"###", "#..", "##.", "#..", "###"}},
    {'F', {"###", "#..", "##.", "#..", "#.."}},
    {'G', {".##", "#..", "#.#", "#.#", ".##"}},
    {'H', {"#.#", "#.#", "###", "#.#", "#.#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {'J', {"..#", "..#", "..#", "#.#", ".#."}},
    {'K', {"#.#", "#.#", "##.", "#.#", "#.#"}},
    {'L', {"#..", "#..", "#..", "#..", "###"}},
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    {'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {'Q', {".#.", "#.#", "#.#", "##.", ".##"}},
    {'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {'S', {".##", "#..", ".#.", "..#", "##."}},
    {'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    {'Z', {"###", "..#", ".#.", "#..", "###"}},
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"##.", "..#", ".#.", "#..", "###"}},
    {'3', {"##.", "..#", ".#.", "..#", "##."}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}},
    {'5', {"###", "#..", "##.", "..#", "##."}},
    {'6', {".##", "#..", "###", "#.#", "###"}},
    {'7', {"###", "..#", ".#.", ".#.", ".#."}},
    {'8', {"###", "#.#", "###", "#.#", "###"}},
    {'9', {"###", "#.#", "###", "..#", "##."}},
    {'+', {"...", ".#.", "###", ".#.", "..."}},
    {'-', {"...", "...", "###", "...", "..."}},
    {'.', {"...", "...", "...", "...", ".#."}},
    {'%', {"#.#", "..#", ".#.", "#..", "#.#"}},
    {'/', {"..#", "..#", ".#.", "#..", "#.."}},
    {':', {"...", ".#.", "...", ".#.", "..."}},
    {'?', {"##.", "..#", ".#.", "...", ".#."}},
    {'<', {"..#", ".#.", "#..", ".#.", "..#"}},
    {'>', {"#..", ".#.", "..#", ".#.", "#.."}},
};
// clang-format on

const TLegendGlyph* FindGlyph(char letter) {
    for (const TLegendGlyph& glyph : LegendGlyphs)
        if (glyph.Letter == letter)
            return &glyph;
    return nullptr;
}

// Advance of one character: its cells plus one blank column.
int LegendAdvance(char letter) {
    const TLegendGlyph* glyph = FindGlyph(letter);
    return (glyph ? static_cast<int>(std::strlen(glyph->Rows[0])) : 3) + 1;
}

} // namespace

int LegendWidth(const char* text, int scale) {
    int width = 0;
    for (const char* c = text; *c; ++c)
        width += LegendAdvance(*c);
    return width == 0 ? 0 : (width - 1) * scale;
}

void DrawLegend(QImage& image, int x, int y, const char* text, const QColor& colour, int scale) {
    QPainter p(&image);
    for (const char* c = text; *c; x += LegendAdvance(*c) * scale, ++c) {
        const TLegendGlyph* glyph = FindGlyph(*c);
        if (!glyph)
            continue;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; glyph->Rows[row][col]; ++col)
                if (glyph->Rows[row][col] == '#')
                    p.fillRect(x + col * scale, y + row * scale, scale, scale, colour);
    }
}

void DrawLegendCentred(QImage& image, int centreX, int y, const char* text, const QColor& colour,
                       int scale) {
    DrawLegend(image, centreX - LegendWidth(text, scale) / 2, y, text, colour, scale);
}

} // namespace VxSkinPaint
