// Every sample of a song reaches the device, to the last one, and the end is
// announced only once it has played. The songs are made here, at lengths
// that end anywhere in a chunk or a read unit (one of three minutes), from
// tones, pink noise and a click train, so that a lossy encoder switches
// block sizes; the deck plays them on a float device, and what it plays is
// compared with the reference decoders: sox and flac sample for sample,
// FFmpeg's straight decode within one step of 16-bit output for lossy codecs.
#include "EngineTestSupport.h"

#include "engine/device/ZylSampleFormat.h"
#include "tests/decoding/FormatReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>

using namespace enginetest;

namespace {

struct TSongCase {
    const char* Name;    // the file made, whose extension picks the decoder
    const char* Seconds; // the length sox makes
    int Bits;            // the source's sample width
    const char* Encode;  // encodes $in to $out, or "" for the WAV itself
    const char* Decode;  // the reference decode of $out to standard output
    TZylSampleType Type; // the layout of the reference's samples
    float Tolerance;     // largest difference from the reference
};

constexpr float kLossyStep = 1.0f / 32768;
const char kRawSox[] = "sox $out -t raw -";
const char kRawFlac[] = "flac -d -s -c --force-raw-format --endian=little --sign=signed $out";
const char kFloatFfmpeg[] = "ffmpeg -nostdin -loglevel error -i $out -f f32le -";

const TSongCase kSongs[] = {
    {"s16.wav", "7.8301", 16, "", kRawSox, TZylSampleType::S16, 0},
    {"s24.wav", "30", 24, "", kRawSox, TZylSampleType::S24, 0},
    {"s24-long.wav", "181.37", 24, "", kRawSox, TZylSampleType::S24, 0},
    {"s32.wav", "11.1113", 32, "", kRawSox, TZylSampleType::S32, 0},
    {"f16.flac", "5.4321", 16, "flac -s -f -o $out $in", kRawFlac, TZylSampleType::S16, 0},
    {"f24.flac", "40", 24, "flac -s -f -o $out $in", kRawFlac, TZylSampleType::S24, 0},
    {"v.ogg", "12.3457", 16, "oggenc -Q -q 5 -o $out $in", kFloatFfmpeg, TZylSampleType::F32,
     kLossyStep},
    // Without noise substitution AAC decodes alike from any starting point,
    // so that seeks are exact too. A whole number of milliseconds long: the
    // container states the end in milliseconds.
    {"a.m4a", "6.667", 16,
     "ffmpeg -nostdin -loglevel error -y -i $in -c:a aac -aac_pns 0 -b:a 160k $out", kFloatFfmpeg,
     TZylSampleType::F32, kLossyStep},
};

std::string ToolString(const std::string& command) {
    const std::vector<uint8_t> bytes = ToolOutput(command);
    return std::string(bytes.begin(), bytes.end());
}

void PrintTo(const TSongCase& c, std::ostream* os) {
    *os << c.Name;
}

std::string Replace(std::string text, const std::string& name, const std::string& value) {
    for (size_t at; (at = text.find(name)) != std::string::npos;)
        text.replace(at, name.size(), value);
    return text;
}

class WholeSongTest : public ::testing::TestWithParam<TSongCase> {
public:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/vx-wholesong-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Dir = pattern;
    }
    static void TearDownTestSuite() {
        References.clear();
        std::system(("rm -rf '" + Dir + "'").c_str());
    }

protected:
    // Makes the song, once, and returns its reference samples as floats.
    const std::vector<float>& Song(const TSongCase& c, std::string& path) {
        path = Dir + "/" + c.Name;
        std::vector<float>& samples = References[c.Name];
        if (samples.empty())
            samples = MakeSong(c, path);
        return samples;
    }

    // A deck on a float device with the song open, playing from ms.
    void Start(TDeck& deck, const std::string& path, uint32_t ms) {
        TVxSystemTAG& system = *deck.System;
        system.Song.DeviceParams.Format = &Device;
        ASSERT_EQ(system.OpenSong(path.c_str(), false), 0) << DiagLastMessage();
        if (ms)
            system.SetPosition(ms);
        system.PlayPause();
        system.Tick();
    }

    // One tick of output added to played.
    static void Step(TDeck& deck, std::vector<float>& played) {
        std::vector<float> block(size_t(kFramesPerTick) * 2);
        ASSERT_EQ(ZylNullStep(kFramesPerTick, block.data()), kFramesPerTick);
        played.insert(played.end(), block.begin(), block.end());
        deck.Clock.Advance(TVxSystemTAG::TickMs);
        deck.System->Tick();
    }

