// A song's read that stalls on a hung medium: the worker is away in it
// (here a ticking thread of the test's own, held at a read gate), and the
// deck must still close the song, open and play another, and end.
#include "engine/VxSystem.h"

#include "EngineFixtures.h"
#include "tests/decoding/SlowReads.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace enginetest;

namespace {

// Opens the MPEG song, plays it a little, then asks for a seek whose seek
// and first read the returned thread's tick runs into the gate.
std::thread StallOnASeek(TDeck& deck, const std::string& mp3, std::unique_ptr<TReadGate>& gate) {
    TVxSystemTAG* system = deck.System.get();
    EXPECT_EQ(system->OpenSong(mp3.c_str(), false), 0);
    system->PlayPause();
    deck.Step(3);
    gate = std::make_unique<TReadGate>();
    system->SetPosition(1234);
    std::thread ticker([system] { system->Tick(); });
    gate->WaitForAReader();
    return ticker;
}

TEST(StalledRead, TheDeckClosesLoadsPlaysAndEndsWhileAReadHangs) {
    wavtest::TempFolder folder("stalled-read");
    const std::string mp3 = MpegFixture("vbr_xing.mp3");
    const uint32_t nextFrames = 3 * kRate + 777;
    const std::string next = folder.Write("next.wav", PatternWav(nextFrames));
    TDeck deck;
    TVxSystemTAG& system = *deck.System;

    std::unique_ptr<TReadGate> gate;
    std::thread ticker = StallOnASeek(deck, mp3, gate);
    EXPECT_TRUE(gate->Completes([&] { system.CloseSong(); }));
    EXPECT_EQ(system.State, kVxNoSong);
    int status = 1;
    EXPECT_TRUE(gate->Completes([&] { status = system.OpenSong(next.c_str(), false); }));
    ASSERT_EQ(status, 0);

    // The next song plays while the old read is still out, then after the
    // read returns: its chunk belongs to a closed song and is never written.
    deck.Output.clear();
    system.PlayPause();
    deck.Step(40);
    gate->Release();
    ticker.join();
    gate.reset();
    const int steps = int(nextFrames / kFramesPerTick) + 10;
    deck.Step(steps);
    const auto heard = [&](size_t frame) {
        return PatternFrame(deck.Output[2 * frame], deck.Output[2 * frame + 1]);
    };
    const size_t heardFrames = deck.Output.size() / 2;
    size_t firstSound = 0;
    while (firstSound + kRampFrames < heardFrames && deck.Output[2 * firstSound] == 0)
        ++firstSound;
    const int64_t first = heard(firstSound + kRampFrames); // past the start's ramp
    ASSERT_GE(first, 0);
    ASSERT_LT(first, 2 * kRampFrames) << "the song starts at its beginning";
    const size_t songStart = firstSound + kRampFrames - size_t(first);
    ASSERT_LE(songStart + nextFrames, heardFrames);
    for (uint32_t f = uint32_t(first); f < nextFrames; ++f)
        ASSERT_EQ(heard(songStart + f), f);
    EXPECT_TRUE(system.IsEndOfSong());

    // Ending the deck while a read hangs: the tick away in it returns when
    // the read does, without touching what is gone.
    ticker = StallOnASeek(deck, mp3, gate);
    EXPECT_TRUE(gate->Completes([&] { deck.System.reset(); }));
    gate->Release();
    ticker.join();
}

} // namespace
