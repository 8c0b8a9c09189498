// Pictures outside the deck: the hand cursor and the About page.
#include "skin/SkinFiles.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>
#include <cmath>

namespace VxSkinPaint {

namespace {

// '#' outline, 'o' fill, ' ' transparent; the tip of the finger is the hot
// spot (VxSkin::CursorHandHotX/Y).
constexpr const char* HandArt[] = {
    "     ##          ", "    #oo#         ", "    #oo#         ", "    #oo#         ",
    "    #oo#         ", "    #oo###       ", "    #oo#oo###    ", "    #oo#oo#oo##  ",
    " ## #oo#oo#oo#o# ", "#oo##oooooooo#o# ", "#ooo#oooooooooo# ", " #oooooooooooo#  ",
    "  #ooooooooooo#  ", "  #oooooooooooo# ", "   #ooooooooooo# ", "   #oooooooooo#  ",
    "    #ooooooooo#  ", "    #ooooooooo#  ", "    ###########  ",
};
constexpr int HandLeft = 4;
constexpr int HandTop = 2;

void PaintEmblem(QImage& image, const QPointF& topCentre, double scale) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Palette::Accent, 4.0 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF bottom = topCentre + QPointF(0, 20 * scale);
    p.drawLine(topCentre + QPointF(-11 * scale, 0), bottom);
    p.drawLine(bottom, topCentre + QPointF(11 * scale, 0));
    p.setPen(QPen(QColor(236, 240, 246), 1.2 * scale));
    const double width = 46 * scale;
    QPointF last = topCentre + QPointF(-width / 2, 10 * scale);
    for (int i = 1; i <= 64; ++i) {
        const double t = i / 64.0;
        const QPointF next = topCentre + QPointF(-width / 2 + width * t,
                                                 10 * scale - 7 * scale * std::sin(t * 3 * M_PI) *
                                                                  std::sin(t * M_PI));
        p.drawLine(last, next);
        last = next;
    }
}

} // namespace

QImage PaintHandCursor() {
    QImage cursor(VxSkin::CursorHand.Width, VxSkin::CursorHand.Height, QImage::Format_ARGB32);
    cursor.fill(Qt::transparent);
    int y = HandTop;
    for (const char* row : HandArt) {
        for (int x = 0; row[x]; ++x) {
            if (row[x] == '#')
                cursor.setPixelColor(HandLeft + x, y, Qt::black);
            else if (row[x] == 'o')
                cursor.setPixelColor(HandLeft + x, y, Qt::white);
        }
        ++y;
    }
    return cursor;
}

QImage PaintAbout() {
    QImage about = NewImage(VxSkin::About.Width, VxSkin::About.Height, Palette::Panel);
    FillGrain(about, about.rect(), Palette::Plate, 3);
    Engrave(about, about.rect());
    PaintEmblem(about, QPointF(58, 28), 1.6);
    DrawLegend(about, 112, 34, "VEXALINE", QColor(236, 240, 246), 4);
    DrawLegend(about, 114, 66, "VELM R5A FREE", Palette::Accent, 2);
    DrawLegend(about, 114, 88, "SINGLE DECK PLAYER FOR DJS", Palette::Legend);
    QPainter p(&about);
    p.setPen(Palette::Accent);
    p.drawLine(20, 104, about.width() - 21, 104);
    return about;
}

} // namespace VxSkinPaint
