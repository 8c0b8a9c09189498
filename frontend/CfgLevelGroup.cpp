#include "frontend/CfgLevelGroup.h"

#include "frontend/VxLevelAndCue.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

TCfgLevelGroup::TCfgLevelGroup() : QGroupBox(QStringLiteral("Loudness and cue")) {
    setObjectName(QStringLiteral("LevelGroup"));
    chkLevelSongs = new QCheckBox(QStringLiteral("Level songs to the same loudness"));
    chkLevelSongs->setObjectName(QStringLiteral("chkLevelSongs"));
    TargetLoudness = new QSpinBox;
    TargetLoudness->setObjectName(QStringLiteral("TargetLoudness"));
    TargetLoudness->setRange(kVxQuietestTargetLufs, kVxLoudestTargetLufs);
    TargetLoudness->setSuffix(QStringLiteral(" LUFS"));
    TargetLoudness->setValue(static_cast<int>(kVxDefaultTargetLufs));
    TargetLoudness->setEnabled(false);
    auto* label = new QLabel(QStringLiteral("Target loudness:"));
    label->setBuddy(TargetLoudness);
    chkAutoCue = new QCheckBox(QStringLiteral("Cue to where the music starts"));
    chkAutoCue->setObjectName(QStringLiteral("chkAutoCue"));
    connect(chkLevelSongs, &QCheckBox::toggled, TargetLoudness, &QSpinBox::setEnabled);

    auto* target = new QHBoxLayout;
    target->addWidget(label);
    target->addWidget(TargetLoudness);
    target->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(2);
    layout->addWidget(chkLevelSongs);
    layout->addLayout(target);
    layout->addWidget(chkAutoCue);
}

void TCfgLevelGroup::FillFrom(const TGlobalConfigTAG& config) {
    chkLevelSongs->setChecked(config.LevelSongs.Value != 0);
    TargetLoudness->setEnabled(chkLevelSongs->isChecked());
    // A stored target out of range shows, and is kept, as the nearest one.
    TargetLoudness->setValue(
        std::clamp(config.TargetLoudness.Value, kVxQuietestTargetLufs, kVxLoudestTargetLufs));
    chkAutoCue->setChecked(config.AutoCue.Value != 0);
}

void TCfgLevelGroup::StoreInto(TGlobalConfigTAG& config) const {
    config.LevelSongs.Value = chkLevelSongs->isChecked() ? 1 : 0;
    config.TargetLoudness.Value = TargetLoudness->value();
    config.AutoCue.Value = chkAutoCue->isChecked() ? 1 : 0;
}

std::vector<std::pair<QWidget*, QString>> TCfgLevelGroup::Hints() const {
    const QString level = QStringLiteral(
        "When checked, every song plays at the target loudness: louder songs are turned down and "
        "quieter ones up, though never so far that their peaks pass -1 dBTP. A song is measured "
        "the first time it is loaded or while it waits in the playlist; one that starts before it "
        "is measured plays as it is. The level is set before a song starts and never changes "
        "while it plays: a change here applies to the next song that starts.");
    return {
        {chkLevelSongs, level},
        {TargetLoudness, level},
        {chkAutoCue,
         QStringLiteral("When checked, a song's cue point moves to where its music starts, past "
                        "the silence or hiss before it, as soon as the song is measured. It never "
                        "moves while the song plays or once you have set the cue yourself.")},
    };
}
