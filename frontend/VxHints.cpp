#include "frontend/VxHints.h"

#include <algorithm>
#include <array>

namespace vxhints {

namespace {

constexpr std::string_view kPlay =
    "PLAY BUTTON: plays/pauses the song.\n\n- When song is playing (led on) it will be paused, "
    "and the cue point\nwill be set to the current position.\n- When song is paused or in seeking "
    "mode (led flashing) song will\nstart playing from the current position.\n\nSHORTCUTS:\n - "
    "Numpad enter\n - Space bar";
constexpr std::string_view kCue =
    "CUE BUTTON: stop the song and return to the cue point.\n\n- If hold when cue (led on) song "
    "will start playing (led flashing) and\nreturn to the cue point when released.\n- If PLAY is "
    "pressed while CUE is hold, the cue mode will be\n'unlocked' and the song will continue "
    "playing when CUE is released.\n\nSHORTCUTS:\n - Numpad zero\n - Space bar";
constexpr std::string_view kSearch =
    "SEARCH BUTTONS: change the song's position (cue point).\n\n- Enables the search mode for "
    "fine adjusting the cue point.\n- Once positioned, use CUE to stop or PLAY to start "
    "playing.\n\nSHORTCUTS:\n - Left/Right arrows\n\nMODIFIERS:\n - Shift:   \u00b110 ms\n - "
    "Ctrl:   \u00b1100 ms\n - Sh+Ctrl:   \u00b11 sec";
constexpr std::string_view kTrack =
    "TRACK BUTTONS: change the playing song in the current playlist.\n\n- The first press of the "
    "PREV track button restarts the current song.\n\nSHORTCUTS:\n - PageUp/PageDn\n\nMODIFIERS:"
    "\n - Ctrl: moves \u00b15 tracks.\n\nRELATED OPTIONS:\n - Playlist loop\n - Secure track "
    "change";
constexpr std::string_view kLogo =
    "Vexaline(tm) cool logo  :-)\n\nDouble click for Credits & About";
constexpr std::string_view kPosition =
    "POSITION SLIDER: drag to set the song position and cue point.\n\nSHORTCUTS:\n - See Search "
    "buttons\n\nRELATED OPTIONS:\n - On end of track";
constexpr std::string_view kProgress =
    "PROGRESS BAR: Shows the relative position of the song.\n\n- The red zone shows the last 30 "
    "seconds\n\nRELATED OPTIONS:\n - On end of track";
constexpr std::string_view kPitch =
    "PITCH SLIDER: drag it to quickly adjust the pitch (speed) of the song.\n\n- Use the Pitch "
    "Bend buttons to fine adjust it.\n\nSHORTCUTS:\n - See Pitch Bend buttons (+/-)\n\n"
    "MODIFIERS:\n - Ctrl: 'Elastic' pitch bend - returns to starting value when released\n\n"
    "RELATED OPTIONS:\n - Pitch range\n - Pitch -> Accurate\n - Pitch -> Doubled";
constexpr std::string_view kLedPitch =
    "PITCH LED: Lit when the pitch value is zero (original song's speed).\n\n- Double click for "
    "set pitch to zero";
constexpr std::string_view kBend =
    "PITCH BEND BUTTONS: press to push/brake the song progressively.\n\n- Use with Shift/Ctrl to "
    "fine adjust the pitch\n\nSHORTCUTS:\n - Numpad [+][-]\n - Up/Down arrows\n\nMODIFIERS:\n - "
    "Shift:  pitch \u00b10.01 %\n - Ctrl:  pitch \u00b10.1 %\n - Sh+Ctrl:  pitch \u00b11 %";
constexpr std::string_view kTouchBend =
    "TOUCH BEND CONTROL: click and drag up/down to push/brake the song.\n\nRELATED OPTIONS:\n - "
    "Reverse Touch Bend";
constexpr std::string_view kClose =
    "CLOSE BUTTON: closes the player.\n\nSHORTCUTS:\n - Alt-F4\n\nRELATED OPTIONS:\n - Secure "
    "close";
constexpr std::string_view kMinimize =
    "MINIMIZE BUTTON: minimizes the program window.\n\nNote: the hot-key (set with -key) "
    "restores the minimized window";
constexpr std::string_view kHelp =
    "HELP BUTTON: Enables/disables the hint help system.\n\nSHORTCUTS:\n - F1, Ctrl - H\n - ESC "
    "to close";
constexpr std::string_view kMute = "MUTE BUTTON: cuts the sound while hold\n\nSHORTCUTS:\n - M";
constexpr std::string_view kVolume =
    "VOLUME SLIDER: drag to adjust the output volume.\n\nSHORTCUTS:\n - Main keyboard [-][=]\n - "
    "Numpad [/][*]\n\nMODIFIERS:\n - Shift (used with shortcut keys): fine adjust mode";
constexpr std::string_view kVuMeter =
    "VU METER: shows the output sound level\n\nRELATED OPTIONS:\n - VU-Meter peaks";
constexpr std::string_view kPanning =
    "PANNING/DOWNMIX KNOB\n\nPanning mode: sets the output stereo panning.\nDownmix mode (blue "
    "knob): selects the output channel for the\n   downmixed mono output.\n\nIn Both modes: "
    "Doubleclick to center\n\nMODIFIERS (panning mode):\n - Ctrl: 'Elastic' panning - returns to "
    "starting value when released\n\nRELATED OPTIONS:\n - Audio \u00bb Enable channel downmix "
    "control";
constexpr std::string_view kOpen =
    "OPEN BUTTON: show the open dialog to select the file or\nfiles to play: MP3, MP2, WAV, "
    "FLAC, AIFF,\nALAC and AAC (M4A), Ogg Vorbis, Opus\n\nSHORTCUTS:\n - "
    "Main Enter\n\nRELATED OPTIONS:\n - Play when open";
constexpr std::string_view kSysMenu =
    "Vexaline(tm) cool icon  :-)\n\nDouble click to close the player\n\nRELATED OPTIONS:\n - "
    "Secure close";
constexpr std::string_view kConfig =
    "CONFIGURATION BUTTON: Shows the configuration dialog.\n  (Options, Audio, Credits & About)";
constexpr std::string_view kRealTime =
    "TRUE TIME BUTTON: Enables/disables the true time display mode.\n\nWhen enabled, the time "
    "display shows the true (pitch based) time\ninstead of the song position time.\n\n"
    "SHORTCUTS:\n - R";
constexpr std::string_view kTime =
    "TIME BUTTON: Changes the time display mode (Elapsed/Remain).\n\nSHORTCUTS:\n - T";
constexpr std::string_view kTrackDisplay =
    "TRACK DISPLAY: shows the playing song number\nin current playlist.\n\nDouble-click: shows "
    "or hides the playlist\nbelow the deck.\n\nSHORTCUTS:\n - P: show/hide the playlist";
constexpr std::string_view kTimeDisplay =
    "TIME DISPLAY: shows the time position in the current song.\n\n- Two modes: Elapsed or "
    "Remain (See the Time button)";
constexpr std::string_view kPitchDisplay =
    "PITCH DISPLAY: shows the current pitch value (speed) in percent\nfrom the original speed.";
constexpr std::string_view kAux = "Reserved for future use.";
constexpr std::string_view kValueDisplay =
    "VALUE DISPLAY: shows pitch bend modifications, as well as other values.\n\n"
    "- Without a bend it shows the song's BPM at the current pitch\n"
    "(blank until the tempo is found, or when the song has no beat).\n\n"
    "SHORTCUTS:\n - B: tap in time to set the BPM by hand\n\nRELATED "
    "OPTIONS:\n - Pitch -> Show Info\n\nKEY LOCK (the KEY button, K): the pitch slider and "
    "bends\nchange the tempo only; the song keeps its key.";
constexpr std::string_view kKeyLock =
    "KEY LOCK BUTTON: lit while key lock is on. The pitch slider\nand bends then change the "
    "tempo only: the song keeps its key,\nso songs of the same key mix at any tempo. At pitch 0 "
    "the\nsound passes untouched.\n\nSHORTCUTS:\n - K\n\nRELATED OPTIONS:\n - Key lock -> "
    "Key lock";
constexpr std::string_view kMessageDisplay = "MESSAGE DISPLAY: shows system messages.";
constexpr std::string_view kPlaylist =
    "INTEGRATED PLAYLIST EDITOR:\n\nFull featured playlist editor.\n\n - Recursive directory "
    "search / m3u playlist expansion\n - Full drag & drop support (songs/playlists/directories)"
    "\n - Intuitive select/move mouse functions (Ctrl/Shift keys supported)\n - Load / Save "
    "playlist files (m3u Winamp compatible)\n - Add files / Add directory dialogs\n\nKEYS:\n - "
    "Ctrl: individual multi-select\n - Shift: range multi-select\n - Ctrl-A: select all songs\n"
    " - Del: delete selected songs\n - Enter: load the selected song\n - Letters: find a song"
    "\n - P: hide the playlist";

constexpr std::array kHints{
    THintEntry{"btnPlay", kPlay},
    THintEntry{"btnCUE", kCue},
    THintEntry{"btnRW", kSearch},
    THintEntry{"btnFF", kSearch},
    THintEntry{"btnPrev", kTrack},
    THintEntry{"btnNext", kTrack},
    THintEntry{"imgLogoClick", kLogo},
    THintEntry{"Position", kPosition},
    THintEntry{"Progress", kProgress},
    THintEntry{"Pitch", kPitch},
    THintEntry{"LedPitch", kLedPitch},
    THintEntry{"btnSlow", kBend},
    THintEntry{"btnFast", kBend},
    THintEntry{"TouchBend", kTouchBend},
    THintEntry{"btnClose", kClose},
    THintEntry{"btnMinimize", kMinimize},
    THintEntry{"btnHelp", kHelp},
    THintEntry{"btnMute", kMute},
    THintEntry{"Volume", kVolume},
    THintEntry{"VMetter", kVuMeter},
    THintEntry{"Balance", kPanning},
    THintEntry{"DownMix", kPanning},
    THintEntry{"btnOpen", kOpen},
    THintEntry{"SysMenu", kSysMenu},
    THintEntry{"btnConfig", kConfig},
    THintEntry{"btnRealTime", kRealTime},
    THintEntry{"btnTime", kTime},
    THintEntry{"LabelTrack", kTrackDisplay},
    THintEntry{"LabelTimeMMSS", kTimeDisplay},
    THintEntry{"LabelTimeCS", kTimeDisplay},
    THintEntry{"LabelPitch", kPitchDisplay},
    THintEntry{"btnAux1", kAux},
    THintEntry{"btnAux2", kAux},
    THintEntry{"LabelValue", kValueDisplay},
    THintEntry{"LabelMessage1", kMessageDisplay},
    THintEntry{"LabelMessage2", kMessageDisplay},
    THintEntry{"PlayList", kPlaylist},
    THintEntry{"btnKeyLock", kKeyLock},
};

} // namespace

std::span<const THintEntry> DeckHints() {
    return kHints;
}

std::string_view HintFor(std::string_view controlName) {
    const auto found = std::find_if(kHints.begin(), kHints.end(), [&](const THintEntry& entry) {
        return entry.Control == controlName;
    });
    return found != kHints.end() ? found->Text : std::string_view{};
}

} // namespace vxhints
