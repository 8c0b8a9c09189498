// The signal processing of a song analysis: one decode of an open song feeds
// every analysis asked for. It lives in the media module (see
// decoding/MediaModule.h); the program reaches it through VxAnalyzeSong.
#pragma once

#include "analysis/VxSongAnalysis.h"

class TVxPlayerTAG;

// Reads the open decoder to its end, or until cancel is set, feeding the
// parts asked for, and fills result (Done or Cancelled, and the parts' values
// when Done). Never seeks or closes the decoder.
void VxAnalyzeOpened(TVxPlayerTAG& decoder, const TVxBpmRange& range,
                     const std::atomic<bool>& cancel, unsigned parts, TVxAnalysisResult& result);
