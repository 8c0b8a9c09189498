// The painters of the skin's pictures. Each returns a finished strip; cells
// that sit on the deck are drawn over a copy of the deck picture at their
// box, so their corners blend exactly with the panel around them.
#pragma once

#include "skin/SkinFiles.h"
#include "skin/generator/SkinGenerator.h"

#include <QImage>
#include <vector>

namespace VxSkinPaint {

// The whole deck below the title bar in window coordinates (384 x 223; rows
// above 20 are unused), and the title bar in both looks.
QImage PaintDeck();
QImage PaintTitleBar(bool active);
QImage PaintSysMenu(const QImage& titleBar);

// Every button strip of the deck and the title bar; each key is drawn over
// the picture under its box.
void PaintButtons(const QImage& deck, const QImage& activeTitleBar, std::vector<TSkinPicture>& out);

QImage PaintKnobStrip(const QImage& base, unsigned frames, const QColor& body,
                      const QColor& pointer);
QImage PaintTouchBendStrip(const QImage& base, unsigned frames);
QImage PaintThumb(const VxSkin::TSkinStrip& size, const QColor& line, bool vertical);
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

// The playlist panel's footer and scroll bar.
void PaintPlaylistPanel(std::vector<TSkinPicture>& out);

} // namespace VxSkinPaint
