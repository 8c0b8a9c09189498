// The playlist panel's pictures: a footer plate with a grip for dragging the
// panel's lower edge, and a thin scroll bar (track and thumb).
#include "skin/SkinFiles.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>

namespace VxSkinPaint {

namespace {

// The list's own background colour (0x00BBGGRR), which the track sinks into.
const QColor ListBack = FromColorRef(5257499);

QImage PaintFooter() {
    const VxSkin::TSkinStrip& strip = VxSkin::PanelFooter;
    QImage footer = NewImage(strip.Width, strip.Height, Palette::Panel);
    FillGrain(footer, footer.rect(), Palette::Plate, 3);
    Bevel(footer, footer.rect(), Palette::Highlight, Palette::Shadow);
    // The grip: two rows of raised dots at the right end.
    for (int row = 0; row < 2; ++row)
        for (int dot = 0; dot < 6; ++dot) {
            const int x = strip.Width - 40 + dot * 5;
            const int y = 5 + row * 4;
            footer.setPixelColor(x, y, Palette::Highlight);
            footer.setPixelColor(x + 1, y + 1, Palette::Shadow);
        }
    return footer;
}

// A rounded bar over the list's background; the thumb has a lit edge.
QImage PaintScrollPart(const VxSkin::TSkinStrip& strip, const QColor& fill, const QColor& rim,
                       bool litEdge) {
    QImage part = NewImage(strip.Width, strip.Height, ListBack);
    QPainter p(&part);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(rim.isValid() ? QPen(rim, 1) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 0.5, strip.Width - 3, strip.Height - 1), 2.5, 2.5);
    if (litEdge) {
        p.setPen(QPen(Mix(Palette::Accent, Qt::white, 0.4), 1));
        p.drawLine(QPointF(3, 3), QPointF(3, strip.Height - 4));
    }
    return part;
}

} // namespace

void PaintPlaylistPanel(std::vector<TSkinPicture>& out) {
    out.push_back({"PanelFooter", PaintFooter()});
    out.push_back(
        {"PanelScrollTrack", PaintScrollPart(VxSkin::PanelScrollTrack,
                                             Mix(ListBack, Palette::Slot, 0.55), QColor(), false)});
    out.push_back(
        {"PanelScrollThumb",
         PaintScrollPart(VxSkin::PanelScrollThumb, Mix(Palette::Accent, Palette::Plate, 0.35),
                         Mix(Palette::Accent, Palette::Shadow, 0.35), true)});
}

} // namespace VxSkinPaint
