// The deck's start of a song from its analysis: the gain that levels it,
// in place before its first sample and never changed under a playing song,
// and the cue on the first sound, in the deck's own timeline (a lossy
// file's encoder delay included), never moved under the user. The songs are
// made here with sox and lame: tones, pink noise and sharp clicks at odd
// lengths; the deck plays them on a float device stepped by hand.
#include "EngineTestSupport.h"

#include "analysis/VxLevelGain.h"
#include "analysis/VxSongAnalysis.h"
#include "decoding/VxDecoderSet.h"
#include "engine/device/ZylLaws.h"
#include "tests/decoding/FormatReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>
#include <unistd.h>

using namespace enginetest;

namespace {

constexpr double kTargetLufs = -14;

// How the level reaches the deck.
enum class TArrives {
    AtOpen,     // from the cache, with the open
    BeforePlay, // the analysis ends while the song waits at its cue
    AfterPlay,  // the analysis ends once the song plays: it keeps unity
};

// What bounds the song's gain.
enum class TBound { Loudness, TruePeak };

struct TLevelCase {
    const char* Name;
    const char* Make; // writes $out
    TArrives Arrives;
    TBound Bound;
    double GainSign; // the sign the gain must have
};

const char kQuiet[] = "sox -n -r 44100 -c 2 -b 16 $out synth 9.3171 sine 440 sine 661 synth "
                      "9.3171 pinknoise mix synth 9.3171 square mix 3.3 gain -33";
// A quiet bed with a few clicks near full scale: the peaks, not the
// loudness, bound how far it may rise.
const char kPeaky[] =
    "sox -n -r 44100 -c 2 $out.bed.wav synth 8.7779 pinknoise sine 523 gain -38 && "
    "sox -n -r 44100 -c 2 $out.click.wav synth 0.004 sine 2500 gain -4.5 pad 0.9131 1.3617 "
    "repeat 5 && sox -m $out.bed.wav $out.click.wav $out trim 0 8.7779";
const char kLoud[] = "sox -n -r 44100 -c 2 $out.wav synth 7.5313 sine 220 sine 331 synth 7.5313 "
                     "pinknoise mix gain -3 && lame --quiet -b 192 $out.wav $out";

const TLevelCase kLevelCases[] = {
    {"quiet.wav", kQuiet, TArrives::AtOpen, TBound::Loudness, +1},
    {"peaky.flac", kPeaky, TArrives::BeforePlay, TBound::TruePeak, +1},
    {"loud.mp3", kLoud, TArrives::AtOpen, TBound::Loudness, -1},
    {"quiet.wav", kQuiet, TArrives::AfterPlay, TBound::Loudness, +1},
};

void PrintTo(const TLevelCase& c, std::ostream* os) {
    *os << c.Name << " " << static_cast<int>(c.Arrives);
}

std::string Replace(std::string text, const std::string& name, const std::string& value) {
    for (size_t at; (at = text.find(name)) != std::string::npos;)
        text.replace(at, name.size(), value);
    return text;
}

TVxLoudness Measure(const std::string& path) {
    TVxDecoderSet decoders;
    const std::atomic<bool> never{false};
    return VxAnalyzeSong(decoders, path.c_str(), {}, never, kVxLoudnessPart).Loudness;
}

// The loudness of what the deck played.
TVxLoudness MeasurePlayed(const std::vector<float>& played) {
    TVxLoudnessMeter meter(kRate, 2);
    meter.Feed(played.data(), played.size() / 2);
    return meter.Finish();
}

class SongStartTest : public ::testing::TestWithParam<TLevelCase> {
public:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/vx-songstart-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Dir = pattern;
    }
    static void TearDownTestSuite() {
        Unlevelled.clear();
        std::system(("rm -rf '" + Dir + "'").c_str());
    }

protected:
    static std::string Make(const char* name, const char* make) {
        const std::string path = Dir + "/" + name;
        if (access(path.c_str(), F_OK) != 0) {
            const std::string command = Replace(make, "$out", path);
            EXPECT_EQ(std::system(("export SOX_OPTS='-V1 -R'; " + command).c_str()), 0) << command;
        }
        return path;
    }

