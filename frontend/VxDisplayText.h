// The texts the deck's LCD displays and message lines show. Pure functions
// of the player's state: the window thread calls them on every timer tick,
// so they allocate only the small strings they return.
//
// The LCD fonts have letters of their own: "b" is an unlit digit, "e" an
// unlit narrow one, "I" a lit narrow one, "i" a narrow one with only its
// upper segment lit, "a" an unlit sign, "c" an unlit decimal point, "_" a
// narrow blank.
#pragma once

#include <cstdint>
#include <string>

namespace vxdisplay {

// Texts shown before anything is known.
inline constexpr const char* kTrackNone = "ebb";
inline constexpr const char* kTimeMMSSInitial = "abbdbb";
inline constexpr const char* kTimeCSInitial = "bb";
inline constexpr const char* kTimeMMSSLoading = "abb:bb";
inline constexpr const char* kPitchInitial = "a ebcbbb";
inline constexpr const char* kValueBlank = "a ebbcbb";
// A tempo of 1000 BPM or more: dashes where the digits go.
inline constexpr const char* kBpmOverRange = "a ---c--";

inline constexpr const char* kIdleLine1 = "Velm r5a free";
inline constexpr const char* kReadyLine2 = "Vexaline(tm) ready.";
inline constexpr const char* kInitialLine2 = "Ready.";
inline constexpr const char* kLoading = "Loading...";
inline constexpr const char* kLoadAborted = "Loading aborted";
inline constexpr const char* kLoadError = "Load error!";
inline constexpr const char* kLoadOk = "Ok.";
inline constexpr const char* kNoSoundOutput =
    "Vexaline(tm) found no sound output on this system.\n\nIt needs a sound server (PipeWire, "
    "PulseAudio or JACK) or an ALSA sound device. To run the deck without sound, start it with "
    "VEXALINE_AUDIO=null in the environment.";
inline constexpr const char* kMustBeStopped = "Player must be stopped";
inline constexpr const char* kLoadingPlaylist = "Loading (hold ESC to abort)...";
inline constexpr const char* kSearchingFiles = "Searching (hold ESC to abort)...";

inline constexpr std::uint32_t kStartupMessageMs = 8000;
inline constexpr std::uint32_t kShortMessageMs = 2500;
inline constexpr std::uint32_t kScanMessageMs = 8000;

// A signed fixed-point value as the small LCD shows it: sign, lead-in of
// unlit positions, integer part, point, shownDecimals digits, suffix. The
// leading position can only show a narrow one, so the integer part is capped
// just below 2 x 10^(intPositions - 1); the fraction is not capped.
std::string LcdNumberText(std::int64_t value, int valueDecimals, int intPositions,
                          const std::string& suffix, int shownDecimals);

// The pitch display for a pitch in units of 0.001 %; beyond 19999 units it
// shows the digits of 19999.
std::string PitchText(int pitch, bool accuratePitch);

// The value display: the bend plus the slide step (units of 0.001 %), or the
// blank text when nothing bends, or when the display is switched off.
std::string ValueText(int bend, int slideStep, bool showBendValue, bool accuratePitch);

// The value display when nothing bends: the song's tempo at the current
// pitch (units of 0.001 %) with two decimals and an unlit sign, the narrow
// leading one lit from 100 BPM on and three full digits from 200 BPM on;
// the over-range mark from 1000 BPM on; the blank text for a tempo of 0 (not
// known, or no beat).
std::string BpmText(double songBpm, int pitch);

// The track display for a playlist position (-1: no current song).
std::string TrackText(int position);

// The message shown when a scan of added files ends.
std::string ScanEndMessage(int addedFiles, bool aborted);

// Whether the minutes and seconds blink: while (cue-)playing in the last 30
// seconds of the song, when the user wants it.
bool TimeBlinks(int state, bool displayBlink, std::uint32_t shownLengthMs,
                std::uint32_t shownElapsedMs);

// The progress bar's range for a song, in tenths of a second; the red zone
// is the last 30 seconds. A song of 10 ms or less leaves the range as it is.
struct TProgressRange {
    int Max = 0;
    int RedValue = 0;
};
bool ProgressRangeFor(std::uint32_t lengthMs, TProgressRange& range);

// Message line time-out: tested once per timer tick.
class TMessageTimeout {
public:
    // A time-out of 0 keeps the message until the next one.
    void Start(std::uint32_t timeoutMs, std::uint64_t nowMs);
    // True once, on the first tick at or after the time-out; the caller then
    // shows the idle lines.
    bool Expired(std::uint64_t nowMs);
    std::uint32_t TimeoutMs() const { return timeoutMs_; }

private:
    std::uint32_t timeoutMs_ = 0;
    std::uint64_t startMs_ = 0;
};

} // namespace vxdisplay
