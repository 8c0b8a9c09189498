// The proportional fonts of the message lines and the title: DejaVu Sans
// rasterised without antialiasing, so every pixel is either ink or ground
// (the title label keys its black ground out, and a grey fringe would show).
#include "skin/SkinFiles.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <stdexcept>

namespace VxSkinPaint {

namespace {

constexpr int GlyphHeight = 13;
constexpr int PixelSize = 10;

QString LoadFamily(const char* path) {
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty())
        throw std::runtime_error(std::string("cannot load the font ") + path);
    return families.front();
}

QFont CrispFont(const char* path, bool bold) {
    QFont font(LoadFamily(path));
    font.setPixelSize(PixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

// Windows-1252 bytes 0xA1-0xFF are the Latin-1 code points; the soft hyphen
// (0xAD) is drawn as a visible hyphen, as single-byte fonts show it.
QChar Latin1Glyph(unsigned char byte) {
    return byte == 0xAD ? QChar('-') : QChar(byte);
}

QImage ProportionalFont(const QFont& font, const QColor& ink, const QColor& ground) {
    const QFontMetrics metrics(font);
    if (metrics.height() > GlyphHeight + 1)
        throw std::runtime_error("the message font does not fit its glyph height");
    std::vector<QImage> glyphs;
    for (unsigned char byte : VxSkin::MsSerifCharSet()) {
        const QString text(Latin1Glyph(byte));
        QImage glyph = NewImage(std::max(1, metrics.horizontalAdvance(text)), GlyphHeight, ground);
        QPainter p(&glyph);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(0, metrics.ascent(), text);
        p.end();
        glyphs.push_back(glyph);
    }
    return JoinGlyphs(glyphs);
}

} // namespace

QImage PaintMessageFont() {
    return ProportionalFont(CrispFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", false),
                            Palette::MessageGreen, Palette::LcdBack);
}

QImage PaintTitleFont() {
    return ProportionalFont(CrispFont("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", true),
                            Qt::white, Qt::black);
}

} // namespace VxSkinPaint