    // A deck on a float device with the song open.
    void Open(TDeck& deck, const std::string& path, const TVxSongStart& start) {
        deck.System->Song.DeviceParams.Format = &Device;
        ASSERT_EQ(deck.System->OpenSong(path.c_str(), false, start), 0) << DiagLastMessage();
    }

    // Plays from where the deck stands, offering start after the first
    // ticks of sound when asked, to the song's end.
    static std::vector<float> PlayThrough(TDeck& deck, const TVxSongStart* lateStart = nullptr) {
        deck.System->PlayPause();
        deck.System->Tick();
        std::vector<float> played;
        std::vector<float> block(size_t(kFramesPerTick) * 2);
        for (int tick = 0; !deck.System->IsEndOfSong(); ++tick) {
            if (tick == 5 && lateStart != nullptr)
                deck.System->OfferSongStart(*lateStart);
            EXPECT_EQ(ZylNullStep(kFramesPerTick, block.data()), kFramesPerTick);
            played.insert(played.end(), block.begin(), block.end());
            deck.Clock.Advance(TVxSystemTAG::TickMs);
            deck.System->Tick();
        }
        return played;
    }

    // What the deck plays of the song with leveling off.
    const std::vector<float>& PlayedUnlevelled(const std::string& path) {
        std::vector<float>& played = Unlevelled[path];
        if (played.empty()) {
            TDeck deck;
            Open(deck, path, {});
            played = PlayThrough(deck);
        }
        return played;
    }

    TWaveFormatEx Device = MakeFloatFormat(2, kRate);
    static std::string Dir;
    static std::map<std::string, std::vector<float>> Unlevelled;
};

std::string SongStartTest::Dir;
std::map<std::string, std::vector<float>> SongStartTest::Unlevelled;

// Every sample the deck plays is the unlevelled one times the song's gain,
// from the very first (the fade-in included); a gain that arrives once the
// song plays leaves it at unity, sample for sample. The levelled song
// measures the target loudness, or touches the true-peak ceiling.
TEST_P(SongStartTest, LevelsTheSongBeforeItsFirstSampleAndNeverUnderIt) {
    const TLevelCase& c = GetParam();
    const std::string path = Make(c.Name, c.Make);
    const TVxLoudness loudness = Measure(path);
    ASSERT_TRUE(loudness.Known);
    const double gainDb = VxLevelGainDb(loudness, kTargetLufs);
    ASSERT_GT(gainDb * c.GainSign, 1.0) << gainDb;
    const bool peakBound =
        kVxLevelCeilingDbtp - loudness.TruePeakDbtp < kTargetLufs - loudness.Lufs;
    ASSERT_EQ(peakBound, c.Bound == TBound::TruePeak)
        << loudness.Lufs << " " << loudness.TruePeakDbtp;

    const std::vector<float>& unlevelled = PlayedUnlevelled(path);
    TDeck deck;
    const TVxSongStart start{gainDb, 0};
    Open(deck, path, c.Arrives == TArrives::AtOpen ? start : TVxSongStart{});
    if (c.Arrives == TArrives::BeforePlay)
        deck.System->OfferSongStart(start);
    const std::vector<float> played =
        PlayThrough(deck, c.Arrives == TArrives::AfterPlay ? &start : nullptr);
    ASSERT_EQ(played.size(), unlevelled.size());

    const bool levelled = c.Arrives != TArrives::AfterPlay;
    EXPECT_DOUBLE_EQ(deck.System->SongLevelDb(), levelled ? gainDb : 0.0);
    const float gain = levelled ? ZylLevelGain(gainDb) : 1.0f;
    // The gain joins the volume's factor before the sample is scaled: two
    // roundings of a float apart from scaling the unlevelled sample. At unity
    // the samples are the unlevelled ones, bit for bit.
    const float tolerance = levelled ? 3e-7f : 0.0f;
    size_t differing = 0;
    for (size_t i = 0; i < played.size(); ++i)
        if (std::fabs(played[i] - unlevelled[i] * gain) > tolerance * std::fabs(played[i]) &&
            differing++ == 0)
            ADD_FAILURE() << "first at frame " << i / 2 << ": " << played[i] << " for "
                          << unlevelled[i] * gain;
    EXPECT_EQ(differing, 0u);
    if (!levelled)
        return;
    const TVxLoudness heard = MeasurePlayed(played);
    ASSERT_TRUE(heard.Known);
    EXPECT_LE(heard.TruePeakDbtp, kVxLevelCeilingDbtp + 0.05);
    if (peakBound)
        EXPECT_NEAR(heard.TruePeakDbtp, kVxLevelCeilingDbtp, 0.2);
    else
        EXPECT_NEAR(heard.Lufs, kTargetLufs, 0.2);
}

