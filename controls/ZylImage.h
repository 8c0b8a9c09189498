// The plain skinned image: backgrounds, the title bar, LEDs, click areas.
#pragma once

#include "controls/ZylControl.h"

#include <QRegion>

#include <cstdint>

class TZylImage : public TZylControl {
public:
    explicit TZylImage(QWidget* parent = nullptr);

    // The opaque area of the current cell in the parent's coordinates (see
    // TZylImageList::GetRegion); empty without an image list.
    QRegion GetRegion(TZylColor transparent, std::int32_t from = -1, std::int32_t to = -1) const;
};
