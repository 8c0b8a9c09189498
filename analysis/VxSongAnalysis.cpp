#include "analysis/VxSongAnalysis.h"

#include "decoding/MediaModule.h"
#include "decoding/VxDecoderSet.h"
#include "diag/Diag.h"

TVxAnalysisResult VxAnalyzeSong(TVxDecoderSet& decoders, const char* path, const TVxBpmRange& range,
                                const std::atomic<bool>& cancel, unsigned parts) {
    TVxAnalysisResult result;
    const TVxMediaLoad& module = VxMediaModule();
    if (module.Entries == nullptr) {
        LogWrite(module.Error.c_str());
        return result;
    }
    TVxPlayerTAG* decoder = decoders.Open(path);
    if (decoder == nullptr)
        return result;
    module.Entries->AnalyzeOpened(*decoder, range, cancel, parts, result);
    decoders.Close();
    return result;
}
