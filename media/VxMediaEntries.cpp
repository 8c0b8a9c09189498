// The media module's one exported function: the table of what it offers.
#include "analysis/VxAnalysisPass.h"
#include "decoding/MediaModule.h"
#include "decoding/ZylFFmpeg.h"

namespace {

TVxPlayerTAG* MakeFFmpegDecoder() {
    return new TZylFFmpegTAG;
}

constexpr TVxMediaEntries kEntries{&MakeFFmpegDecoder, &VxAnalyzeOpened};

} // namespace

extern "C" __attribute__((visibility("default"))) const TVxMediaEntries* vx_media_entries() {
    return &kEntries;
}
