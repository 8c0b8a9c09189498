// The realistic corpus that make_corpus.sh renders with FluidSynth: tempo,
// first beat, key and music start against the truth of its arrangements.
// Lossy files carry their encoder's delay in the deck's timeline, so their
// first beat and music start are not checked.
#include "analysis/VxSongAnalysis.h"
#include "decoding/VxDecoderSet.h"
#include "tests/analysis/KeyScore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

using tempotest::MirexScore;

TEST(Corpus, TempoFirstBeatKeyAndMusicStartOfRenderedArrangements) {
    std::ifstream list(VX_CORPUS "/corpus.txt");
    std::string name, mode;
    double bpm = 0, firstMs = 0, startMs = 0, score = 0;
    int tonic = 0, songs = 0;
    while (list >> name >> bpm >> firstMs >> tonic >> mode >> startMs) {
        TVxDecoderSet decoders;
        const std::atomic<bool> never{false};
        const TVxAnalysisResult result =
            VxAnalyzeSong(decoders, (VX_CORPUS "/" + name).c_str(), {}, never, kVxAllParts);
        ASSERT_EQ(result.Status, TVxAnalysisStatus::Done) << name;
        ++songs;
        const int key = VxKeyOf(tonic, mode == "minor");
        score += MirexScore(result.Key, key);
        std::printf("%-20s bpm %.3f (%.3f) first %.1f (%.1f) key %s (%s) start %.1f (%.1f)\n",
                    name.c_str(), result.Tempo.Bpm, bpm, result.Tempo.FirstBeatMs, firstMs,
                    VxKeyName(result.Key).c_str(), VxKeyName(key).c_str(),
                    result.Loudness.MusicStartMs, startMs);
        // Within a twentieth of a BPM: no octave errors either (the kick on
        // one and three alone is half the beat).
        EXPECT_NEAR(result.Tempo.Bpm, bpm, 0.05) << name;
        if (firstMs < 0)
            continue;
        EXPECT_NEAR(result.Tempo.FirstBeatMs, firstMs, 5) << name;
        EXPECT_NEAR(result.Loudness.MusicStartMs, startMs, 10) << name;
    }
    ASSERT_EQ(songs, 12);
    EXPECT_GE(score / songs, 0.9);
}

} // namespace
