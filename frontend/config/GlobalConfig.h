// The player's one configuration record. Every stored setting is a named
// value object; the names are the stored value names. The window thread owns
// the record: it is read once at start-up, the start position is written
// right after, and the rest is written when the window closes.
#pragma once

#include "engine/VxSystemOptions.h"
#include "frontend/config/ZylReg.h"

#include <string>
#include <vector>

// The settings key of the current user.
constexpr const char* kVxConfigKeyPath = "Software\\Zyl\\Vexaline\\Velm";

// The deck window's size, which the start position has to fit.
constexpr int kVxWindowWidth = 384;
constexpr int kVxWindowHeight = 223;
// Each new copy of the player opens this much further right and down.
constexpr int kVxCascadeStep = 20;

struct TVxStartPosition {
    int X = 0;
    int Y = 0;
};

class TGlobalConfigTAG {
public:
    TBoolRegValueTAG PlayWhenOpen{"PlayWhenOpen", 1};
    TBoolRegValueTAG PlayWhenChangeTrack{"PlayWhenChangeTrack", 1};
    TBoolRegValueTAG SecureClose{"SecureClose", 1};
    TBoolRegValueTAG SecureTrackButtons{"SecureTrackButtons", 0};
    TBoolRegValueTAG SecureDropFiles{"SecureDropFiles", 0};
    TBoolRegValueTAG VuMeterPeaks{"VuMeterPeaks", 1};
    TBoolRegValueTAG ExactSongLength{"ExactSongLength", 1};
    TBoolRegValueTAG PioneerCueKey{"PioneerCueKey", 1};
    TBoolRegValueTAG ReverseTouchBend{"ReverseTouchBend", 0};
    TBoolRegValueTAG DoubledPitch{"DoubledPitch", 0};
    TBoolRegValueTAG AccuratePitch{"AccuratePitch", 0};
    TBoolRegValueTAG ShowPitchBendValue{"ShowPitchBendValue", 1};
    TBoolRegValueTAG ErrorLog{"ErrorLog", 0};
    TBoolRegValueTAG DownMix{"DownMix", 0};
    TBoolRegValueTAG StayOnTop{"StayOnTop", 0};
    TBoolRegValueTAG SearchLoop{"SearchLoop", 1};
    TBoolRegValueTAG DisplayBlink{"DisplayBlink", 1};
    TBoolRegValueTAG ShowConfigHints{"ShowConfigHints", 1};
    TBoolRegValueTAG PlayListLoop{"PlayListLoop", 1};
    TBoolRegValueTAG ListAllowDuplicates{"ListAllowDuplicates", 0};
    TBoolRegValueTAG ListDeleteAfterPlay{"ListDeleteAfterPlay", 0};
    TBoolRegValueTAG ListKeepLast{"ListKeepLast", 0};
    TBoolRegValueTAG ListShowFileNames{"ListShowFileNames", 0};
    TBoolRegValueTAG ListSaveAbsolutePaths{"ListSaveAbsolutePaths", 0};
    TBoolRegValueTAG ListConfirmNew{"ListConfirmNew", 0};
    TBoolRegValueTAG ListConfirmLoad{"ListConfirmLoad", 0};
    TBoolRegValueTAG ListConfirmClose{"ListConfirmClose", 0};
    TBoolRegValueTAG ListConfirmDelete{"ListConfirmDelete", 0};
    TBoolRegValueTAG ListConfirmDeleteMany{"ListConfirmDeleteMany", 0};
    TIntRegValueTAG PitchRange{"PitchRange", 1};
    TIntRegValueTAG EndOfTrack{"EndOfTrack", 0};
    TIntRegValueTAG TimeMode{"TimeMode", 0};
    TBoolRegValueTAG DisplayRealTime{"DisplayRealTime", 0};
    TIntRegValueTAG OutputDevice{"OutputDevice", 0};
    TBoolRegValueTAG PlaylistEnabled{"PlaylistEnabled", 0};
    TIntRegValueTAG PlaylistWidth{"PlaylistWidth", 384};
    TIntRegValueTAG PlaylistHeight{"PlaylistHeight", 517};
    // The playlist panel below the deck: shown or not, and its height in
    // pixels (the window checks the range).
    TBoolRegValueTAG PlaylistShown{"PlaylistShown", 0};
    TIntRegValueTAG PlaylistPanelHeight{"PlaylistPanelHeight", 240};
    // The panel's columns of the songs' tempo, key and loudness, each shown
    // or hidden; the key's code in Camelot (0) or Open Key (1) notation.
    TBoolRegValueTAG ListBpmColumn{"ListBpmColumn", 1};
    TBoolRegValueTAG ListKeyColumn{"ListKeyColumn", 1};
    TBoolRegValueTAG ListLoudnessColumn{"ListLoudnessColumn", 0};
    TIntRegValueTAG KeyNotation{"KeyNotation", 0};
    TStringRegValueTAG OpenPath{"OpenPath", nullptr};
    TStringRegValueTAG SavePath{"SavePath", nullptr};
    // The range detected tempos are folded into, in BPM.
    TIntRegValueTAG BpmMin{"BpmMin", 70};
    TIntRegValueTAG BpmMax{"BpmMax", 180};
    // Key lock: the pitch changes the tempo while the song keeps its key.
    TBoolRegValueTAG KeyLock{"KeyLock", 0};
    // The sound output's latency in milliseconds (5, 10, 20, 40), 0 for
    // automatic: what the sound server prefers, at least 10 ms.
    TIntRegValueTAG OutputLatency{"OutputLatency", 0};
    // Songs levelled to one loudness (TargetLoudness, in LUFS) in front of
    // the volume, and cued where their music starts.
    TBoolRegValueTAG LevelSongs{"LevelSongs", 0};
    TIntRegValueTAG TargetLoudness{"TargetLoudness", -14};
    TBoolRegValueTAG AutoCue{"AutoCue", 0};
    TIntRegValueTAG StartX{"StartX", 100};
    TIntRegValueTAG StartY{"StartY", 200};

    // 0 none, 1 to 12 = F1 to F12; never stored.
    int HotKey = 0;
    // The program's folder with its trailing separator.
    std::string ProgramFolder;
    // The command line asked for logging for this run only.
    bool LogSwitch = false;

    void FromSystemOptions(const TVxSystemOptions& options);
    void ToSystemOptions(TVxSystemOptions& options) const;

    void LoadSettings(const std::string& keyPath);
    void SaveSettings(const std::string& keyPath);
    void SaveStartPosition(const std::string& keyPath);

    // args are the arguments after the program's name. Sets ProgramFolder,
    // applies the switches and returns the other arguments in files.
    void ParseCommandLine(const std::vector<std::string>& args, std::vector<std::string>& files);

    // Where this copy's window opens on a screen of the given size; stores
    // the next copy's position (StartX/StartY + 20) at once.
    TVxStartPosition TakeStartPosition(int screenWidth, int screenHeight,
                                       const std::string& keyPath, int windowWidth = kVxWindowWidth,
                                       int windowHeight = kVxWindowHeight);

    // A device index outside the list falls back to the first device.
    void CheckOutputDevice(int deviceCount);
};

// The folder of the running program with a trailing '/', or "" when the
// system does not tell.
std::string VxProgramFolder();