INSTANTIATE_TEST_SUITE_P(Songs, SongStartTest, ::testing::ValuesIn(kLevelCases));

// Where the deck plays the first sample of music from: the first played
// sample beyond -40 dBFS, in ms from where it started (the lead-in's hiss
// lies 30 dB under that, the music 28 dB over it).
double FirstSoundMs(const std::vector<float>& played) {
    for (size_t i = 0; i < played.size(); ++i)
        if (std::fabs(played[i]) > 0.01f)
            return (i / 2) * 1000.0 / kRate;
    return -1;
}

const char kLeadIn[] =
    "sox -n -r 44100 -c 2 $out.hiss.wav synth 1.2347 pinknoise gain -73 && "
    "sox -n -r 44100 -c 2 $out.music.wav synth 4.1113 sine 392 sine 587 synth 4.1113 pinknoise "
    "mix gain -10 && sox $out.hiss.wav $out.music.wav $out.wav";
constexpr double kLeadInMs = 1234.7;

// The cue goes where the deck plays the first sound, to within 10 ms, also
// where a lossy encoder put its delay before the music; and it stays where
// the user or the transport put it.
TEST_F(SongStartTest, CuesTheFirstSoundOnlyWhileTheDeckStandsWhereItOpened) {
    const std::string wav = Make("lead-in", kLeadIn) + ".wav";
    const std::string mp3 = Make(
        "lead-in.mp3", (std::string(kLeadIn) + " && lame --quiet -b 160 $out.wav $out").c_str());
    for (const std::string& path : {wav, mp3}) {
        const TVxLoudness loudness = Measure(path);
        ASSERT_TRUE(loudness.Known) << path;
        const TVxSongStart start{0, static_cast<uint32_t>(std::lround(loudness.MusicStartMs))};
        double onsetMs = 0;
        {
            TDeck deck;
            Open(deck, path, {});
            onsetMs = FirstSoundMs(PlayThrough(deck));
        }
        // The encoder's delay moves the music later in the deck's timeline
        // than in the source: a cue on the source's time would be early.
        if (path == mp3) {
            EXPECT_GT(onsetMs - kLeadInMs, 20);
        }
        TDeck deck;
        Open(deck, path, start);
        EXPECT_EQ(deck.Time().SliderMs, start.CueMs) << path;
        EXPECT_EQ(deck.Time().PositionMs, start.CueMs) << path;
        EXPECT_NEAR(start.CueMs, onsetMs, 10) << path;
        EXPECT_NEAR(FirstSoundMs(PlayThrough(deck)), 0, 10) << path;
    }

    const TVxSongStart start{0, 1234};
    struct TUserCase {
        const char* What;
        void (*Before)(TDeck&);
        uint32_t CueMs; // where the cue must be after the offer
    } cases[] = {
        {"parked at the open", [](TDeck&) {}, 1234},
        {"moved by the user", [](TDeck& d) { d.System->SetPosition(501); }, 501},
        {"cued by the user", [](TDeck& d) { d.System->CuePress(); }, 0},
        {"playing",
         [](TDeck& d) {
             d.System->PlayPause();
             d.Step(10);
         },
         0},
        {"played, paused and taken back to the start",
         [](TDeck& d) {
             d.System->PlayPause();
             d.Step(10);
             d.System->PlayPause();
             d.System->SetPosition(0);
         },
         0},
    };
    for (const auto& c : cases) {
        TDeck deck;
        ASSERT_EQ(deck.System->OpenSong(wav.c_str(), false), 0) << DiagLastMessage();
        deck.Step();
        c.Before(deck);
        deck.Step();
        const uint32_t position = deck.Time().PositionMs;
        deck.System->OfferSongStart(start);
        deck.Step();
        EXPECT_EQ(deck.Time().SliderMs, c.CueMs) << c.What;
        if (c.CueMs != start.CueMs) {
            EXPECT_GE(deck.Time().PositionMs, position) << c.What;
        }
    }
}

} // namespace
