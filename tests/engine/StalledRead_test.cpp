// A song's read that stalls on a hung medium: the worker is away in it
// (here a ticking thread of the test's own, held at a read gate), and the
// deck must still close the song, open and play another, and end.
#include "engine/VxSystem.h"

#include "EngineFixtures.h"
#include "tests/decoding/SlowReads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

using namespace enginetest;

namespace {

// Runs action on a thread of its own and tells whether it finished while
// the read stays stalled. A generous guard, not a timing: should the action
// wait for the read after all, the gate opens, so that the test fails
// instead of hanging.
bool CompletesWhileStalled(TReadGate& gate, const std::function<void()>& action) {
    std::future<void> done = std::async(std::launch::async, action);
    if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return true;
    gate.Release();
    done.wait();
    return false;
}

// Opens the MPEG song, plays it a little, then asks for a seek whose seek
// and first read the returned thread's tick runs into the gate.
std::thread StallOnASeek(TDeck& deck, const std::string& mp3, TReadGate*& gate,
                         std::unique_ptr<TReadGate>& holder) {
    TVxSystemTAG* system = deck.System.get();
    EXPECT_EQ(system->OpenSong(mp3.c_str(), false), 0);
    system->PlayPause();
    deck.Step(3);
    holder = std::make_unique<TReadGate>();
    gate = holder.get();
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

    std::unique_ptr<TReadGate> holder;
    TReadGate* gate = nullptr;
    std::thread ticker = StallOnASeek(deck, mp3, gate, holder);
    EXPECT_TRUE(CompletesWhileStalled(*gate, [&] { system.CloseSong(); }));
    EXPECT_EQ(system.State, kVxNoSong);
    int status = 1;
    EXPECT_TRUE(
        CompletesWhileStalled(*gate, [&] { status = system.OpenSong(next.c_str(), false); }));
    ASSERT_EQ(status, 0);

    // The next song plays while the old read is still out, then after the
    // read returns: its chunk belongs to a closed song and is never written.
    deck.Output.clear();
    system.PlayPause();
    deck.Step(40);
    gate->Release();
    ticker.join();
    holder.reset();
    const int steps = int(nextFrames / kFramesPerTick) + 10;
    deck.Step(steps);
    const auto heard = [&](size_t frame) {
        return PatternFrame(deck.Output[2 * frame], deck.Output[2 * frame + 1]);
    };
    const size_t firstSound =
        (std::find_if(deck.Output.begin(), deck.Output.end(), [](int16_t v) { return v != 0; }) -
         deck.Output.begin()) /
        2;
    const int64_t first = heard(firstSound + kRampFrames); // past the start's ramp
    ASSERT_GE(first, 0);
    ASSERT_LT(first, 2 * kRampFrames) << "the song starts at its beginning";
    const size_t songStart = firstSound + kRampFrames - size_t(first);
    ASSERT_LE(songStart + nextFrames, deck.Output.size() / 2);
    for (uint32_t f = uint32_t(first); f < nextFrames; ++f)
        ASSERT_EQ(heard(songStart + f), f);
    EXPECT_TRUE(system.IsEndOfSong());

    // Ending the deck while a read hangs: the tick away in it returns when
    // the read does, without touching what is gone.
    ticker = StallOnASeek(deck, mp3, gate, holder);
    EXPECT_TRUE(CompletesWhileStalled(*gate, [&] { deck.System.reset(); }));
    gate->Release();
    ticker.join();
}

} // namespace
