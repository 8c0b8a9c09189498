// Key, loudness, true peak and music start, on songs of known truth made by
// make_key_fixtures.sh and make_corpus.sh, and against loudgain, an
// independent loudness meter.
#include "analysis/VxMusicKey.h"
#include "analysis/VxSongAnalysis.h"
#include "analysis/VxTempoWorker.h"
#include "decoding/VxDecoderSet.h"
#include "tests/analysis/TempoTestSongs.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

using namespace tempotest;

TVxAnalysisResult Analyze(const std::string& path, unsigned parts) {
    TVxDecoderSet decoders;
    const std::atomic<bool> never{false};
    return VxAnalyzeSong(decoders, path.c_str(), {}, never, parts);
}

TEST(MusicKey, NamesAndCodesFollowTheWheel) {
    const struct {
        int Tonic;
        bool Minor;
        const char *Name, *Camelot, *OpenKey;
    } cases[] = {
        {0, false, "C major", "8B", "1d"},  {9, true, "A minor", "8A", "1m"},
        {6, false, "F# major", "2B", "7d"}, {3, true, "Eb minor", "2A", "7m"},
        {4, false, "E major", "12B", "5d"}, {1, true, "C# minor", "12A", "5m"},
        {8, true, "G# minor", "1A", "6m"},  {11, false, "B major", "1B", "6d"},
    };
    for (const auto& c : cases) {
        const int key = VxKeyOf(c.Tonic, c.Minor);
        EXPECT_EQ(VxKeyName(key), c.Name);
        EXPECT_EQ(VxKeyCode(key, TVxKeyNotation::Camelot), c.Camelot) << c.Name;
        EXPECT_EQ(VxKeyCode(key, TVxKeyNotation::OpenKey), c.OpenKey) << c.Name;
    }
    EXPECT_EQ(VxKeyName(kVxNoKey), "");
    const int aMinor = VxKeyOf(9, true);
    EXPECT_TRUE(VxKeysCompatible(aMinor, VxKeyOf(0, false)));  // 8B, relative
    EXPECT_TRUE(VxKeysCompatible(aMinor, VxKeyOf(4, true)));   // 9A
    EXPECT_TRUE(VxKeysCompatible(aMinor, VxKeyOf(2, true)));   // 7A
    EXPECT_FALSE(VxKeysCompatible(aMinor, VxKeyOf(7, false))); // 9B
    EXPECT_FALSE(VxKeysCompatible(aMinor, VxKeyOf(11, true))); // 10A
    EXPECT_FALSE(VxKeysCompatible(aMinor, kVxNoKey));
}

// Plain chord progressions in all 24 keys and two detuned by 30 cents,
// after a lead-in of faint hiss: every key exact (a band a third of a
// semitone off still plays in its key; a progression that dwells on its
// fourth as long as on its tonic is still in the tonic's key), and where the
// music starts (the hiss is not the music).
TEST(SongAnalysis, FindsTheKeyAndWhereTheMusicStarts) {
    std::ifstream list(VX_KEY_SONGS "/key-fixtures.txt");
    std::string name, mode;
    int tonic = 0;
    double startMs = 0;
    int songs = 0;
    while (list >> name >> tonic >> mode >> startMs) {
        const int truth = VxKeyOf(tonic, mode == "minor");
        const TVxAnalysisResult result =
            Analyze(VX_KEY_SONGS "/" + name, kVxKeyPart | kVxLoudnessPart);
        ASSERT_EQ(result.Status, TVxAnalysisStatus::Done) << name;
        EXPECT_EQ(VxKeyName(result.Key), VxKeyName(truth)) << name;
        EXPECT_NEAR(result.Loudness.MusicStartMs, startMs, 10) << name;
        ++songs;
    }
    ASSERT_EQ(songs, 26);
}

