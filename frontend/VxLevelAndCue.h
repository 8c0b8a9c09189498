// What the deck does with each song's loudness analysis: the gain that
// levels the song to the loudness the options ask for, and its cue on the
// music's first sound. What the analysis cache already knows of a song goes
// with its open, so that the level is in place before its first sample;
// what the analysis finds later, and options changed meanwhile, are offered
// to the deck, which takes them only while the song has not played (see
// TVxSystemTAG::OfferSongStart): a song that starts before it is measured
// plays at its own level to its end.
//
// Window thread only. Its own cache connection: a look-up never waits on
// the analysis worker.
#pragma once

#include "analysis/VxLevelGain.h"
#include "analysis/VxTempoCache.h"
#include "engine/VxSongStart.h"

#include <string>

class TVxSystemTAG;

// The targets a user may level to: from quiet broadcast levels to loud
// club masters.
constexpr int kVxQuietestTargetLufs = -30;
constexpr int kVxLoudestTargetLufs = -6;

struct TVxLevelAndCueOptions {
    bool Level = false;
    double TargetLufs = kVxDefaultTargetLufs;
    bool AutoCue = false;
};

class TVxLevelAndCue {
public:
    // cacheFolder empty: no cache; songs are levelled once their analysis
    // ends.
    explicit TVxLevelAndCue(std::string cacheFolder);

    // Offered at once to the loaded song.
    void SetOptions(const TVxLevelAndCueOptions& options, TVxSystemTAG& system);
    // Before the deck opens path: the start the cache knows for it. Results
    // of the analysis worker are ignored until WorkerFollows: until then
    // they may still be the previous song's.
    TVxSongStart Opening(const std::string& path);
    // The worker was told of the deck's song (none: the deck has none).
    void WorkerFollows(bool song) { followed_ = song; }
    // The worker published the deck's song's analysis; only a measured
    // loudness is offered.
    void SongAnalysed(const TVxLoudness& loudness, TVxSystemTAG& system);

private:
    TVxSongStart StartOf(const TVxLoudness& loudness) const;

    TVxTempoCache cache_;
    bool cacheTried_ = false;
    TVxLevelAndCueOptions options_;
    TVxLoudness loudness_; // the deck's song's, as far as known
    bool followed_ = false;
};
