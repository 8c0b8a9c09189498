// The options dialog's group for what the deck does with each song's
// analysis: level songs to one loudness, and cue them where their music
// starts. It fills itself from the configuration record and stores back
// into it; the dialog only places it and shows its hints.
#pragma once

#include "frontend/config/GlobalConfig.h"

#include <QGroupBox>
#include <QString>

#include <utility>
#include <vector>

class QCheckBox;
class QSpinBox;

class TCfgLevelGroup : public QGroupBox {
public:
    TCfgLevelGroup();

    void FillFrom(const TGlobalConfigTAG& config);
    void StoreInto(TGlobalConfigTAG& config) const;
    // Each control with the hint it shows.
    std::vector<std::pair<QWidget*, QString>> Hints() const;

    QCheckBox* chkLevelSongs = nullptr;
    QSpinBox* TargetLoudness = nullptr;
    QCheckBox* chkAutoCue = nullptr;
};
