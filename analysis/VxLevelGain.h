// The gain that brings a song to the loudness every song is levelled to.
#pragma once

#include "analysis/VxLoudnessMeter.h"

// The loudness songs are levelled to unless the user chose another.
constexpr double kVxDefaultTargetLufs = -14;
// The highest true peak a levelled song may reach: a decibel of room for
// the converters and encoders after the deck.
constexpr double kVxLevelCeilingDbtp = -1;

// targetLufs - the song's loudness, lowered as far as needed to keep the
// song's true peak at or under kVxLevelCeilingDbtp; 0 when the loudness is
// not known (a silent song, or one not measured).
double VxLevelGainDb(const TVxLoudness& loudness, double targetLufs);
