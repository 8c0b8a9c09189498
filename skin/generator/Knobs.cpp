// Film strips of the rotary controls and the fader thumbs.
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace VxSkinPaint {

namespace {

// One knob frame: a ribbed dark skirt, a domed cap and a pointer at `angle`
// degrees (0 points up, clockwise positive).
QImage PaintKnobFrame(const QImage& base, double angle, const QColor& body, const QColor& pointer) {
    QImage cell = base.convertToFormat(QImage::Format_RGB32);
    const double c = cell.width() / 2.0;
    QPainter p(&cell);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Palette::Shadow);
    p.drawEllipse(QPointF(c, c), c, c);
    QRadialGradient skirt(QPointF(c - 3, c - 4), c * 1.4);
    skirt.setColorAt(0, Mix(body, Qt::white, 0.28));
    skirt.setColorAt(1, Mix(body, Qt::black, 0.45));
    p.setBrush(skirt);
    p.drawEllipse(QPointF(c, c), c - 1, c - 1);
    QRadialGradient cap(QPointF(c - 2, c - 3), c);
    cap.setColorAt(0, Mix(body, Qt::white, 0.42));
    cap.setColorAt(1, Mix(body, Qt::black, 0.15));
    p.setBrush(cap);
    p.drawEllipse(QPointF(c, c), c - 4, c - 4);
    const double rad = angle * M_PI / 180.0;
    const QPointF dir(std::sin(rad), -std::cos(rad));
    p.setPen(QPen(pointer, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c, c) + dir * 2.5, QPointF(c, c) + dir * (c - 2.0));
    return cell;
}

// Ridge numbers around the wheel, 15 degrees apart; ridge 0 is the mark.
constexpr int RidgeOrder[] = {-12, -11, -10, -9, -8, -7, -6, -5, -4, -3, -2, -1, 1,
                              2,   3,   4,   5,  6,  7,  8,  9,  10, 11, 12, 0};

} // namespace

QImage PaintKnobStrip(const QImage& base, unsigned frames, const QColor& body,
                      const QColor& pointer) {
    std::vector<QImage> cells;
    for (unsigned i = 0; i < frames; ++i)
        cells.push_back(PaintKnobFrame(base, -135.0 + 270.0 * i / (frames - 1), body, pointer));
    return JoinCells(cells);
}

// The touch-bend wheel seen edge-on: a rubber cylinder whose ridges roll up
// and down with the frame, and an orange mark that shows its turn.
QImage PaintTouchBendStrip(const QImage& base, unsigned frames) {
    std::vector<QImage> cells;
    const int w = base.width();
    const int h = base.height();
    const double radius = h / 2.0;
    for (unsigned i = 0; i < frames; ++i) {
        QImage cell = base.convertToFormat(QImage::Format_RGB32);
        const double turn = (i - (frames - 1) / 2.0) / ((frames - 1) / 2.0) * 75.0;
        for (int y = 0; y < h; ++y) {
            const double s = std::clamp((y + 0.5 - radius) / radius, -1.0, 1.0);
            const double light = std::sqrt(1.0 - s * s);
            const QColor rubber = Mix(QColor(8, 8, 9), QColor(96, 100, 108), light * 0.9);
            for (int x = 1; x < w - 1; ++x)
                cell.setPixelColor(x, y, rubber);
        }
        QPainter p(&cell);
        // Ridges first, the mark last: near the rim two of them can share a row.
        for (int k : RidgeOrder) {
            const double theta = (turn + k * 15.0) * M_PI / 180.0;
            if (std::cos(theta) <= 0.05)
                continue;
            const int y = static_cast<int>(std::floor(radius + radius * std::sin(theta)));
            const double light = std::cos(theta);
            const bool mark = k == 0;
            p.setPen(mark ? Mix(QColor(70, 40, 8), Palette::Accent, light)
                          : Mix(QColor(10, 10, 11), QColor(150, 155, 165), light * 0.8));
            p.drawLine(mark ? 1 : 2, y, mark ? w - 2 : w - 3, y);
        }
        p.end();
        cells.push_back(cell);
    }
    return JoinCells(cells);
}

QImage PaintThumb(const VxSkin::TSkinStrip& size, const QColor& line, bool vertical) {
    const int width = size.Width;
    const int height = size.Height;
    QImage thumb = NewImage(width, height, Palette::Shadow);
    QPainter p(&thumb);
    QLinearGradient fill(0, 0, vertical ? 0 : width, vertical ? height : 0);
    fill.setColorAt(0, QColor(150, 154, 162));
    fill.setColorAt(0.5, QColor(104, 108, 116));
    fill.setColorAt(1, QColor(62, 65, 71));
    p.fillRect(1, 1, width - 2, height - 2, fill);
    p.setPen(QColor(196, 200, 208));
    p.drawLine(1, 1, width - 2, 1);
    p.drawLine(1, 1, 1, height - 2);
    // Grip lines across the cap and the index line in its middle.
    p.setPen(QColor(52, 54, 60));
    if (vertical) {
        p.drawLine(2, height / 2 - 3, width - 3, height / 2 - 3);
        p.drawLine(2, height / 2 + 3, width - 3, height / 2 + 3);
        p.fillRect(1, height / 2 - 1, width - 2, 3, Palette::Shadow);
        p.fillRect(1, height / 2, width - 2, 1, line);
    } else {
        p.drawLine(width / 2 - 3, 2, width / 2 - 3, height - 3);
        p.drawLine(width / 2 + 3, 2, width / 2 + 3, height - 3);
        p.fillRect(width / 2 - 1, 1, 3, height - 2, Palette::Shadow);
        p.fillRect(width / 2, 1, 1, height - 2, line);
    }
    return thumb;
}

} // namespace VxSkinPaint
