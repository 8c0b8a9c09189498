// An open from a slow medium: the file's reads are held at a gate, so the
// open is seen under way for as long as the test likes.
#include "engine/VxSystem.h"

#include "EngineFixtures.h"
#include "tests/decoding/ID3v2TagBuilder.h"
#include "tests/decoding/SlowReads.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <thread>

using namespace enginetest;

namespace {

TEST(SlowOpen, TheDeckRunsOnAndTheOpenCanBeAbortedOrRefusedTwice) {
    wavtest::TempFolder folder("slow-open");
    std::ifstream in(MpegFixture("vbr_xing.mp3"), std::ios::binary);
    const wavtest::Bytes song((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    const std::string path =
        folder.Write("slow.mp3", id3test::Joined({id3test::Tag(300000), song}));
    TDeck deck;
    TVxSystemTAG& system = *deck.System;

    auto gate = std::make_unique<TReadGate>();
    int status = 1;
    std::thread opener([&] { status = system.OpenSong(path.c_str(), false); });
    gate->WaitForAReader();
    EXPECT_TRUE(system.IsOpening());
    // The engine lock is free while the file is read: the worker ticks and
    // the window polls.
    deck.Step(5);
    EXPECT_EQ(deck.Time().PositionMs, 0u);
    EXPECT_EQ(system.State, kVxNoSong);
    EXPECT_EQ(system.OpenSong(path.c_str(), false), kDiagReported);
    EXPECT_NE(std::string(DiagLastMessage()).find("another song is being opened"),
              std::string::npos);

    system.AbortOpen();
    gate->Release();
    opener.join();
    gate.reset();
    EXPECT_EQ(status, kDiagSilent);
    EXPECT_TRUE(system.WasOpenAborted());
    EXPECT_FALSE(system.IsOpening());
    EXPECT_EQ(system.SongLoaded, 0u);
    EXPECT_EQ(system.State, kVxNoSong);
    TVxSongInfo info;
    system.GetSongInfo(info);
    EXPECT_STREQ(info.Title, "(Aborted) slow.mp3");

    // Nothing of the aborted open is left behind: the same file opens.
    ASSERT_EQ(system.OpenSong(path.c_str(), false), 0);
    EXPECT_FALSE(system.WasOpenAborted());
    EXPECT_EQ(system.State, kVxPaused);
    system.GetSongInfo(info);
    EXPECT_GT(info.LengthMs, 1000u);
}

} // namespace
