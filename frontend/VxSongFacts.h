// Every song's tempo, key and loudness as the analysis worker reported them,
// kept in memory for the playlist's columns, sorts and marks, and the deck
// song's, against which every other song is found to mix well or not.
//
// Mixing well: keys the same or neighbours on the wheel (VxKeysCompatible)
// and tempos within 6 % of each other, the songs' own tempos (the pitch
// moves both alike). A song whose key or tempo is not known, or with no
// deck song to compare, does not mix well: the mark promises a fit it can
// prove.
//
// Window thread only. Lookups are one hash probe, so that a paint, a sort or
// a new deck song stays cheap at tens of thousands of entries.
#pragma once

#include "analysis/VxMusicKey.h"
#include "analysis/VxTempoWorker.h"
#include "playlist/view/ZylSongFacts.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

// What a list sorts by beyond its own keys.
enum class TVxFactSort { Bpm, Key, Loudness, Compatible };

class TVxSongFacts final : public TZylSongFacts {
public:
    static constexpr double kTempoTolerance = 0.06;

    // Takes the worker's reports; returns the songs whose facts changed.
    std::unordered_set<std::string> Take(const TVxTempoWorker::TFound& found);
    // The deck's song; empty without one. Every mark may change with it.
    void SetDeckSong(const std::string& path) { deckSong_ = path; }
    const std::string& DeckSong() const { return deckSong_; }
    void SetNotation(TVxKeyNotation notation) { notation_ = notation; }
    TVxKeyNotation Notation() const { return notation_; }

    QString Text(const std::string& fileName, TZylFact fact) const override;
    // Mixes well with the deck's song.
    bool Marked(const std::string& fileName) const override;
    // The song's place in a sort, lowest first; none when the fact is not
    // known. Keys go round the wheel in the chosen notation's numbers, the
    // minor key before the major one of each number; songs that mix well
    // come before those that do not.
    std::optional<double> Rank(const std::string& fileName, TVxFactSort sort) const;

private:
    const TVxSongTempo* Find(const std::string& fileName) const;

    std::unordered_map<std::string, TVxSongTempo> songs_;
    std::string deckSong_;
    TVxKeyNotation notation_ = TVxKeyNotation::Camelot;
};

// Whether two songs' facts mix well (see above).
bool VxSongsMix(const TVxSongTempo& a, const TVxSongTempo& b);
