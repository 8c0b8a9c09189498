// The painters of the skin's pictures. Each returns a finished strip; cells
// that sit on the deck are drawn over a copy of the deck picture at their
// box, so their corners blend exactly with the panel around them.
#pragma once

#include "skin/generator/SkinGenerator.h"

#include <QImage>
#include <functional>
#include <vector>

class QPainter;

namespace VxSkinPaint {

// The whole deck below the title bar in window coordinates (384 x 223; rows
// above 20 are unused), and the title bar in both looks.
QImage PaintDeck();
QImage PaintTitleBar(bool active);
QImage PaintSysMenu(const QImage& titleBar);

// A key drawn over `base` (the panel under it): released or pressed, with
// the face painted by `face` into the face rectangle (already shifted when
// pressed).
using TFacePainter = std::function<void(QImage& cell, const QRect& face, bool pressed)>;
QImage PaintKey(const QImage& base, bool pressed, const QColor& body, const TFacePainter& face);
// Both cells of each status s (released, pressed) in strip order.
QImage PaintKeyStrip(const QImage& base, int statuses, const QColor& body,
                     const std::function<TFacePainter(int status)>& faceOfStatus);
// Every button strip of the deck and the title bar.
void PaintButtons(const QImage& deck, const QImage& activeTitleBar, std::vector<TSkinPicture>& out);

// Solid pixel triangle pointing left (direction -1) or right (+1), its tip
// at (tipX, centreY), `half` rows above and below the centre.
void FillTriangle(QImage& image, int tipX, int centreY, int half, int direction,
                  const QColor& colour);

QImage PaintKnobStrip(const QImage& base, int frames, const QColor& body, const QColor& pointer);
QImage PaintTouchBendStrip(const QImage& base, int frames);
QImage PaintThumb(int width, int height, const QColor& line, bool vertical);
QImage PaintVuLeds();
QImage PaintProgressLeds();
QImage PaintPitchLed(const QImage& base);

QImage PaintLcdBigFont();
QImage PaintLcdSmallFont();
// The proportional fonts need a running QGuiApplication.
QImage PaintMessageFont();
QImage PaintTitleFont();

QImage PaintHandCursor();
QImage PaintAbout();

} // namespace VxSkinPaint
