#include "tools/render/RenderJob.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

const char kRenderUsage[] =
    "usage: vx-render [options] INPUT [OUTPUT.wav]\n"
    "Plays INPUT on the deck without sound, faster than real time, and writes\n"
    "what the deck plays to OUTPUT.wav (44100 Hz stereo, 16-bit unless --bits).\n"
    "  --pitch P          pitch in 0.001 % (8000 = +8 %)\n"
    "  --range 0|1|2      pitch range 8 %, 16 %, 20 % (default 1)\n"
    "  --volume V         0..100 (default 100)\n"
    "  --balance B        -100..100 (default 0)\n"
    "  --downmix          fold both channels into the louder side\n"
    "  --keylock          key lock: the pitch changes the tempo, the key stays\n"
    "  --seek MS          start position\n"
    "  --paused           do not start playing at once\n"
    "  --quick            MPEG files without the frame index: quicker to open, less\n"
    "                     exact positions (--exact, the default, is accepted)\n"
    "  --duration MS      deck time to render (default: to the song's end)\n"
    "  --bpm              print INPUT's tempo (\"bpm 125.000 first-beat 12.5 ms\" or\n"
    "                     \"bpm none\") and render nothing\n"
    "  --analyse          print all INPUT's analysis, one a line: bpm, first-beat,\n"
    "                     key (name and Camelot code), loudness, true-peak and\n"
    "                     music-start; render nothing\n"
    "  --level [LUFS]     level the song to LUFS (default -14) as the deck's option\n"
    "                     does: the gain from its loudness, its true peak kept at or\n"
    "                     under -1 dBTP\n"
    "  --auto-cue         cue the song where its music starts, as the deck's option\n"
    "                     does\n"
    "  --report MS        print the time record every MS (default 1000)\n"
    "  --bits 16|24|32f   output samples: 16-bit (default), 24-bit or 32-bit float\n"
    "  --converter NAME   sinc-medium (default: the deck's own), sinc-best,\n"
    "                     sinc-fastest, linear, zoh\n"
    "  --at MS:ACTION     at deck time MS: play, pause, playpause, cue, cue-release,\n"
    "                     search-fwd[:KIND], search-back[:KIND], search-release,\n"
    "                     seek:MS, pitch:P, pitch-up[:KIND], pitch-down[:KIND],\n"
    "                     pitch-release, touch:BEND, volume:V, balance:B, mute, unmute,\n"
    "                     keylock-on, keylock-off\n";

namespace {

bool ToInt(const char* text, long low, long high, int& out) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

// A loudness target: a number of LUFS from -70 to 0.
bool ToLufs(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(value >= -70 && value <= 0))
        return false;
    out = value;
    return true;
}

bool ToMs(const char* text, uint32_t& out) {
    int value = 0;
    if (!ToInt(text, 0, 2000000000, value))
        return false;
    out = static_cast<uint32_t>(value);
    return true;
}

struct TActionName {
    const char* Name;
    TRenderActionKind Kind;
    bool TakesValue;
};

constexpr TActionName kActions[] = {
    {"play", TRenderActionKind::Play, false},
    {"pause", TRenderActionKind::Pause, false},
    {"playpause", TRenderActionKind::PlayPause, false},
    {"cue", TRenderActionKind::Cue, false},
    {"cue-release", TRenderActionKind::CueRelease, false},
    {"search-fwd", TRenderActionKind::SearchForward, true},
    {"search-back", TRenderActionKind::SearchBackward, true},
    {"search-release", TRenderActionKind::SearchRelease, false},
    {"seek", TRenderActionKind::Seek, true},
    {"pitch", TRenderActionKind::Pitch, true},
    {"pitch-up", TRenderActionKind::PitchUp, true},
    {"pitch-down", TRenderActionKind::PitchDown, true},
    {"pitch-release", TRenderActionKind::PitchRelease, false},
    {"touch", TRenderActionKind::TouchBend, true},
    {"volume", TRenderActionKind::Volume, true},
    {"balance", TRenderActionKind::Balance, true},
    {"mute", TRenderActionKind::Mute, false},
    {"unmute", TRenderActionKind::Unmute, false},
    {"keylock-on", TRenderActionKind::KeyLockOn, false},
    {"keylock-off", TRenderActionKind::KeyLockOff, false},
};

