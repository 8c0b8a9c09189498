// Shared helpers of the control tests: strips made in memory, a small PNG
// writer, synthetic mouse events and rendering a control into an image.
#pragma once

#include "controls/ZylColor.h"
#include "controls/ZylPngImage.h"

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

namespace zyltest {

// An opaque image whose pixel (x, y) has the colour picker(x, y).
template <typename Picker> TZylPngImage MakeImage(int width, int height, Picker picker) {
    TZylPngImage image;
    image.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.SetPixel(x, y, picker(x, y));
        }
    }
    return image;
}
TZylPngImage MakeSolid(int width, int height, TZylColor color);
// Cells of `cellWidth` x `height`, cell i filled with colors[i].
TZylPngImage MakeCells(int cellWidth, int height, const std::vector<TZylColor>& colors);

// A PNG file: 8-bit palette image (one palette index per pixel) with
// optional per-entry alpha (a tRNS chunk).
std::string EncodePalettePng(int width, int height, const std::vector<TZylColor>& palette,
                             const std::vector<std::uint8_t>& alpha,
                             const std::vector<std::uint8_t>& indices);
// A PNG file with 8-bit RGBA pixels given as 0xAABBGGRR.
std::string EncodeRgbaPng(int width, int height, const std::vector<std::uint32_t>& pixels);

// The colour of a rendered pixel as 0x00BBGGRR.
TZylColor PixelAt(const QImage& image, int x, int y);
// Renders the widget alone onto a background of `background`.
QImage Render(QWidget& widget, TZylColor background = ZylRGB(1, 2, 3));

void Press(QWidget& widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void DoublePress(QWidget& widget, QPoint pos);
void Release(QWidget& widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Move(QWidget& widget, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void Enter(QWidget& widget);
void Leave(QWidget& widget);

} // namespace zyltest
