// Positions on MPEG songs with the deck's default settings, as a DJ meets
// them: what plays after a seek, after a return to the cue point and after a
// fixed search step is the straight decode from exactly that sample. Each
// song is played plain and behind 300 KB of cover art.
#include "engine/VxSystem.h"

#include "EngineFixtures.h"
#include "tests/decoding/ID3v2TagBuilder.h"
#include "tests/decoding/MpegReference.h"

#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

using namespace enginetest;

namespace {

using TSongCase = std::tuple<const char*, uint32_t>; // fixture, tag bytes

// A run played after a restart starts on its exact frame and fades in over
// the transport ramp; from there on it is the song untouched.
size_t PlayedStart(const std::vector<int16_t>& out) {
    EXPECT_GT(out.size(), 2 * size_t{kRampFrames});
    return kRampFrames;
}

struct MpegDefaultPath : ::testing::TestWithParam<TSongCase> {
    wavtest::TempFolder Folder{"engine-mpeg"};
    TDeck Deck;
    TVxSystemTAG& System = *Deck.System;
    std::vector<int16_t> Straight; // the straight decode, interleaved stereo

    void SetUp() override {
        const auto [name, tagBytes] = GetParam();
        std::ifstream in(MpegFixture(name), std::ios::binary);
        wavtest::Bytes song((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (tagBytes > 0)
            song = id3test::Joined({id3test::Tag(tagBytes), song});
        TMpegReference reference;
        ASSERT_TRUE(DecodeReference(MpegFixture(name), &reference));
        ASSERT_EQ(reference.Rate, 44100);
        ASSERT_EQ(reference.Channels, 2);
        const std::vector<uint8_t> pcm = reference.Pcm();
        Straight.resize(pcm.size() / 2);
        std::memcpy(Straight.data(), pcm.data(), pcm.size());
        // The default settings: nothing is set before the open.
        ASSERT_EQ(System.OpenSong(Folder.Write(name, song).c_str(), false), 0);
        Deck.Step();
    }

    uint32_t LengthMs() {
        TVxSongInfo info;
        System.GetSongInfo(info);
        return info.LengthMs;
    }
    // A run played after a restart is the straight decode from song frame at.
    void ExpectRunIs(const std::vector<int16_t>& out, size_t at) {
        const size_t from = 2 * PlayedStart(out);
        ASSERT_LT(2 * at + from, Straight.size());
        const size_t compared = std::min(out.size() - from, Straight.size() - 2 * at - from);
        for (size_t i = 0; i < compared; ++i)
            ASSERT_EQ(out[from + i], Straight[2 * at + from + i]) << "sample " << i;
    }
    // Plays a few ticks from the current position and pauses again.
    void ExpectPlaysFrom(size_t at) {
        Deck.Output.clear();
        System.PlayPause();
        Deck.Step(3);
        System.PlayPause();
        ExpectRunIs(Deck.Output, at);
    }
};

TEST_P(MpegDefaultPath, LengthIsTheExactIndexs) {
    TZylMP3TAG exact;
    ASSERT_EQ(exact.Open(MpegFixture(std::get<0>(GetParam())).c_str(), kMP3ModeExactIndex), 0);
    EXPECT_EQ(LengthMs(), exact.LengthMs);
}

TEST_P(MpegDefaultPath, SetPositionPlaysFromThatSample) {
    for (uint32_t ms = 101; ms + 200 < LengthMs(); ms += 173) {
        SCOPED_TRACE(ms);
        System.SetPosition(ms);
        Deck.Step();
        ExpectPlaysFrom(size_t{ms} * 441 / 10);
    }
}

TEST_P(MpegDefaultPath, CueComesBackToTheAudioThatPlayedThere) {
    System.PlayPause();
    Deck.Step(37);
    System.PlayPause(); // pausing sets the cue point
    const uint32_t cueMs = Deck.Time().SliderMs;
    ASSERT_GT(cueMs, 600u);
    Deck.Output.clear();
    System.PlayPause(); // play on from the cue point for a while
    Deck.Step(20);
    const std::vector<int16_t> first = Deck.Output;
    System.CuePress();
    EXPECT_EQ(System.State, kVxCued);
    Deck.Step();
    Deck.Output.clear();
    System.PlayPause();
    Deck.Step(3);
    const std::vector<int16_t>& again = Deck.Output;
    const size_t firstFrom = 2 * PlayedStart(first);
    const size_t from = 2 * PlayedStart(again);
    ASSERT_GT(again.size() - from, 4000u);
    for (size_t i = 0; from + i < again.size(); ++i)
        ASSERT_EQ(again[from + i], first[firstFrom + i]) << "sample " << i;
    ExpectRunIs(first, size_t{cueMs} * 441 / 10);
}

TEST_P(MpegDefaultPath, FixedSearchStepsMoveByExactlyTheirLength) {
    TVxSystemOptions options;
    System.GetOptions(options);
    options.Flags &= ~kVxOptionSearchLoop; // searched positions, not the loop's audio
    System.SetOptions(options);
    const uint32_t start = 900; // a step back of 1000 ms stops at the start
    for (int kind : {1, 2, 3}) {
        for (bool forward : {true, false}) {
            const uint32_t step = kind == 1 ? 10 : kind == 2 ? 100 : 1000;
            SCOPED_TRACE(std::to_string(step) + (forward ? " forward" : " backward"));
            System.SetPosition(start);
            Deck.Step();
            forward ? System.SearchForwardPress(kind) : System.SearchBackwardPress(kind);
            Deck.Step();
            System.SearchForwardRelease();
            const uint32_t target = forward ? start + step : start > step ? start - step : 0;
            ASSERT_EQ(Deck.Time().PositionMs, target);
            Deck.Step();
            ExpectPlaysFrom(size_t{target} * 441 / 10);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Songs, MpegDefaultPath,
                         ::testing::Combine(::testing::Values("cbr128_id3v1.mp3", "vbr_xing.mp3",
                                                              "vbr_noxing.mp3", "layer2_44k.mp2"),
                                            ::testing::Values(0u, 300000u)),
                         [](const ::testing::TestParamInfo<TSongCase>& info) {
                             std::string name = std::get<0>(info.param);
                             name = name.substr(0, name.find('.'));
                             return name + (std::get<1>(info.param) ? "_tagged" : "");
                         });

} // namespace