// "MS:NAME[:VALUE]"
bool ParseAction(const std::string& text, TRenderAction& action) {
    const size_t first = text.find(':');
    if (first == std::string::npos || !ToMs(text.substr(0, first).c_str(), action.AtMs))
        return false;
    std::string name = text.substr(first + 1);
    std::string value;
    if (const size_t second = name.find(':'); second != std::string::npos) {
        value = name.substr(second + 1);
        name.resize(second);
    }
    for (const TActionName& candidate : kActions) {
        if (name != candidate.Name)
            continue;
        action.Kind = candidate.Kind;
        if (value.empty())
            return true;
        return candidate.TakesValue &&
               ToInt(value.c_str(), -2000000000L, 2000000000L, action.Value);
    }
    return false;
}

} // namespace

bool ParseRenderArguments(int argc, char** argv, TRenderJob& job, std::string& error) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // The value after an option; null when the command line ends.
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](long low, long high, int& out) {
            const char* text = value();
            return text && ToInt(text, low, high, out);
        };
        auto ms = [&](uint32_t& out) {
            const char* text = value();
            return text && ToMs(text, out);
        };
        bool ok = true;
        if (arg == "--pitch") {
            ok = number(-100000, 100000, job.Pitch);
        } else if (arg == "--range") {
            ok = number(0, 2, job.PitchRange);
        } else if (arg == "--volume") {
            ok = number(0, 100, job.Volume);
        } else if (arg == "--balance") {
            ok = number(-100, 100, job.Balance);
        } else if (arg == "--seek") {
            ok = ms(job.SeekMs);
        } else if (arg == "--duration") {
            ok = ms(job.DurationMs);
        } else if (arg == "--report") {
            ok = ms(job.ReportEveryMs) && job.ReportEveryMs > 0;
        } else if (arg == "--bits") {
            const char* given = value();
            const std::string text = given != nullptr ? given : "";
            ok = text == "16" || text == "24" || text == "32f";
            job.Bits = text == "24"    ? TRenderBits::Pcm24
                       : text == "32f" ? TRenderBits::Float32
                                       : TRenderBits::Pcm16;
        } else if (arg == "--converter") {
            const char* text = value();
            ok = text != nullptr;
            job.Converter = text ? text : "";
        } else if (arg == "--at") {
            const char* text = value();
            TRenderAction action;
            ok = text && ParseAction(text, action);
            job.Actions.push_back(action);
        } else if (arg == "--downmix") {
            job.Downmix = true;
        } else if (arg == "--keylock") {
            job.KeyLock = true;
        } else if (arg == "--paused") {
            job.AutoPlay = false;
        } else if (arg == "--bpm") {
            job.DetectBpm = true;
        } else if (arg == "--analyse") {
            job.Analyse = true;
        } else if (arg == "--level") {
            job.Level = true;
            // The target is optional: a following number is one.
            if (i + 1 < argc && ToLufs(argv[i + 1], job.TargetLufs))
                ++i;
        } else if (arg == "--auto-cue") {
            job.AutoCue = true;
        } else if (arg == "--exact" || arg == "--quick") {
            job.ExactLength = arg == "--exact";
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            files.push_back(arg);
        }
        if (!ok) {
            error = "bad or missing value for " + arg;
            return false;
        }
    }
    if (files.empty() || files.size() > 2) {
        error = "give one input file and at most one output file";
        return false;
    }
    job.Input = files[0];
    job.Output = files.size() == 2 ? files[1] : "";
    std::stable_sort(
        job.Actions.begin(), job.Actions.end(),
        [](const TRenderAction& a, const TRenderAction& b) { return a.AtMs < b.AtMs; });
    return true;
}
