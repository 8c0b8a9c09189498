// What the list shows of each song beyond its tags and length: its tempo,
// key and loudness, which whoever finds them keeps (the playlist does not
// know them), and a mark on the songs that mix well with the deck's song.
//
// Window thread only.
#pragma once

#include <QString>

#include <string>

enum class TZylFact { Bpm, Key, Loudness };

class TZylSongFacts {
public:
    virtual ~TZylSongFacts() = default;
    // A fact's text for a song file; empty when it is not known. Asked on
    // every paint, so it must answer from memory.
    virtual QString Text(const std::string& fileName, TZylFact fact) const = 0;
    // Whether the song's row carries the mark.
    virtual bool Marked(const std::string& fileName) const = 0;
};
