// Speed of the playback engine with its real worker thread:
//  - cue press until the cue point's first chunk is in the device buffer
//    (the restart done), for a 44.1 kHz MPEG file;
//  - CPU time of the whole process (worker, decoder, mixer and resampler of
//    the real-time Null device) while an MPEG file plays at +8 % pitch.
// Run: engine_bench (needs the MPEG fixtures of tests/data/mpeg).
#include "engine/VxSystem.h"
#include "engine/device/ZylNull.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

using TSteady = std::chrono::steady_clock;

const std::string kSong = std::string(VX_TEST_DATA_DIR) + "/mpeg/cbr128_id3v1.mp3";

void UseExactLength(TVxSystemTAG& system) {
    TVxSystemOptions options;
    system.GetOptions(options);
    options.OpenMode = 2;
    system.SetOptions(options);
}

// Waits, as the window's autoplay does, until the pending restart is done.
void WaitForRestart(TVxSystemTAG& system) {
    bool outstanding;
    {
        TZylSyncLock lock(system);
        outstanding = system.Song.RestartOutstanding();
    }
    if (outstanding)
        system.Song.Buffer.Event.Wait();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void BM_CuePressToRestartDone(benchmark::State& state) {
    ZylNullSetHandStepped(true);
    TVxSystemTAG system(nullptr);
    UseExactLength(system);
    if (system.OpenSong(kSong.c_str(), true) != 0) {
        state.SkipWithError("cannot open the MPEG fixture");
        return;
    }
    system.SetPosition(1234); // a cue point inside an MPEG frame
    WaitForRestart(system);
    system.CuePress(); // Playing -> Cued
    WaitForRestart(system);
    std::vector<double> latencies;
    for (auto _ : state) {
        system.PlayPause(); // Cued/Paused -> Playing
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
        const auto start = TSteady::now();
        system.CuePress(); // Playing -> Cued: back to the cue point
        WaitForRestart(system);
        latencies.push_back(
            std::chrono::duration<double, std::milli>(TSteady::now() - start).count());
    }
    state.counters["median_ms"] = Median(latencies);
    state.counters["max_ms"] = *std::max_element(latencies.begin(), latencies.end());
}
BENCHMARK(BM_CuePressToRestartDone)->Iterations(200)->Unit(benchmark::kMillisecond);

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

void BM_EngineCpuPlayingAtPlus8(benchmark::State& state) {
    ZylNullSetHandStepped(false);
    setenv("VEXALINE_AUDIO", "null", 1);
    const double seconds = 8.0;
    for (auto _ : state) {
        TVxSystemTAG system(nullptr);
        UseExactLength(system);
        system.SetPitch(8000);
        if (system.OpenSong(kSong.c_str(), true) != 0) {
            state.SkipWithError("cannot open the MPEG fixture");
            return;
        }
        const double cpuStart = ProcessCpuSeconds();
        const auto wallStart = TSteady::now();
        while (std::chrono::duration<double>(TSteady::now() - wallStart).count() < seconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(37)); // the window's timer
            TVxTimeInfo time;
            system.GetTimeInfo(time);
            if (system.IsEndOfSong())
                system.SetPosition(0); // the short fixture plays over and over
        }
        const double wall = std::chrono::duration<double>(TSteady::now() - wallStart).count();
        state.counters["cpu_percent_of_one_core"] = 100.0 * (ProcessCpuSeconds() - cpuStart) / wall;
    }
    unsetenv("VEXALINE_AUDIO");
}
BENCHMARK(BM_EngineCpuPlayingAtPlus8)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
