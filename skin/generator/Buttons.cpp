// Push buttons: every key of the deck and of the title bar, released and
// pressed, with their lamps off and on.
#include "skin/DeckLayout.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

#include <QPainter>
#include <algorithm>
#include <functional>

namespace VxSkinPaint {

namespace {

using namespace VxDeck;

QColor Lighter(const QColor& c, double t) {
    return Mix(c, Qt::white, t);
}
QColor Darker(const QColor& c, double t) {
    return Mix(c, Qt::black, t);
}

const QColor TitleKey{72, 75, 82};
const QColor DeckKey{60, 62, 68};
const QColor LampAmber{255, 168, 40};
const QColor LampGreen{96, 255, 120};

// Paints a key's face into `face` (shifted down a pixel when pressed).
using TFacePainter = std::function<void(QImage& cell, const QRect& face, bool pressed)>;

// Solid pixel triangle pointing left (direction -1) or right (+1), its tip
// at (tipX, centreY), `half` rows above and below the centre.
void FillTriangle(QImage& image, int tipX, int centreY, int half, int direction,
                  const QColor& colour) {
    QPainter p(&image);
    for (int i = 0; i <= half; ++i)
        p.fillRect(tipX - direction * i, centreY - i, 1, 2 * i + 1, colour);
}

// A key over `base` (the panel under it): a dark rim, a body lit from above
// (darker and sunk when pressed) and its face.
QImage PaintKey(const QImage& base, bool pressed, const QColor& body, const TFacePainter& face) {
    QImage cell = base.convertToFormat(QImage::Format_RGB32);
    const int w = cell.width();
    const int h = cell.height();
    const double radius = std::min(3.0, h / 4.0);
    {
        QPainter p(&cell);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::Shadow);
        p.drawRoundedRect(QRectF(0, 0, w, h), radius, radius);
        QLinearGradient fill(0, 1, 0, h - 1);
        fill.setColorAt(0, pressed ? Darker(body, 0.28) : Lighter(body, 0.16));
        fill.setColorAt(1, pressed ? Darker(body, 0.08) : Darker(body, 0.22));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), radius - 1, radius - 1);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(pressed ? Darker(body, 0.55) : Lighter(body, 0.34));
        p.drawLine(2, 1, w - 3, 1);
    }
    face(cell, QRect(2, pressed ? 3 : 2, w - 4, h - 4), pressed);
    return cell;
}

QImage PaintKeyStrip(const QImage& base, int statuses, const QColor& body,
                     const std::function<TFacePainter(int status)>& faceOfStatus) {
    std::vector<QImage> cells;
    for (int status = 0; status < statuses; ++status) {
        const TFacePainter face = faceOfStatus(status);
        cells.push_back(PaintKey(base, false, body, face));
        cells.push_back(PaintKey(base, true, body, face));
    }
    return JoinCells(cells);
}

QColor LegendColour(bool pressed) {
    return pressed ? Palette::LegendDim : Palette::Legend;
}

// A horizontal lamp lens, lit or dark, in the given hue.
void PaintLamp(QImage& cell, const QRect& lens, bool lit, const QColor& hue) {
    QPainter p(&cell);
    // A lit lens glows into its rim.
    p.fillRect(lens.adjusted(-1, -1, 1, 1), lit ? Mix(hue, Palette::Shadow, 0.5) : Palette::Shadow);
    if (lit) {
        p.fillRect(lens, hue);
        p.fillRect(lens.left(), lens.top(), lens.width(), 1, Lighter(hue, 0.55));
    } else {
        p.fillRect(lens, Mix(Darker(hue, 0.78), Palette::Shadow, 0.3));
        p.fillRect(lens.left(), lens.top(), lens.width(), 1, Darker(hue, 0.62));
    }
}

TFacePainter LegendFace(const char* text, int scale = 1) {
    return [text, scale](QImage& cell, const QRect& face, bool pressed) {
        const int y = face.top() + (face.height() - 5 * scale + 1) / 2;
        DrawLegendCentred(cell, face.left() + face.width() / 2, y, text, LegendColour(pressed),
                          scale);
    };
}

// Two triangles side by side, optionally with a bar at their tips (track
// buttons) - the usual transport symbols.
TFacePainter ArrowsFace(int direction, bool bar) {
    return [direction, bar](QImage& cell, const QRect& face, bool pressed) {
        const QColor colour = LegendColour(pressed);
        const int half = 4;
        const int cx = face.left() + face.width() / 2;
        const int cy = face.top() + face.height() / 2;
        const int width = 2 * (half + 1) + (bar ? 3 : 0);
        const int left = cx - width / 2;
        const int firstTip = direction > 0 ? left + half : left + (bar ? 3 : 0);
        FillTriangle(cell, firstTip, cy, half, direction, colour);
        FillTriangle(cell, firstTip + half + 1, cy, half, direction, colour);
        if (bar) {
            QPainter p(&cell);
            const int x = direction > 0 ? left + width - 2 : left;
            p.fillRect(x, cy - half, 2, 2 * half + 1, colour);
        }
    };
}

// A mode key: a small lamp over a one-letter legend.
TFacePainter ModeFace(const char* text, bool lit) {
    return [text, lit](QImage& cell, const QRect& face, bool pressed) {
        PaintLamp(cell, QRect(face.left() + face.width() / 2 - 3, face.top() + 2, 6, 2), lit,
                  LampGreen);
        DrawLegendCentred(cell, face.left() + face.width() / 2, face.top() + 8, text,
                          LegendColour(pressed));
    };
}

