#include "analysis/VxAnalysisPass.h"

#include "analysis/VxKeyDetector.h"
#include "analysis/VxMonoReader.h"

namespace {

// The analyses of one pass, each fed only when asked for.
struct TPass {
    TPass(const TVxMonoReader& reader, unsigned parts)
        : Parts(parts), Tempo(reader.SampleRate()), Key(reader.FileRate(), reader.Channels()),
          Loudness(reader.FileRate(), reader.Channels()), Channels(reader.Channels()) {}

    bool Wants(unsigned part) const { return (Parts & part) != 0; }

    void Feed(const std::vector<float>& mono, const std::vector<float>& frames) {
        const std::size_t frameCount = Channels > 0 ? frames.size() / Channels : 0;
        if (Wants(kVxTempoPart))
            Tempo.Feed(mono.data(), mono.size());
        if (Wants(kVxKeyPart))
            Key.Feed(frames.data(), frameCount);
        if (Wants(kVxLoudnessPart))
            Loudness.Feed(frames.data(), frameCount);
    }

    void Finish(const TVxBpmRange& range, TVxAnalysisResult& result) {
        result.Parts = Parts;
        if (Wants(kVxTempoPart))
            result.Tempo = Tempo.Finish(range);
        if (Wants(kVxKeyPart))
            result.Key = Key.Finish();
        if (Wants(kVxLoudnessPart))
            result.Loudness = Loudness.Finish();
    }

    unsigned Parts;
    TVxTempoDetector Tempo;
    TVxKeyDetector Key;
    TVxLoudnessMeter Loudness;
    std::uint32_t Channels;
};

} // namespace

void VxAnalyzeOpened(TVxPlayerTAG& decoder, const TVxBpmRange& range,
                     const std::atomic<bool>& cancel, unsigned parts, TVxAnalysisResult& result) {
    TVxMonoReader reader(decoder);
    TPass pass(reader, parts);
    result.Status = TVxAnalysisStatus::Done;
    // A rate the tempo detector cannot take reads nothing, as before.
    while (!pass.Wants(kVxTempoPart) || pass.Tempo.Ready()) {
        if (cancel.load(std::memory_order_relaxed)) {
            result.Status = TVxAnalysisStatus::Cancelled;
            return;
        }
        const std::vector<float>& block = reader.Next();
        if (block.empty())
            break;
        pass.Feed(block, reader.Frames());
    }
    pass.Finish(range, result);
}
