#include "frontend/config/GlobalConfig.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// The values read at start-up, in reading order. The values written at exit
// are the same list without the last two (StartX, StartY), which are
// written at start-up instead.
constexpr size_t kStoredAtExitCount = 38;

std::array<TZylRegValueTAG*, 40> StoredValues(TGlobalConfigTAG& c) {
    return {&c.PlayWhenOpen,
            &c.PlayWhenChangeTrack,
            &c.SecureClose,
            &c.SecureTrackButtons,
            &c.SecureDropFiles,
            &c.VuMeterPeaks,
            &c.PlayListLoop,
            &c.PioneerCueKey,
            &c.ReverseTouchBend,
            &c.ErrorLog,
            &c.DownMix,
            &c.PitchRange,
            &c.EndOfTrack,
            &c.TimeMode,
            &c.OutputDevice,
            &c.OpenPath,
            &c.SavePath,
            &c.ShowPitchBendValue,
            &c.DisplayRealTime,
            &c.StayOnTop,
            &c.SearchLoop,
            &c.ListAllowDuplicates,
            &c.DisplayBlink,
            &c.ShowConfigHints,
            &c.ExactSongLength,
            &c.BpmMin,
            &c.BpmMax,
            &c.PlaylistShown,
            &c.PlaylistPanelHeight,
            &c.KeyLock,
            &c.OutputLatency,
            &c.LevelSongs,
            &c.TargetLoudness,
            &c.AutoCue,
            &c.ListBpmColumn,
            &c.ListKeyColumn,
            &c.ListLoudnessColumn,
            &c.KeyNotation,
            &c.StartX,
            &c.StartY};
}

int32_t Masked(uint32_t flags, uint32_t bit) {
    return static_cast<int32_t>(flags & bit);
}

uint32_t BitIf(int32_t on, uint32_t bit) {
    return on != 0 ? bit : 0;
}

} // namespace

void TGlobalConfigTAG::FromSystemOptions(const TVxSystemOptions& options) {
    // Each flag keeps its masked bit: on may be held as 2, 4 or 8, and every
    // reader tests for nonzero.
    SearchLoop.Value = Masked(options.Flags, kVxOptionSearchLoop);
    PioneerCueKey.Value = Masked(options.Flags, kVxOptionPioneerCueKey);
    DoubledPitch.Value = Masked(options.Flags, kVxOptionDoubledPitch);
    AccuratePitch.Value = Masked(options.Flags, kVxOptionAccuratePitch);
    TimeMode.Value = options.TimeMode;
    DisplayRealTime.Value = static_cast<int32_t>(options.RealTime);
    PitchRange.Value = options.PitchRange;
    ExactSongLength.Value = options.OpenMode != 0 ? 1 : 0;
}

void TGlobalConfigTAG::ToSystemOptions(TVxSystemOptions& options) const {
    options.Flags = BitIf(SearchLoop.Value, kVxOptionSearchLoop) |
                    BitIf(PioneerCueKey.Value, kVxOptionPioneerCueKey) |
                    BitIf(DoubledPitch.Value, kVxOptionDoubledPitch) |
                    BitIf(AccuratePitch.Value, kVxOptionAccuratePitch);
    options.TimeMode = static_cast<uint8_t>(TimeMode.Value);
    options.RealTime = static_cast<uint32_t>(DisplayRealTime.Value);
    options.PitchRange = static_cast<uint8_t>(PitchRange.Value);
    options.OpenMode = ExactSongLength.Value != 0 ? 2 : 0;
}

void TGlobalConfigTAG::LoadSettings(const std::string& keyPath) {
    TZylRegKeyTAG key(TRegRoot::CurrentUser, keyPath);
    for (TZylRegValueTAG* value : StoredValues(*this))
        key.Load(*value);
}

void TGlobalConfigTAG::SaveSettings(const std::string& keyPath) {
    // Logging asked for on the command line is for that run only.
    if (LogSwitch)
        ErrorLog.Value = 0;
    TZylRegKeyTAG key(TRegRoot::CurrentUser, keyPath);
    const auto values = StoredValues(*this);
    for (size_t i = 0; i < kStoredAtExitCount; ++i)
        key.Save(*values[i]);
}

void TGlobalConfigTAG::SaveStartPosition(const std::string& keyPath) {
    TZylRegKeyTAG(TRegRoot::CurrentUser, keyPath).Save(StartX).Save(StartY);
}

TVxStartPosition TGlobalConfigTAG::TakeStartPosition(int screenWidth, int screenHeight,
                                                     const std::string& keyPath, int windowWidth,
                                                     int windowHeight) {
    // 64-bit sums: a stored position near the integer limits must not wrap
    // into something that seems to fit.
    int64_t x = std::max(StartX.Value, 0);
    int64_t y = std::max(StartY.Value, 0);
    if (screenWidth < x + windowWidth || screenHeight < y + windowHeight) {
        x = 0;
        y = 0;
    }
    const TVxStartPosition position{static_cast<int>(x), static_cast<int>(y)};
    StartX.Value = static_cast<int32_t>(x + kVxCascadeStep);
    StartY.Value = static_cast<int32_t>(y + kVxCascadeStep);
    SaveStartPosition(keyPath);
    return position;
}

void TGlobalConfigTAG::CheckOutputDevice(int deviceCount) {
    // A negative index from a hand-edited or damaged store would point before
    // the list just as a large one points beyond it.
    if (OutputDevice.Value >= deviceCount || OutputDevice.Value < 0)
        OutputDevice.Value = 0;
}
