// Shared helpers of the skin tests (which run inside one QGuiApplication):
// the embedded pictures, cutting a font strip by its blue separator columns,
// and measuring text in a font.
#pragma once

#include "skin/SkinFiles.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <string>
#include <vector>

namespace SkinTest {

// The pixel of a 0x00BBGGRR colour value.
QRgb FromColorRef(std::uint32_t bgr);

QImage LoadEmbedded(const VxSkin::TSkinStrip& strip);

// Cells of a strip cut by bound colour: a column whose top pixel is pure
// blue separates cells; a cell ends at the first blue pixel of its first
// column.
std::vector<QRect> CutByBoundColour(const QImage& strip);

// Width of `text` drawn with the font strip (characters missing from the
// character set draw cell 0), glyphs side by side without spacing.
int TextWidth(const std::vector<QRect>& cells, const std::string& charSet, const std::string& text);

} // namespace SkinTest