TEST(SongAnalysis, MeasuresEbuTestSignalsToATenthOfALoudnessUnit) {
    std::ifstream list(VX_KEY_SONGS "/loudness-fixtures.txt");
    std::string name;
    double lufs = 0;
    int songs = 0;
    while (list >> name >> lufs) {
        const TVxLoudness loudness = Analyze(VX_KEY_SONGS "/" + name, kVxLoudnessPart).Loudness;
        ASSERT_TRUE(loudness.Known) << name;
        EXPECT_NEAR(loudness.Lufs, lufs, 0.1) << name;
        ++songs;
    }
    EXPECT_EQ(songs, 4);
    // A steady tone's true peak is its amplitude.
    EXPECT_NEAR(Analyze(VX_KEY_SONGS "/ebu-1.wav", kVxLoudnessPart).Loudness.TruePeakDbtp, -23,
                0.1);
    const fs::path dir = ScratchDir("loudness-silence");
    EXPECT_FALSE(Analyze(SilentWav(dir / "silent.wav", 88211), kVxLoudnessPart).Loudness.Known);
}

// loudgain's integrated loudness and true peak of a song.
bool Loudgain(const std::string& path, double& lufs, double& peakDbtp) {
    const std::string command = "loudgain -O -q '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return false;
    char line[1024];
    std::string last;
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        last = line;
    pclose(pipe);
    // File, loudness ("-12.21 LUFS"), range, true peak, true peak in dBTP, ...
    std::istringstream fields(last);
    std::string file, unit, range, rangeUnit, peak;
    return static_cast<bool>(std::getline(fields, file, '\t') >> lufs >> unit >> range >>
                             rangeUnit >> peak >> peakDbtp);
}

// The tempo fixtures and the rendered corpus, in every format they come in.
TEST(SongAnalysis, LoudnessAndTruePeakAgreeWithLoudgain) {
    std::vector<std::string> songs;
    for (const char* name : {"kickhat-128.mp3", "swing-174.flac", "kickhat-123.45.ogg",
                             "tonal-93.33.wav", "edge-swing-48000-180.wav"})
        songs.push_back(FixtureSong(name));
    std::ifstream corpus(VX_CORPUS "/corpus.txt");
    for (std::string line; std::getline(corpus, line);)
        songs.push_back(VX_CORPUS "/" + line.substr(0, line.find(' ')));
    ASSERT_EQ(songs.size(), 17u);
    for (const std::string& song : songs) {
        double lufs = 0, peak = 0;
        ASSERT_TRUE(Loudgain(song, lufs, peak)) << song;
        const TVxLoudness loudness = Analyze(song, kVxLoudnessPart).Loudness;
        ASSERT_TRUE(loudness.Known) << song;
        EXPECT_NEAR(loudness.Lufs, lufs, 0.2) << song;
        EXPECT_NEAR(loudness.TruePeakDbtp, peak, 0.2) << song;
    }
}

// A cache of the tempo alone (an earlier version's) gains the key and the
// loudness without the tempo being analysed again: the stored tempo, wrong
// on purpose here, stays.
TEST(SongAnalysis, TheWorkerAnalysesOnlyThePartsTheCacheLacks) {
    const fs::path folder = ScratchDir("worker-parts");
    const std::string song = VX_KEY_SONGS "/key-9-minor.wav";
    {
        TVxTempoCache cache(folder.string());
        ASSERT_TRUE(cache.Open());
        ASSERT_TRUE(cache.StoreDetected(*VxFileKeyOf(song), {111, 3}, kVxTempoAnalysisVersion));
    }
    TVxTempoWorker worker(folder.string(), {}, false);
    worker.OpenSong(song);
    ASSERT_TRUE(worker.WaitIdle(60000));
    const TVxSongTempo found = worker.SongTempo();
    EXPECT_DOUBLE_EQ(found.Bpm, 111);
    EXPECT_EQ(found.Key, VxKeyOf(9, true));
    EXPECT_TRUE(found.Loudness.Known);
    TVxTempoCache cache(folder.string());
    ASSERT_TRUE(cache.Open());
    const auto row = cache.Lookup(*VxFileKeyOf(song));
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->KeyVersion, kVxKeyAnalysisVersion);
    EXPECT_EQ(row->LoudnessVersion, kVxLoudnessAnalysisVersion);
    EXPECT_DOUBLE_EQ(row->Detected.Bpm, 111);
}

} // namespace
