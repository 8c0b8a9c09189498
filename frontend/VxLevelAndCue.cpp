#include "frontend/VxLevelAndCue.h"

#include "analysis/VxSongAnalysis.h"
#include "engine/VxSystem.h"

#include <cmath>

TVxLevelAndCue::TVxLevelAndCue(std::string cacheFolder) : cache_(std::move(cacheFolder)) {}

void TVxLevelAndCue::SetOptions(const TVxLevelAndCueOptions& options, TVxSystemTAG& system) {
    options_ = options;
    system.OfferSongStart(StartOf(loudness_));
}

TVxSongStart TVxLevelAndCue::Opening(const std::string& path) {
    followed_ = false;
    loudness_ = {};
    if (!cacheTried_) {
        cacheTried_ = true;
        cache_.Open();
    }
    const auto key = VxFileKeyOf(path);
    const auto cached = key && cache_.IsOpen() ? cache_.Lookup(*key) : std::nullopt;
    if (cached && cached->LoudnessVersion == kVxLoudnessAnalysisVersion)
        loudness_ = cached->Loudness;
    return StartOf(loudness_);
}

void TVxLevelAndCue::SongAnalysed(const TVxLoudness& loudness, TVxSystemTAG& system) {
    // A tempo tapped before the analysis ended publishes no loudness: what
    // the cache gave the open stands.
    if (!followed_ || !loudness.Known)
        return;
    loudness_ = loudness;
    system.OfferSongStart(StartOf(loudness_));
}

TVxSongStart TVxLevelAndCue::StartOf(const TVxLoudness& loudness) const {
    TVxSongStart start;
    if (options_.Level)
        start.LevelDb = VxLevelGainDb(loudness, options_.TargetLufs);
    if (options_.AutoCue && loudness.Known)
        start.CueMs = static_cast<uint32_t>(std::lround(loudness.MusicStartMs));
    return start;
}
