// The deck's level and cue from each song's loudness analysis, as the
// options ask.
#include "frontend/MainForm.h"

#include "frontend/VxLevelAndCue.h"
#include "frontend/config/GlobalConfig.h"

#include <algorithm>

void TMainForm::ApplyLevelAndCue() {
    if (levelCue_ == nullptr)
        return;
    TVxLevelAndCueOptions options;
    options.Level = config_.LevelSongs.Value != 0;
    // A hand-edited target beyond the offered ones plays as the nearest.
    options.TargetLufs =
        std::clamp(config_.TargetLoudness.Value, kVxQuietestTargetLufs, kVxLoudestTargetLufs);
    options.AutoCue = config_.AutoCue.Value != 0;
    levelCue_->SetOptions(options, *system_);
}