    // Frames from the ramp's end on that differ from the reference from
    // sample first on (whole frames); reports the first one.
    static size_t Differing(const std::vector<float>& played, const std::vector<float>& expected,
                            size_t first, float tolerance) {
        size_t differing = 0;
        for (size_t i = size_t(kRampFrames) * 2; i < played.size() && first + i < expected.size();
             ++i)
            if (std::fabs(played[i] - expected[first + i]) > tolerance && differing++ == 0)
                ADD_FAILURE() << "first at frame " << (first + i) / 2 << " of "
                              << expected.size() / 2;
        return differing;
    }

    TWaveFormatEx Device = MakeFloatFormat(2, kRate);

private:
    std::vector<float> MakeSong(const TSongCase& c, const std::string& path) {
        const std::string source = *c.Encode ? path + ".wav" : path;
        const std::string length = c.Seconds;
        const std::string make = "sox -R -n -r 44100 -c 2 -b " + std::to_string(c.Bits) + " '" +
                                 source + "' synth " + length + " sine 440 sine 661 synth " +
                                 length + " pinknoise mix synth " + length +
                                 " square mix 2 0 0 1 gain -6";
        EXPECT_EQ(std::system(make.c_str()), 0) << make;
        if (*c.Encode) {
            const std::string encode =
                Replace(Replace(c.Encode, "$in", "'" + source + "'"), "$out", "'" + path + "'");
            EXPECT_EQ(std::system((encode + " 2>/dev/null").c_str()), 0) << encode;
        }
        std::vector<uint8_t> raw = ToolOutput(Replace(c.Decode, "$out", "'" + path + "'"));
        // A lossy straight decode may go on into the encoder's padding; the
        // song is the source's length.
        const size_t sourceFrames = std::stoul("0" + ToolString("soxi -s '" + source + "'"));
        raw.resize(std::min(raw.size(), sourceFrames * 2 * ZylSampleBytes(c.Type)));
        std::vector<float> samples(raw.size() / ZylSampleBytes(c.Type));
        ZylPcmToFloat(raw.data(), c.Type, uint32_t(samples.size()), samples.data());
        return samples;
    }

    static std::string Dir;
    static std::map<std::string, std::vector<float>> References;
};

std::string WholeSongTest::Dir;
std::map<std::string, std::vector<float>> WholeSongTest::References;

TEST_P(WholeSongTest, PlaysEverySampleToTheLastThenEnds) {
    const TSongCase& c = GetParam();
    std::string path;
    const std::vector<float>& expected = Song(c, path);
    ASSERT_GT(expected.size(), size_t(kRate));
    TDeck deck;
    Start(deck, path, 0);
    // Played tick by tick until the end is announced, which may come at
    // most a read unit and a tick after the last sample.
    std::vector<float> played;
    const size_t limit = expected.size() + size_t(kRate);
    while (!deck.System->IsEndOfSong() && played.size() < limit)
        Step(deck, played);
    ASSERT_GE(played.size(), expected.size()) << "the end came early";
    ASSERT_LT(played.size(), expected.size() + 4 * kFramesPerTick) << "the end came late";
    EXPECT_EQ(Differing(played, expected, 0, c.Tolerance), 0u);
    for (size_t i = expected.size(); i < played.size(); ++i)
        ASSERT_EQ(played[i], 0.0f) << "silence after the song, frame " << i / 2;
}

// A seek to a position between samples lands on the sample a straight
// decode reaches there, also in the midst of short lossy blocks.
TEST_P(WholeSongTest, SeeksLandOnTheReferenceSample) {
    const TSongCase& c = GetParam();
    std::string path;
    const std::vector<float>& expected = Song(c, path);
    const auto lengthMs = uint32_t(expected.size() / 2 * 1000 / kRate);
    for (const uint32_t ms : {1003u, 3217u, lengthMs / 7 * 3, lengthMs / 11 * 8, lengthMs - 700}) {
        SCOPED_TRACE(ms);
        TDeck deck;
        Start(deck, path, ms);
        std::vector<float> played;
        while (played.size() < size_t(kRate))
            Step(deck, played);
        const size_t first = size_t(uint64_t(ms) * kRate / 1000) * 2;
        EXPECT_EQ(Differing(played, expected, first, c.Tolerance), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Songs, WholeSongTest, ::testing::ValuesIn(kSongs), [](const auto& info) {
    std::string name = info.param.Name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
});

} // namespace
