#include "controls/ZylImage.h"

#include "controls/ZylImageList.h"

TZylImage::TZylImage(QWidget* parent) : TZylControl(parent) {
    SetInitialSize(105, 105);
    SetAutoSize(true);
    SetDoubleClicks(true);
}

QRegion TZylImage::GetRegion(TZylColor transparent, std::int32_t from, std::int32_t to) const {
    if (!GetImages()) {
        return {};
    }
    return GetImages()
        ->GetRegion(unsigned(GetImageIndex()), transparent, from, to)
        .translated(GetLeft(), GetTop());
}
