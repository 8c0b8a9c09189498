// What the deck's value display shows while nothing bends: the song's tempo
// at the current pitch, its key or its loudness, one after the other at each
// press of its key. The small LCD has digits, a sign and a point only, so the
// key shows as its wheel number there, and the message line names it in
// full ("Key: A minor 8A").
//
// Window thread only; the texts are pure functions of their arguments.
#pragma once

#include "analysis/VxMusicKey.h"
#include "analysis/VxTempoWorker.h"

#include <string>

class TVxValueDisplay {
public:
    enum class TShown { Tempo, Key, Loudness };

    void Cycle();
    TShown Shown() const { return shown_; }

    // The LCD's text; pitch in units of 0.001 %. The blank text for a value
    // that is not known.
    std::string LcdText(const TVxSongTempo& song, int pitch, TVxKeyNotation notation) const;
    // The message line's text for the value shown.
    std::string Caption(const TVxSongTempo& song, TVxKeyNotation notation) const;

private:
    TShown shown_ = TShown::Tempo;
};
