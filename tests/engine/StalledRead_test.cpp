// A read that stalls on a hung medium: the worker's read of the song (here
// a ticking thread of the test's own, held at a read gate), an open's or the
// playlist scan's. The deck must still close the song, open and play
// another, and end.
#include "engine/VxSystem.h"

#include "EngineFixtures.h"
#include "tests/decoding/SlowReads.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
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

// The reads an unhindered open of path does, all on the opening thread.
size_t ReadsOfAnOpen(TVxSystemTAG& system, const std::string& path) {
    TReadGate counter(TReadGate::kPassAll);
    EXPECT_EQ(system.OpenSong(path.c_str(), false), 0);
    system.CloseSong();
    return counter.Reads();
}

// ESC on an open whose read hangs: the deck may open and play another song
// at once; the open given up, when its read returns at last, finds itself
// replaced and leaves the new song alone.
TEST(StalledRead, AnOpenGivenUpOnAHungReadLetsTheNextSongIn) {
    wavtest::TempFolder folder("stalled-given-up");
    const std::string mp3 = MpegFixture("vbr_xing.mp3");
    const std::string wav = folder.Write("next.wav", PatternWav(kRate + 321));
    TDeck deck;
    TVxSystemTAG& system = *deck.System;
    auto gate = std::make_unique<TReadGate>(ReadsOfAnOpen(system, mp3) - 1);
    int givenUp = 0;
    std::thread opener([&] { givenUp = system.OpenSong(mp3.c_str(), true); });
    gate->WaitForAReader();
    gate->HoldOnlyTheHeldThread();
    ASSERT_TRUE(system.IsOpening());
    system.AbortOpen();
    EXPECT_FALSE(system.IsOpening());
    int next = 1;
    EXPECT_TRUE(gate->Completes([&] { next = system.OpenSong(wav.c_str(), false); }));
    ASSERT_EQ(next, 0);
    gate->Release();
    opener.join();
    gate.reset();
    EXPECT_EQ(givenUp, kDiagSilent);
    EXPECT_EQ(system.SongLoaded, 1u);
    EXPECT_EQ(system.State, kVxPaused) << "the open given up started nothing";
    TVxSongInfo info;
    system.GetSongInfo(info);
    EXPECT_STREQ(info.Title, "next");
    system.PlayPause();
    deck.Step(3);
    EXPECT_EQ(system.State, kVxPlaying);
}

// A call that reads a file, run on a thread of its own until the gate holds
// its read; then, once released, what it must have left behind.
struct TStalledCall {
    const char* Name;
    // How many of the file's reads pass before the gate holds one.
    std::function<size_t(TVxSystemTAG& system)> Passing;
    std::function<void(TVxSystemTAG& system)> Call;
    bool DeckMayEnd; // the deck may be destroyed while the read hangs
    std::function<void(TVxSystemTAG* system)> AfterRelease;
};

TEST(StalledRead, TheDeckAnswersWhileAnOpenOrAFileInfoHangs) {
    wavtest::TempFolder folder("stalled-open");
    const std::string mp3 = MpegFixture("vbr_xing.mp3");
    const std::string wav = folder.Write("playing.wav", PatternWav(3 * kRate));
    int openStatus = 0;
    char name[kSongNameSize] = "";
    uint32_t lengthMs = 0;
    char expectedName[kSongNameSize] = "";
    uint32_t expectedLengthMs = 0;
    ASSERT_EQ(TDeck().System->GetSongFileInfo(mp3.c_str(), expectedName, &expectedLengthMs), 1);

    const TStalledCall calls[] = {
        // The open's last read, wherever the open does it; the user gives up
        // on the song meanwhile, so it must install nothing.
        {"open", [&](TVxSystemTAG& system) { return ReadsOfAnOpen(system, mp3) - 1; },
         [&](TVxSystemTAG& system) { openStatus = system.OpenSong(mp3.c_str(), true); }, false,
         [&](TVxSystemTAG* system) {
             EXPECT_EQ(openStatus, kDiagSilent);
             EXPECT_EQ(system->SongLoaded, 0u);
             EXPECT_EQ(system->State, kVxNoSong);
             EXPECT_FALSE(system->Song.Buffer.ReadOut());
             TVxSongInfo info;
             system->GetSongInfo(info);
             EXPECT_STREQ(info.Title, "(Aborted) vbr_xing.mp3");
         }},
        // The same read, and the deck ends meanwhile: the open gives up
        // without touching what is gone.
        {"open, deck ends", [&](TVxSystemTAG& system) { return ReadsOfAnOpen(system, mp3) - 1; },
         [&](TVxSystemTAG& system) { openStatus = system.OpenSong(mp3.c_str(), true); }, true,
         [&](TVxSystemTAG* system) {
             EXPECT_EQ(system, nullptr);
             EXPECT_EQ(openStatus, kDiagSilent);
         }},
        // The playlist scan's first read of a file; the deck ends meanwhile.
        {"file info", [](TVxSystemTAG&) { return size_t(0); },
         [&](TVxSystemTAG& system) {
             EXPECT_EQ(system.GetSongFileInfo(mp3.c_str(), name, &lengthMs), 1);
         },
         true,
         [&](TVxSystemTAG* system) {
             EXPECT_EQ(system, nullptr);
             EXPECT_STREQ(name, expectedName);
             EXPECT_EQ(lengthMs, expectedLengthMs);
         }},
    };
    for (const TStalledCall& stalled : calls) {
        SCOPED_TRACE(stalled.Name);
        openStatus = 0;
        TDeck deck;
        TVxSystemTAG& system = *deck.System;
        const size_t passing = stalled.Passing(system);
        ASSERT_EQ(system.OpenSong(wav.c_str(), true), 0);
        deck.Step(3);

        auto gate = std::make_unique<TReadGate>(passing);
        std::thread caller([&] { stalled.Call(system); });
        gate->WaitForAReader();
        // Whatever needs the engine lock goes on while the read hangs.
        EXPECT_TRUE(gate->Completes([&] { system.PlayPause(); }));
        EXPECT_TRUE(gate->Completes([&] { deck.Step(2); }));
        EXPECT_TRUE(gate->Completes([&] { system.CloseSong(); }));
        EXPECT_EQ(system.State, kVxNoSong);
        if (stalled.DeckMayEnd)
            EXPECT_TRUE(gate->Completes([&] { deck.System.reset(); }));
        else
            system.AbortOpen();
        gate->Release();
        caller.join();
        gate.reset();
        stalled.AfterRelease(deck.System.get());
    }
}

} // namespace
