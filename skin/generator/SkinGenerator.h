// Draws every picture of the skin. Needs a running QGuiApplication (the
// message and title fonts are rasterised from the DejaVu fonts of the
// system); the same inputs always give the same pixels.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace VxSkinPaint {

struct TSkinPicture {
    QString Name; // file name without ".png"
    QImage Image;
};

std::vector<TSkinPicture> GenerateSkin();

} // namespace VxSkinPaint
