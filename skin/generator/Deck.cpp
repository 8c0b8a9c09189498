// The deck's panel: sections, wells, slots, scales, legends and the logo.
#include "skin/DeckLayout.h"
#include "skin/SkinFiles.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace VxSkinPaint {

namespace {

using namespace VxDeck;

void PaintSection(QImage& deck, const QRect& rect) {
    FillGrain(deck, rect, Palette::Plate, 3);
    Engrave(deck, rect);
}

// A fader slot: a flat strip (the thumb blends with it anywhere along the
// travel) with a dark groove along its middle.
void PaintSlot(QImage& deck, const TDeckBox& box, bool vertical, int thumbLength) {
    QPainter p(&deck);
    p.fillRect(ToRect(box), Palette::Plate);
    p.end();
    const int margin = thumbLength / 2;
    QRect groove =
        vertical
            ? QRect(box.Left + box.Width / 2 - 1, box.Top + margin, 3, box.Height - 2 * margin)
            : QRect(box.Left + margin, box.Top + box.Height / 2 - 1, box.Width - 2 * margin, 3);
    Well(deck, groove.adjusted(1, 1, -1, -1), Palette::Slot);
}

void PaintTicks(QImage& deck, int x, int top, int count, int step, int length,
                const QColor& colour) {
    QPainter p(&deck);
    p.setPen(colour);
    for (int i = 0; i < count; ++i)
        p.drawLine(x, top + i * step, x + length - 1, top + i * step);
}

void PaintLevels(QImage& deck) {
    PaintSection(deck, QRect(4, 23, 74, 153));
    // The meter's LEDs sit in a black well.
    Well(deck, ToRect(VMetter).adjusted(-1, -1, 1, 1), Qt::black);
    DrawLegendCentred(deck, VMetter.Left + 4, 27, "L", Palette::Legend);
    DrawLegendCentred(deck, VMetter.Right() - 4, 27, "R", Palette::Legend);
    // Scale beside the meter on its 0..100 range: a mark every 10 units at
    // the LED that level lights (the meter's own rounding), red above 75.
    const int ledStep = VxSkin::LedVU.Height + 1;
    const int leds = (VMetter.Height + 1) / ledStep;
    QPainter p(&deck);
    for (int level = 0; level <= 100; level += 10) {
        const int led = std::max(level * (leds + 1) / 101, 1);
        const int y = VMetter.Top + (leds - led) * ledStep;
        p.setPen(level > 75 ? QColor(220, 64, 48) : Palette::LegendDim);
        const int length = level % 50 == 0 ? 4 : 2;
        p.drawLine(VMetter.Left - 3 - length, y, VMetter.Left - 3, y);
    }
    p.end();

    // Balance knob: a ring of dots over its 270-degree travel.
    const double cx = Balance.Left + Balance.Width / 2.0;
    const double cy = Balance.Top + Balance.Height / 2.0;
    for (int i = 0; i <= 10; ++i) {
        const double angle = (-135.0 + 27.0 * i) * M_PI / 180.0;
        const int x = static_cast<int>(std::floor(cx + 12.5 * std::sin(angle)));
        const int y = static_cast<int>(std::floor(cy - 12.5 * std::cos(angle)));
        deck.setPixelColor(x, y, i == 5 ? Palette::Accent : Palette::Legend);
    }
    DrawLegend(deck, Balance.Left - 6, Balance.Bottom() - 2, "L", Palette::LegendDim);
    DrawLegend(deck, Balance.Right() + 3, Balance.Bottom() - 2, "R", Palette::LegendDim);

    DrawLegendCentred(deck, Volume.Left + Volume.Width / 2, 61, "VOL", Palette::Legend);
    PaintSlot(deck, Volume, true, VxSkin::ThumbVolume.Height);
    PaintTicks(deck, Volume.Right() + 2, Volume.Top + 6, 10, 8, 3, Palette::LegendDim);
    PaintTicks(deck, Volume.Left - 5, Volume.Top + 6, 10, 8, 3, Palette::LegendDim);
}

void PaintLogo(QImage& deck) {
    PaintSection(deck, QRect(4, 178, 74, 42));
    const QRect logo = ToRect(imgLogoClick);
    // A stylised waveform crossing a bold V.
    QPainter p(&deck);
    p.setRenderHint(QPainter::Antialiasing);
    QPen stroke(Palette::Accent, 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(stroke);
    const double top = logo.top() + 5.0;
    const double mid = logo.left() + logo.width() / 2.0;
    p.drawLine(QPointF(mid - 11, top), QPointF(mid, top + 20));
    p.drawLine(QPointF(mid, top + 20), QPointF(mid + 11, top));
    QPen wave(QColor(236, 240, 246), 1.2);
    p.setPen(wave);
    QPointF last(logo.left() + 3.0, top + 10);
    for (int x = 4; x <= logo.width() - 4; ++x) {
        const double t = (x - 4.0) / (logo.width() - 8.0);
        const double y = top + 10 - 7.0 * std::sin(t * 3 * M_PI) * std::sin(t * M_PI);
        const QPointF next(logo.left() + x, y);
        p.drawLine(last, next);
        last = next;
    }
    p.end();
    // The wordmark in two tones: the lit half in the accent.
    const int wordLeft = logo.left() + (logo.width() - LegendWidth("VEXALINE")) / 2;
    DrawLegend(deck, wordLeft, logo.bottom() - 6, "VEXA", Palette::Accent);
    DrawLegend(deck, wordLeft + LegendWidth("VEXA") + 1, logo.bottom() - 6, "LINE",
               QColor(236, 240, 246));
}

void PaintDisplays(QImage& deck) {
    PaintSection(deck, QRect(80, 23, 242, 100));
    DrawLegend(deck, btnOpen.Right() + 4, btnOpen.Top + 8, "OPEN", Palette::Legend);
    DrawLegend(deck, btnOpen.Right() + 4, btnOpen.Top + 15, "EJECT", Palette::LegendDim);

    Well(deck, ToRect(LcdTrackPanel), Palette::LcdBack);
    DrawLegendCentred(deck, LcdTrackPanel.Left + LcdTrackPanel.Width / 2, LcdTrackPanel.Top - 7,
                      "TRACK", Palette::Legend);
    // Vents under the track display.
    for (int y = LcdTrackPanel.Bottom() + 6; y < 121; y += 4)
        Well(deck, QRect(LcdTrackPanel.Left + 4, y, LcdTrackPanel.Width - 8, 1), Palette::Shadow);

    Well(deck, ToRect(LcdMainPanel), Palette::LcdBack);
    QPainter p(&deck);
    p.setPen(Mix(Palette::LcdBack, Palette::LcdLit, 0.08));
    p.drawLine(LcdMainPanel.Left, LcdMainPanel.Top, LcdMainPanel.Right() - 1, LcdMainPanel.Top);
    const int rule = LabelMessage1.Top - 4;
    p.setPen(Palette::LcdDim);
    p.drawLine(LcdMainPanel.Left + 3, rule, LcdMainPanel.Right() - 4, rule);
    p.end();
    DrawLegend(deck, LcdMainPanel.Left + 3, LabelTimeMMSS.Top + 2, "TIME", Palette::LcdLegend);
    DrawLegend(deck, LabelTimeCS.Left, LabelTimeMMSS.Top + 2, "1/100", Palette::LcdLegend);
    DrawLegend(deck, LabelValue.Left, LabelValue.Top - 7, "VALUE", Palette::LcdLegend);
    DrawLegend(deck, LabelPitch.Left, LabelPitch.Top - 7, "PITCH %", Palette::LcdLegend);

    DrawLegendCentred(deck, btnAux1.Left + btnAux1.Width / 2, btnTime.Bottom() + 2, "MODE",
                      Palette::LegendDim);
}

void PaintTransport(QImage& deck) {
    PaintSection(deck, QRect(80, 124, 242, 96));
    const int legendY = btnCUE.Bottom() + 2;
    DrawLegendCentred(deck, (btnPrev.Left + btnNext.Right()) / 2, legendY, "TRACK",
                      Palette::Legend);
    DrawLegendCentred(deck, (btnRW.Left + btnFF.Right()) / 2, legendY, "SEARCH", Palette::Legend);
    DrawLegend(deck, btnPrev.Left, btnCUE.Top + 2, "TRANSPORT", Palette::LegendDim);
    PaintSlot(deck, Position, false, VxSkin::ThumbPosition.Width);
    Well(deck, ToRect(Progress), Palette::ProgressWell);
}

void PaintPitch(QImage& deck) {
    PaintSection(deck, QRect(323, 23, 58, 197));
    DrawLegendCentred(deck, Pitch.Left + Pitch.Width / 2, 48, "PITCH", Palette::Legend);
    PaintSlot(deck, Pitch, true, VxSkin::ThumbPitch.Height);
    // Marks every 4 % of the default 16 % range; the zero mark is long.
    const int first = Pitch.Top + 6;
    const int travel = Pitch.Height - VxSkin::ThumbPitch.Height;
    QPainter p(&deck);
    for (int i = 0; i <= 8; ++i) {
        const int y = first + travel * i / 8;
        p.setPen(i == 4 ? Palette::Accent : Palette::LegendDim);
        p.drawLine(Pitch.Right() + 1, y, Pitch.Right() + (i == 4 ? 5 : 3), y);
    }
    p.end();
    DrawLegend(deck, Pitch.Right() + 2, Pitch.Top - 1, "-", Palette::Legend);
    DrawLegend(deck, Pitch.Right() + 2, Pitch.Bottom() - 5, "+", Palette::Legend);

    Well(deck, ToRect(TouchBend), Qt::black);
    DrawLegendCentred(deck, TouchBend.Left + TouchBend.Width / 2, TouchBend.Bottom() + 4, "BEND",
                      Palette::Legend);
    DrawLegendCentred(deck, LedPitch.Left + LedPitch.Width / 2, LedPitch.Top - 8, "ZERO",
                      Palette::LegendDim);
}

} // namespace

QImage PaintDeck() {
    QImage deck = NewImage(WindowWidth, WindowHeight, Palette::Panel);
    FillGrain(deck, QRect(0, 20, WindowWidth, WindowHeight - 20), Palette::Panel, 3);
    Bevel(deck, QRect(0, 20, WindowWidth, WindowHeight - 20), Palette::Highlight, Palette::Shadow);
    PaintLevels(deck);
    PaintLogo(deck);
    PaintDisplays(deck);
    PaintTransport(deck);
    PaintPitch(deck);
    return deck;
}

QImage PaintTitleBar(bool active) {
    QImage bar = NewImage(TitleBar.Width, TitleBar.Height, Palette::Panel);
    QPainter p(&bar);
    for (int y = 0; y < bar.height(); ++y)
        p.fillRect(0, y, bar.width(), 1, Mix(QColor(66, 69, 75), QColor(34, 35, 39), y / 19.0));
    p.setPen(QColor(96, 100, 108));
    p.drawLine(0, 0, bar.width() - 1, 0);
    p.setPen(active ? Palette::Accent : Palette::Shadow);
    p.drawLine(0, bar.height() - 1, bar.width() - 1, bar.height() - 1);
    // The caption sits in a recessed strip; the active window lights it.
    const QRect strip(Title.Left - 3, Title.Top - 1, Title.Width + 5, Title.Height + 2);
    p.fillRect(strip, active ? QColor(30, 34, 40) : QColor(24, 25, 28));
    p.end();
    Bevel(bar, strip.adjusted(-1, -1, 1, 1), Palette::Shadow, QColor(88, 92, 100));
    return bar;
}

QImage PaintSysMenu(const QImage& titleBar) {
    QImage icon = titleBar.copy(ToRect(SysMenu));
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 25, 28));
    p.drawRoundedRect(QRectF(0.5, 0.5, icon.width() - 1.0, icon.height() - 1.0), 3, 3);
    QPen stroke(Palette::Accent, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(stroke);
    p.drawLine(QPointF(7.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 12.5), QPointF(17.5, 3.5));
    p.setPen(QPen(QColor(236, 240, 246), 1.0));
    p.drawLine(QPointF(3.5, 8.0), QPointF(6.5, 8.0));
    p.drawLine(QPointF(18.5, 8.0), QPointF(21.5, 8.0));
    return icon;
}

} // namespace VxSkinPaint
