// The player system's options record, copied in and out whole by
// TVxSystemTAG::SetOptions / GetOptions and translated to and from the
// configuration record by the front end.
#pragma once

#include <cstdint>

// Bit values of TVxSystemOptions::Flags.
constexpr uint32_t kVxOptionSearchLoop = 1;    // search keeps playing in short loops
constexpr uint32_t kVxOptionPioneerCueKey = 2; // the cue key plays while held when cued
constexpr uint32_t kVxOptionDoubledPitch = 4;
constexpr uint32_t kVxOptionAccuratePitch = 8;

struct TVxSystemOptions {
    uint32_t Flags = kVxOptionSearchLoop | kVxOptionPioneerCueKey;
    uint8_t TimeMode = 0;   // 0 elapsed, 1 remaining
    uint32_t RealTime = 0;  // nonzero: displayed times follow the pitch
    uint8_t PitchRange = 1; // 0 = 8 %, 1 = 16 %, 2 = 20 %
    uint8_t OpenMode = 2;   // handed to the decoders' open; 2 = exact song length
};

static_assert(sizeof(TVxSystemOptions) == 16, "the options record is copied as 16 bytes");
