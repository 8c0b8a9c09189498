// What the deck is told of a song before it plays it: the gain that levels
// it to the loudness of the others and where its cue goes.
#pragma once

#include <cstdint>

struct TVxSongStart {
    double LevelDb = 0; // 0: the song plays as it is
    uint32_t CueMs = 0; // 0: the song's own start
};
