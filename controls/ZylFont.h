// A bitmap font: an image list whose cell i is the glyph of CharSet's
// character i. Text is matched byte by byte in Windows-1252.
//
// A character the font lacks is never dropped: it is shown by the nearest
// glyph the font has (a typographic dash or quote by its plain form, a letter
// with marks by its bare letter), or else drawn from the system's font in the
// strip's own ink colour and glyph height. Such drawn glyphs have negative
// indices; the glyph functions below take both kinds.
#pragma once

#include "controls/ZylImageList.h"

#include <QImage>
#include <QString>

#include <array>
#include <map>
#include <vector>

class TZylFont : public TZylImageList {
public:
    explicit TZylFont(QObject* owner = nullptr);

    const QString& GetCharSet() const { return m_charSet; }
    void SetCharSet(const QString& charSet);

    // The glyphs that show `text`: for each character its first position in
    // CharSet, its stand-in's glyphs, or a drawn glyph. Window thread only.
    void TextToIndex(const QString& text, std::vector<int>& indices) const;

    void DrawGlyph(int glyph, QPainter& canvas, int x, int y) const;
    int GetGlyphWidth(int glyph) const;
    // Width of a row of glyphs with `spacing` between them (not after the last).
    int MeasureGlyphs(const std::vector<int>& glyphs, int spacing) const;

private:
    // The cell of a character; -1 when CharSet lacks it.
    int CellOf(char32_t codePoint) const;
    void AppendGlyphs(char32_t codePoint, std::vector<int>& indices) const;
    int DrawnGlyph(char32_t codePoint) const;
    QImage RenderGlyph(char32_t codePoint) const;
    // Redraws the drawn glyphs when the strip changed; their indices stay.
    void FollowStrip() const;

    QString m_charSet;
    std::array<int, 256> m_cellOfByte{}; // first CharSet position of each byte, or -1

    // Drawn glyph -1 - i is m_drawnGlyphs[i], drawn for the strip of revision
    // m_drawnRevision. Labels keep glyph indices, so a drawn glyph keeps its
    // index for the font's life.
    mutable std::vector<QImage> m_drawnGlyphs;
    mutable std::map<char32_t, int> m_drawnGlyphOf;
    mutable std::uint64_t m_drawnRevision = 0;
};
