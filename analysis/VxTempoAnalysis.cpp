#include "analysis/VxTempoAnalysis.h"

#include "analysis/VxMonoReader.h"
#include "decoding/VxDecoderSet.h"

TVxAnalysisResult VxAnalyzeTempo(TVxDecoderSet& decoders, const char* path,
                                 const TVxBpmRange& range, const std::atomic<bool>& cancel) {
    TVxAnalysisResult result;
    TVxPlayerTAG* decoder = decoders.Open(path);
    if (decoder == nullptr)
        return result;
    TVxMonoReader reader(*decoder);
    TVxTempoDetector detector(reader.SampleRate());
    result.Status = TVxAnalysisStatus::Done;
    while (detector.Ready()) {
        if (cancel.load(std::memory_order_relaxed)) {
            result.Status = TVxAnalysisStatus::Cancelled;
            break;
        }
        const std::vector<float>& block = reader.Next();
        if (block.empty())
            break;
        detector.Feed(block.data(), block.size());
    }
    decoders.Close();
    if (result.Status == TVxAnalysisStatus::Done)
        result.Tempo = detector.Finish(range);
    return result;
}
