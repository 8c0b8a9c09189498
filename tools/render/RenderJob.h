// What the headless renderer is asked to do: the song, the deck's settings
// at the start, the actions at given deck times, and how long to render.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TRenderActionKind {
    Play,
    Pause,
    PlayPause,
    Cue,
    CueRelease,
    SearchForward,
    SearchBackward,
    SearchRelease,
    Seek,
    Pitch,
    PitchUp,
    PitchDown,
    PitchRelease,
    TouchBend,
    Volume,
    Balance,
    Mute,
    Unmute,
    KeyLockOn,
    KeyLockOff,
};

struct TRenderAction {
    uint32_t AtMs = 0;
    TRenderActionKind Kind = TRenderActionKind::Play;
    int Value = 0;
};

enum class TRenderBits { Pcm16, Pcm24, Float32 };

struct TRenderJob {
    std::string Input;
    std::string Output; // empty: render without writing
    int Pitch = 0;
    int PitchRange = 1;
    int Volume = 100;
    int Balance = 0;
    bool Downmix = false;
    bool KeyLock = false;
    bool ExactLength = true;
    bool AutoPlay = true;
    bool DetectBpm = false; // print the input's tempo instead of rendering
    bool Analyse = false;   // print everything analysis finds instead of rendering
    // Level the song to TargetLufs as the deck's option does, and cue it
    // where its music starts, from the song's analysis before it opens.
    bool Level = false;
    double TargetLufs = -14; // the deck's own default target
    bool AutoCue = false;
    uint32_t SeekMs = 0;
    uint32_t DurationMs = 0; // 0: until half a second after the song's end
    uint32_t ReportEveryMs = 1000;
    std::string Converter = "sinc-medium"; // the deck's own default
    // What the output file holds: 16-bit PCM, or, from a float device so
    // that nothing is lost on the way, packed 24-bit PCM or 32-bit float.
    TRenderBits Bits = TRenderBits::Pcm16;
    std::vector<TRenderAction> Actions; // in time order
};

// Fills job from the command line; on failure returns false with a message.
bool ParseRenderArguments(int argc, char** argv, TRenderJob& job, std::string& error);

extern const char kRenderUsage[];