TFacePainter BigFace(const char* legend, const QColor& hue, bool lit, bool playSymbol) {
    return [=](QImage& cell, const QRect& face, bool pressed) {
        const int cx = face.left() + face.width() / 2;
        PaintLamp(cell, QRect(cx - 14, face.top() + 4, 28, 3), lit, hue);
        const QColor ink = lit ? hue : LegendColour(pressed);
        if (playSymbol) {
            FillTriangle(cell, cx - 2, face.top() + 18, 6, 1, ink);
            QPainter p(&cell);
            p.fillRect(cx + 2, face.top() + 12, 3, 13, ink);
            p.fillRect(cx + 7, face.top() + 12, 3, 13, ink);
            p.end();
            DrawLegendCentred(cell, cx, face.top() + 30, legend, ink);
        } else {
            DrawLegendCentred(cell, cx, face.top() + 14, legend, ink, 2);
        }
    };
}

TFacePainter ConfigFace() {
    return [](QImage& cell, const QRect& face, bool pressed) {
        QPainter p(&cell);
        const QColor colour = LegendColour(pressed);
        const int knobs[] = {4, 9, 6};
        for (int i = 0; i < 3; ++i) {
            const int y = face.top() + 1 + 2 * i;
            p.fillRect(face.left() + 2, y, face.width() - 4, 1, Palette::LegendDim);
            p.fillRect(face.left() + knobs[i], y, 2, 1, colour);
        }
    };
}

TFacePainter MinimizeFace() {
    return [](QImage& cell, const QRect& face, bool pressed) {
        QPainter p(&cell);
        p.fillRect(face.left() + 2, face.bottom() - 2, face.width() - 4, 2, LegendColour(pressed));
    };
}

TFacePainter CloseFace() {
    return [](QImage& cell, const QRect& face, bool pressed) {
        const QColor colour = pressed ? QColor(180, 70, 60) : QColor(236, 96, 80);
        for (int i = 0; i < 5; ++i) {
            cell.setPixelColor(face.left() + 2 + i, face.top() + 2 + i, colour);
            cell.setPixelColor(face.left() + 6 - i, face.top() + 2 + i, colour);
        }
    };
}

TFacePainter HelpFace(bool lit) {
    return [lit](QImage& cell, const QRect& face, bool pressed) {
        DrawLegendCentred(cell, face.left() + face.width() / 2, face.top() + 2, "?",
                          lit ? LampGreen : LegendColour(pressed));
    };
}

TFacePainter EjectFace() {
    return [](QImage& cell, const QRect& face, bool pressed) {
        const QColor colour = LegendColour(pressed);
        const int cx = face.left() + face.width() / 2;
        const int top = face.top() + 6;
        QPainter p(&cell);
        for (int i = 0; i < 6; ++i)
            p.fillRect(cx - i, top + i, 2 * i + 1, 1, colour);
        p.fillRect(cx - 5, top + 8, 11, 2, colour);
    };
}

} // namespace

void PaintButtons(const QImage& deck, const QImage& activeTitleBar,
                  std::vector<TSkinPicture>& out) {
    auto one = [](TFacePainter face) { return [face](int) { return face; }; };
    auto add = [&](const char* name, const QImage& source, const TDeckBox& box, int statuses,
                   const QColor& body, const std::function<TFacePainter(int)>& faces) {
        out.push_back({name, PaintKeyStrip(CropBox(source, box), statuses, body, faces)});
    };
    add("BtnConfig", activeTitleBar, btnConfig, 1, TitleKey, one(ConfigFace()));
    add("BtnHelp", activeTitleBar, btnHelp, 2, TitleKey, [](int s) { return HelpFace(s == 1); });
    add("BtnMinimize", activeTitleBar, btnMinimize, 1, TitleKey, one(MinimizeFace()));
    add("BtnClose", activeTitleBar, btnClose, 1, TitleKey, one(CloseFace()));

    add("BtnMute", deck, btnMute, 1, DeckKey, one(LegendFace("MUTE")));
    add("BtnOpen", deck, btnOpen, 1, DeckKey, one(EjectFace()));
    add("BtnAux1", deck, btnAux1, 1, DeckKey, one(ModeFace("1", false)));
    add("BtnAux2", deck, btnAux2, 1, DeckKey, one(ModeFace("2", false)));
    add("BtnRealTime", deck, btnRealTime, 2, DeckKey, [](int s) { return ModeFace("R", s == 1); });
    add("BtnTime", deck, btnTime, 2, DeckKey, [](int s) { return ModeFace("T", s == 1); });

    add("BtnPrev", deck, btnPrev, 1, DeckKey, one(ArrowsFace(-1, true)));
    add("BtnNext", deck, btnNext, 1, DeckKey, one(ArrowsFace(1, true)));
    add("BtnRW", deck, btnRW, 1, DeckKey, one(ArrowsFace(-1, false)));
    add("BtnFF", deck, btnFF, 1, DeckKey, one(ArrowsFace(1, false)));
    add("BtnCUE", deck, btnCUE, 2, DeckKey,
        [](int s) { return BigFace("CUE", LampAmber, s == 1, false); });
    add("BtnPlay", deck, btnPlay, 2, DeckKey,
        [](int s) { return BigFace("PLAY", LampGreen, s == 1, true); });
    add("BtnSlow", deck, btnSlow, 1, DeckKey, one(LegendFace("-", 2)));
    add("BtnFast", deck, btnFast, 1, DeckKey, one(LegendFace("+", 2)));
    add("BtnKeyLock", deck, btnKeyLock, 2, DeckKey, [](int s) { return ModeFace("KEY", s == 1); });
}

} // namespace VxSkinPaint
