#include "controls/ZylFont.h"

#include "controls/ZylCodePage.h"
#include "controls/ZylControl.h"
#include "controls/ZylGlyphSubstitute.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <unordered_map>

namespace {

// The message and title strips draw a 10-pixel font in 13-pixel cells.
constexpr int kFontPixelsPerCellRows = 10;
constexpr int kCellRows = 13;

} // namespace

TZylFont::TZylFont(QObject* owner) : TZylImageList(owner) {}

void TZylFont::SetCharSet(const QString& charSet) {
    m_charSet = charSet;
    m_cellOfByte.fill(-1);
    const QList<uint> codePoints = charSet.toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const int byte = ZylUnicodeToCp1252(char32_t(codePoints[i]));
        if (byte >= 0 && m_cellOfByte[byte] < 0) {
            m_cellOfByte[byte] = int(i);
        }
    }
    DoImageChange();
}

int TZylFont::CellOf(char32_t codePoint) const {
    const int byte = ZylUnicodeToCp1252(codePoint);
    return byte < 0 ? -1 : m_cellOfByte[byte];
}

void TZylFont::TextToIndex(const QString& text, std::vector<int>& indices) const {
    indices.clear();
    indices.reserve(std::size_t(text.size()));
    for (uint codePoint : text.toUcs4()) {
        AppendGlyphs(char32_t(codePoint), indices);
    }
}

void TZylFont::AppendGlyphs(char32_t codePoint, std::vector<int>& indices) const {
    if (const int cell = CellOf(codePoint); cell >= 0) {
        indices.push_back(cell);
        return;
    }
    const std::u32string_view substitute = ZylGlyphSubstitute(codePoint);
    if (!substitute.empty() && std::all_of(substitute.begin(), substitute.end(),
                                           [this](char32_t c) { return CellOf(c) >= 0; })) {
        for (char32_t c : substitute) {
            indices.push_back(CellOf(c));
        }
        return;
    }
    const QString bare = QString::fromUcs4(&codePoint, 1).normalized(QString::NormalizationForm_D);
    if (bare.size() > 1 && CellOf(bare.front().unicode()) >= 0) {
        indices.push_back(CellOf(bare.front().unicode()));
        return;
    }
    // Without a strip there is nothing to match: cell 0, as for any list.
    indices.push_back(GetEmpty() ? 0 : DrawnGlyph(codePoint));
}

namespace {

// The colour most pixels of the strip have that are neither the ground
// (the corner of cell 0, the blank) nor the cell separators.
TZylColor InkColor(const TZylPngImage& strip, TZylColor ground, TZylColor bound) {
    std::unordered_map<TZylColor, int> counts;
    for (int y = 0; y < strip.GetHeight(); ++y) {
        for (int x = 0; x < strip.GetWidth(); ++x) {
            const TZylColor color = strip.GetPixel(x, y);
            if (color != ground && color != bound) {
                ++counts[color];
            }
        }
    }
    const auto most =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? ZylRGB(255, 255, 255) : most->first;
}

} // namespace

QImage TZylFont::RenderGlyph(char32_t codePoint) const {
    const QRect blank = GetCellRect(0);
    const TZylColor ground = GetBitmap().GetPixel(blank.left(), blank.top());
    const int height = GetImageHeight(0);
    QFont font;
    font.setPixelSize(std::max(1, height * kFontPixelsPerCellRows / kCellRows));
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    const QString text = QString::fromUcs4(&codePoint, 1);
    QImage glyph(std::max(1, metrics.horizontalAdvance(text)), height, QImage::Format_RGB32);
    glyph.fill(ZylToQColor(ground));
    QPainter painter(&glyph);
    painter.setFont(font);
    painter.setPen(ZylToQColor(InkColor(GetBitmap(), ground, GetBoundColor())));
    painter.drawText(0, (height - metrics.height()) / 2 + metrics.ascent(), text);
    painter.end();
    return glyph;
}

void TZylFont::FollowStrip() const {
    if (m_drawnRevision == GetBitmap().GetRevision()) {
        return;
    }
    m_drawnRevision = GetBitmap().GetRevision();
    for (const auto& [codePoint, glyph] : m_drawnGlyphOf) {
        m_drawnGlyphs[std::size_t(-1 - glyph)] = RenderGlyph(codePoint);
    }
}

int TZylFont::DrawnGlyph(char32_t codePoint) const {
    FollowStrip();
    if (const auto known = m_drawnGlyphOf.find(codePoint); known != m_drawnGlyphOf.end()) {
        return known->second;
    }
    m_drawnGlyphs.push_back(RenderGlyph(codePoint));
    const int glyph = -int(m_drawnGlyphs.size());
    m_drawnGlyphOf.emplace(codePoint, glyph);
    return glyph;
}

void TZylFont::DrawGlyph(int glyph, QPainter& canvas, int x, int y) const {
    if (glyph >= 0) {
        Draw(unsigned(glyph), canvas, x, y);
    } else if (std::size_t(-1 - glyph) < m_drawnGlyphs.size()) {
        FollowStrip();
        canvas.drawImage(x, y, m_drawnGlyphs[std::size_t(-1 - glyph)]);
    }
}

int TZylFont::GetGlyphWidth(int glyph) const {
    if (glyph >= 0) {
        return GetDrawnWidth(glyph);
    }
    FollowStrip();
    const std::size_t drawn = std::size_t(-1 - glyph);
    return drawn < m_drawnGlyphs.size() ? m_drawnGlyphs[drawn].width() : 0;
}

int TZylFont::MeasureGlyphs(const std::vector<int>& glyphs, int spacing) const {
    int width = 0;
    for (int glyph : glyphs) {
        width += GetGlyphWidth(glyph);
    }
    return glyphs.empty() ? 0 : width + spacing * int(glyphs.size() - 1);
}
