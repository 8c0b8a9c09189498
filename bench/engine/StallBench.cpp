// The deck while the worker's read of the song hangs on its medium, as a
// USB stick or network share that stops answering for a while makes it:
// once the stall is armed, the song's next file read waits kStallMs. Each
// figure is the time from the call until it returns, with the real worker
// on the real-time Null device:
//  - CloseSong (what deleting the playing song from the list does);
//  - OpenSong of another song with autoplay, until it plays;
//  - the end of the player system (what leaving the program does).
// Run: stall_bench (needs the MPEG fixtures of tests/data/mpeg).
#include "decoding/ZylFile.h"
#include "engine/VxSystem.h"
#include "engine/device/ZylNull.h"

#include "tests/decoding/WavFileBuilder.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace {

using TSteady = std::chrono::steady_clock;
constexpr int kStallMs = 6000;

const std::string kSong = std::string(VX_TEST_DATA_DIR) + "/mpeg/vbr_xing.mp3";

std::atomic<bool> gArmed{false};
std::atomic<int> gStalled{0}; // reads waiting in the stall now

void StallOnce() {
    if (!gArmed.exchange(false))
        return;
    ++gStalled;
    std::this_thread::sleep_for(std::chrono::milliseconds(kStallMs));
    --gStalled;
}

void WaitUntil(const std::function<bool()>& condition) {
    while (!condition())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The song opened next: a second of ramps in a WAV, whose reads the stall
// leaves alone.
std::string NextSong() {
    static const wavtest::TempFolder folder("stall-bench");
    return folder.Write("next.wav",
                        wavtest::SimpleWav(wavtest::PcmHeader(), wavtest::Ramp(176400)));
}

// Plays the song, then seeks, which makes the worker read the file: that
// read stalls. Returns once it does.
std::unique_ptr<TVxSystemTAG> DeckWithAStalledRead() {
    auto system = std::make_unique<TVxSystemTAG>(nullptr);
    if (system->OpenSong(kSong.c_str(), true) != 0)
        std::abort();
    gArmed = true;
    system->SetPosition(1234);
    WaitUntil([] { return gStalled.load() > 0; });
    return system;
}

// Times action while the read stalls; the system goes once it is over.
void Measure(benchmark::State& state,
             const std::function<void(std::unique_ptr<TVxSystemTAG>&)>& action) {
    ZylNullSetHandStepped(false);
    setenv("VEXALINE_AUDIO", "null", 1);
    ZylFileSetReadHook(&StallOnce);
    for (auto _ : state) {
        std::unique_ptr<TVxSystemTAG> system = DeckWithAStalledRead();
        const auto start = TSteady::now();
        action(system);
        state.SetIterationTime(std::chrono::duration<double>(TSteady::now() - start).count());
        WaitUntil([] { return gStalled.load() == 0; });
        system.reset();
    }
    // A worker left behind finishes its read's last steps.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ZylFileSetReadHook(nullptr);
    unsetenv("VEXALINE_AUDIO");
}

void BM_CloseSongWhileAReadStalls(benchmark::State& state) {
    Measure(state, [](std::unique_ptr<TVxSystemTAG>& system) { system->CloseSong(); });
}

void BM_OpenNextWhileAReadStalls(benchmark::State& state) {
    static const std::string next = NextSong();
    Measure(state, [](std::unique_ptr<TVxSystemTAG>& system) {
        if (system->OpenSong(next.c_str(), true) != 0)
            std::abort();
    });
}

void BM_EndDeckWhileAReadStalls(benchmark::State& state) {
    Measure(state, [](std::unique_ptr<TVxSystemTAG>& system) { system.reset(); });
}

BENCHMARK(BM_CloseSongWhileAReadStalls)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenNextWhileAReadStalls)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EndDeckWhileAReadStalls)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
