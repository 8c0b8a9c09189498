// The analysis of one song, start to end, on the calling thread: one decode
// feeds every analysis asked for (tempo and first beat, key, loudness with
// true peak and music start).
#pragma once

#include "analysis/VxBeatGrid.h"
#include "analysis/VxLoudnessMeter.h"
#include "analysis/VxMusicKey.h"
#include "analysis/VxTempoDetector.h"

#include <atomic>

class TVxDecoderSet;

// Bump one when its analysis changes, so that cached results of older
// versions are analysed again (and only those).
constexpr int kVxTempoAnalysisVersion = 2;
constexpr int kVxKeyAnalysisVersion = 2;
constexpr int kVxLoudnessAnalysisVersion = 1;

// The analyses of a pass, or'ed.
enum TVxAnalysisParts : unsigned {
    kVxTempoPart = 1,
    kVxKeyPart = 2,
    kVxLoudnessPart = 4, // loudness, true peak and music start
    kVxAllParts = 7,
};

enum class TVxAnalysisStatus { Done, Unreadable, Cancelled };

struct TVxAnalysisResult {
    TVxAnalysisStatus Status = TVxAnalysisStatus::Unreadable;
    unsigned Parts = 0; // the analyses that ran
    TVxTempo Tempo;
    int Key = kVxNoKey;
    TVxLoudness Loudness;
};

// Decodes path with decoders and runs the parts asked for. cancel, when set
// by another thread, ends the work within a few milliseconds.
TVxAnalysisResult VxAnalyzeSong(TVxDecoderSet& decoders, const char* path, const TVxBpmRange& range,
                                const std::atomic<bool>& cancel, unsigned parts);
