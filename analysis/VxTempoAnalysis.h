// Tempo analysis of one file, start to end, on the calling thread.
#pragma once

#include "analysis/VxBeatGrid.h"
#include "analysis/VxTempoDetector.h"

#include <atomic>

class TVxDecoderSet;

// Bump when detection changes so that cached results of older versions are
// analysed again.
constexpr int kVxTempoAnalysisVersion = 1;

enum class TVxAnalysisStatus { Done, Unreadable, Cancelled };

struct TVxAnalysisResult {
    TVxAnalysisStatus Status = TVxAnalysisStatus::Unreadable;
    TVxTempo Tempo;
};

// Decodes path with decoders and detects its tempo. cancel, when set by
// another thread, ends the work within a few milliseconds.
TVxAnalysisResult VxAnalyzeTempo(TVxDecoderSet& decoders, const char* path,
                                 const TVxBpmRange& range, const std::atomic<bool>& cancel);
