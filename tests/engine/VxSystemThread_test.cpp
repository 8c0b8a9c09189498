// The player system with its real worker thread on the real-time Null
// device: the only engine test that depends on the passing of real time.
#include "engine/VxSystem.h"

#include "EngineFixtures.h"
#include "tests/decoding/SlowReads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace enginetest;

namespace {

struct RealTimeFixture : ::testing::Test {
    wavtest::TempFolder Folder{"engine-thread"};

    void SetUp() override {
        ZylNullSetHandStepped(false);
        setenv("VEXALINE_AUDIO", "null", 1);
    }
    void TearDown() override {
        unsetenv("VEXALINE_AUDIO");
        ZylNullSetHandStepped(true);
    }
    static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    static bool DeviceWillPlay(TVxSystemTAG& system) {
        TZylSyncLock lock(system);
        return system.Song.Buffer.IsPlaying() && !system.Song.Buffer.RestartPending;
    }
};

TEST_F(RealTimeFixture, AutoplayNeverMissesTheRestartItWaitsFor) {
    TVxSystemTAG system(nullptr);
    const std::string path = Folder.Write("a.wav", PatternWav(2 * kRate));
    for (int i = 0; i < 15; ++i) {
        ASSERT_EQ(system.OpenSong(path.c_str(), true), 0);
        EXPECT_EQ(system.State, kVxPlaying);
        EXPECT_TRUE(DeviceWillPlay(system)) << "open " << i;
        Sleep(i % 3 * 7); // vary where the next open meets the worker
    }
}

TEST_F(RealTimeFixture, PlaysInRealTimeWhileTheWindowPollsAndIsDestroyedWhilePlaying) {
    auto system = std::make_unique<TVxSystemTAG>(nullptr);
    const std::string first = Folder.Write("first.wav", PatternWav(6 * kRate));
    const std::string second = Folder.Write("second.wav", PatternWav(6 * kRate));

    // The window's update timer, polling as the deck does.
    std::atomic<bool> polling{true};
    std::atomic<int> polls{0};
    std::thread timer([&] {
        while (polling) {
            TVxTimeInfo time;
            TVxPitchInfo pitch;
            TVxSongInfo info;
            system->GetTimeInfo(time);
            system->GetPitchInfo(pitch);
            if (system->SongInfoChanged)
                system->GetSongInfo(info);
            (void)system->IsEndOfSong();
            (void)system->State.load();
            system->StateChanged = 0;
            ++polls;
            Sleep(5);
        }
    });

    ASSERT_EQ(system->OpenSong(first.c_str(), true), 0);
    Sleep(1500);
    TVxTimeInfo time;
    system->GetTimeInfo(time);
    EXPECT_GT(time.PositionMs, 1000u);
    EXPECT_LT(time.PositionMs, 2500u);
    EXPECT_GT(time.LevelLeft, 0);

    system->PitchUpPress(0); // a bend animated by the worker
    Sleep(200);
    TVxPitchInfo pitch;
    system->GetPitchInfo(pitch);
    EXPECT_GE(pitch.Bend, 1000);
    system->PitchUpRelease();

    system->SearchForwardPress(0); // into the search loop
    Sleep(400);
    EXPECT_EQ(system->State, kVxSearching);
    system->SearchForwardRelease();
    system->CloseSong(); // closed during the search loop
    EXPECT_EQ(system->State, kVxNoSong);

    ASSERT_EQ(system->OpenSong(first.c_str(), true), 0);
    Sleep(300);
    ASSERT_EQ(system->OpenSong(second.c_str(), true), 0); // while the first plays
    Sleep(300);
    EXPECT_EQ(system->State, kVxPlaying);

    polling = false;
    timer.join();
    EXPECT_GT(polls.load(), 100);
    const auto start = std::chrono::steady_clock::now();
    system.reset(); // destroyed while playing
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A paused deck's worker sleeps once its buffer is full, and a press of play
// wakes it at once.
TEST_F(RealTimeFixture, APausedDeckSleepsUntilPlayWakesIt) {
    TVxSystemTAG system(nullptr);
    const std::string path = Folder.Write("a.wav", PatternWav(8 * kRate));
    ASSERT_EQ(system.OpenSong(path.c_str(), false), 0);
    const auto waitFor = [](auto done) {
        for (int i = 0; i < 1000 && !done(); ++i)
            Sleep(10);
        return done();
    };
    // Asleep: the last tick found nothing to do, and nothing came since.
    ASSERT_TRUE(waitFor([&] { return system.Link->Idle.load() && !system.NeedsTicks(); }))
        << "never went to sleep";
    // Time enough for ten tick periods; the window keeps polling meanwhile.
    const uint64_t asleep = system.Link->Ticks.load();
    for (int i = 0; i < 10; ++i) {
        TVxTimeInfo time;
        system.GetTimeInfo(time);
        Sleep(TVxSystemTAG::TickMs);
    }
    EXPECT_EQ(system.Link->Ticks.load(), asleep) << "a paused deck ticked";

    system.PlayPause();
    ASSERT_TRUE(waitFor([&] { return system.Link->Ticks.load() > asleep; })) << "play woke nobody";
    // Only ticks move the position on (and refill the buffer behind it).
    ASSERT_TRUE(waitFor([&] {
        TVxTimeInfo time;
        system.GetTimeInfo(time);
        return time.PositionMs > 200;
    }));
    EXPECT_FALSE(system.Link->Idle.load());
}

// Key lock on its own producer thread while the worker and the device run:
// switched, moved by seeks, the search loop and pitch changes while playing,
// and the deck destroyed while it plays.
TEST_F(RealTimeFixture, KeyLockSurvivesSwitchesAndCutsWhilePlaying) {
    auto system = std::make_unique<TVxSystemTAG>(nullptr);
    const std::string path = Folder.Write("lock.wav", PatternWav(8 * kRate + 137));
    system->SetKeyLock(true);
    ASSERT_EQ(system->OpenSong(path.c_str(), true), 0);
    system->SetPitch(8000);
    Sleep(300);
    system->SetPosition(3001);
    Sleep(200);
    system->SetKeyLock(false);
    Sleep(100);
    system->SetKeyLock(true);
    system->SetPitch(0);
    Sleep(100);
    system->SetPitch(-5000);
    system->SearchForwardPress(0);
    Sleep(300);
    system->SearchForwardRelease();
    system->PlayPause();
    Sleep(300);
    TVxTimeInfo time;
    system->GetTimeInfo(time);
    EXPECT_GT(time.PositionMs, 3001u);
    EXPECT_TRUE(system->IsKeyLocked());
    system.reset(); // destroyed while playing, its stretcher thread with it
}

// The worker hangs in a read of a song whose medium stopped answering: the
// song closes at once, the next one opens and plays on a new worker, the
// worker left behind leaves when its read returns, and the deck ends
// without waiting for a read that still hangs.
TEST_F(RealTimeFixture, AWorkerHangingInAReadIsLeftBehind) {
    auto system = std::make_unique<TVxSystemTAG>(nullptr);
    const std::string mp3 = MpegFixture("vbr_xing.mp3");
    const std::string next = Folder.Write("next.wav", PatternWav(4 * kRate + 391));
    const auto stallOnASeek = [&](std::unique_ptr<TReadGate>& gate) {
        ASSERT_EQ(system->OpenSong(mp3.c_str(), true), 0);
        gate = std::make_unique<TReadGate>();
        system->SetPosition(1234);
        gate->WaitForAReader();
    };
    // The system and every worker hold a share of the link; a worker left
    // behind drops its share once its read has returned.
    const std::weak_ptr<TVxTickLink> link = system->Link;
    const auto sharesComeDownTo = [&](long shares) {
        for (int i = 0; i < 2000 && link.use_count() > shares; ++i)
            Sleep(5);
        return link.use_count() == shares;
    };

    std::unique_ptr<TReadGate> gate;
    stallOnASeek(gate);
    EXPECT_TRUE(gate->Completes([&] { system->CloseSong(); }));
    int status = 1;
    EXPECT_TRUE(gate->Completes([&] { status = system->OpenSong(next.c_str(), true); }));
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(DeviceWillPlay(*system));
    gate->Release();
    EXPECT_TRUE(sharesComeDownTo(2)); // the system's and the new worker's
    gate.reset();

    stallOnASeek(gate);
    EXPECT_TRUE(gate->Completes([&] { system.reset(); }));
    gate->Release();
    EXPECT_TRUE(sharesComeDownTo(0));
}

TEST_F(RealTimeFixture, DeviceThatCannotOpenGivesTheAudioErrorTitle) {
    unsetenv("VEXALINE_AUDIO");
    static int boxes = 0;
    boxes = 0;
    DiagSetMessageBoxHandler([](unsigned, const char* caption, const char*) {
        boxes += std::string(caption) == "Error";
        return kDiagIdOk;
    });
    TVxSystemTAG system(nullptr);
    TZylDeviceId nowhere;
    std::memset(nowhere.Bytes, 0xA5, sizeof nowhere.Bytes);
    system.SetOutputDevice(&nowhere);
    const std::string path = Folder.Write("a.wav", PatternWav(kRate));
    EXPECT_EQ(system.OpenSong(path.c_str(), false), -2);
    TVxSongInfo info;
    system.GetSongInfo(info);
    EXPECT_STREQ(info.Title, "(Audio error) ");
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(std::strstr(DiagLastMessage(), "No sound output."), nullptr);
    EXPECT_EQ(std::strstr(DiagLastMessage(), "DSERR"), nullptr) << "codes are for the log";
    // The next open tries the device again; the default one may work.
    setenv("VEXALINE_AUDIO", "null", 1);
    system.SetOutputDevice(nullptr);
    EXPECT_EQ(system.OpenSong(path.c_str(), false), 0);
    DiagSetMessageBoxHandler(nullptr);
}

} // namespace
