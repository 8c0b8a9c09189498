// LED cells of the level meter, the progress bar and the pitch lamp.
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>

namespace VxSkinPaint {

namespace {

// The four cells of an LED strip (red off, red on, normal off, normal on).
// Each LED's far edge, the bottom row of a horizontal one or the right
// column of a vertical one, is a shade darker.
QImage LedStrip(int width, int height, const QColor (&colours)[4]) {
    const bool horizontal = width > height;
    std::vector<QImage> cells;
    for (const QColor& colour : colours) {
        QImage cell = NewImage(width, height, colour);
        QPainter p(&cell);
        const QColor rim = Mix(colour, Qt::black, 0.35);
        if (horizontal)
            p.fillRect(0, height - 1, width, 1, rim);
        else
            p.fillRect(width - 1, 0, 1, height, rim);
        p.end();
        cells.push_back(cell);
    }
    return JoinCells(cells);
}

} // namespace

QImage PaintVuLeds() {
    const QColor colours[4] = {{70, 18, 14}, {255, 64, 40}, {20, 58, 26}, {104, 255, 120}};
    return LedStrip(8, 2, colours);
}

QImage PaintProgressLeds() {
    const QColor colours[4] = {{74, 34, 40}, {255, 84, 56}, {40, 74, 104}, {96, 214, 255}};
    return LedStrip(2, 8, colours);
}

QImage PaintPitchLed(const QImage& base) {
    std::vector<QImage> cells;
    for (bool lit : {false, true}) {
        QImage cell = base.convertToFormat(QImage::Format_RGB32);
        QPainter p(&cell);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::Shadow);
        p.drawRoundedRect(QRectF(0, 0, cell.width(), cell.height()), 3, 3);
        QLinearGradient lens(0, 1, 0, cell.height() - 1);
        lens.setColorAt(0, lit ? QColor(200, 255, 200) : QColor(40, 72, 44));
        lens.setColorAt(0.45, lit ? QColor(90, 250, 110) : QColor(22, 48, 26));
        lens.setColorAt(1, lit ? QColor(40, 170, 60) : QColor(14, 30, 16));
        p.setBrush(lens);
        p.drawRoundedRect(QRectF(1, 1, cell.width() - 2, cell.height() - 2), 2, 2);
        cells.push_back(cell);
    }
    return JoinCells(cells);
}

} // namespace VxSkinPaint
