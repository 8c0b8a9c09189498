// The player system's options, copied in and out whole between the
// configuration store, the options dialog and the player system.
#pragma once

#include <cstdint>

// Bits of TVxSystemOptions::Flags.
constexpr uint32_t kVxOptSearchLoop = 1;    // searching repeats a short piece (SearchLoop)
constexpr uint32_t kVxOptCueKeyPlays = 2;   // the cue key plays while held (PioneerCueKey)
constexpr uint32_t kVxOptDoubledPitch = 4;  // the pitch slider counts double (DoubledPitch)
constexpr uint32_t kVxOptAccuratePitch = 8; // pitch steps of 0.001 % instead of 0.01 % (AccuratePitch)

struct TVxSystemOptions {
    uint32_t Flags = kVxOptSearchLoop | kVxOptCueKeyPlays;
    uint8_t TimeMode = 0;   // 0 elapsed, 1 remaining (TimeMode)
    uint32_t RealTime = 0;  // nonzero: displayed times follow the pitch (DisplayRealTime)
    uint8_t PitchRange = 1; // 0 = 8 %, 1 = 16 %, 2 = 20 % (PitchRange)
    uint8_t OpenMode = 0;   // 2 when ExactSongLength is on, else 0; handed to the decoders' open
};

static_assert(sizeof(TVxSystemOptions) == 16, "the options record is copied whole");
