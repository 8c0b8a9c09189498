// Speed of song analysis, for the figures the analysis work reports:
//  - CPU time of one analysis of the song named by VX_TEMPO_SONG (a
//    five-minute MP3 from tempo_speed.sh), on the calling thread, per
//    minute of audio: the tempo alone, and the whole pass (tempo, key,
//    loudness, true peak and music start);
//  - one cache look-up in a cache of 100,000 songs;
//  - the player system's worker tick (system lock held, decoding and
//    writing the device buffer) with and without an analysis running on a
//    low-priority thread beside it.
// Run: bench/analysis/tempo_speed.sh BUILD_DIR
#include "analysis/VxSongAnalysis.h"
#include "analysis/VxTempoCache.h"
#include "decoding/VxDecoderSet.h"
#include "engine/VxSystem.h"
#include "engine/device/ZylNull.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using TSteady = std::chrono::steady_clock;

const char* Song() {
    return std::getenv("VX_TEMPO_SONG");
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec * 1e-9;
}

double SongMinutes() {
    TVxDecoderSet decoders;
    const TVxPlayerTAG* decoder = decoders.Open(Song());
    const double minutes = decoder != nullptr ? decoder->LengthMs / 60000.0 : 0;
    decoders.Close();
    return minutes;
}

// Argument: the parts of the analysis.
void BM_AnalyzeSong(benchmark::State& state) {
    if (Song() == nullptr) {
        state.SkipWithError("VX_TEMPO_SONG names no song");
        return;
    }
    const std::atomic<bool> never{false};
    const auto parts = static_cast<unsigned>(state.range(0));
    double cpu = 0, bpm = 0;
    for (auto _ : state) {
        TVxDecoderSet decoders;
        const double start = ThreadCpuSeconds();
        bpm = VxAnalyzeSong(decoders, Song(), {}, never, parts).Tempo.Bpm;
        cpu += ThreadCpuSeconds() - start;
    }
    const double perSong = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_s"] = perSong;
    state.counters["cpu_s_per_minute"] = perSong / SongMinutes();
    state.counters["bpm"] = bpm;
}
BENCHMARK(BM_AnalyzeSong)
    ->Arg(kVxTempoPart)
    ->Arg(kVxAllParts)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

constexpr int kCachedSongs = 100000;

TVxFileKey CachedSong(int n) {
    return {"/music/song" + std::to_string(n) + ".mp3", 5000000 + n, n};
}

// A cache of kCachedSongs songs, filled once per run in one folder.
const std::string& FilledCacheFolder() {
    static const std::string folder = [] {
        const std::string path = "/tmp/vx-tempo-bench-" + std::to_string(getpid());
        std::filesystem::remove_all(path);
        TVxTempoCache cache(path);
        cache.Open();
        for (int i = 0; i < kCachedSongs; ++i)
            cache.StoreDetected(CachedSong(i), {120.0 + i % 50, 10}, 1);
        return path;
    }();
    return folder;
}

void BM_CacheLookup(benchmark::State& state) {
    TVxTempoCache cache(FilledCacheFolder()); // a fresh connection, as on the program's start
    cache.Open();
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.Lookup(CachedSong((i++ * 7919) % kCachedSongs)));
}
BENCHMARK(BM_CacheLookup)->Unit(benchmark::kMicrosecond);

// Analyses the song again and again at the lowest priority until stopped.
class TBackgroundAnalysis {
public:
    TBackgroundAnalysis()
        : thread_([this] {
              setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
              while (!stop_) {
                  TVxDecoderSet decoders;
                  VxAnalyzeSong(decoders, Song(), {}, stop_, kVxAllParts);
              }
          }) {}
    ~TBackgroundAnalysis() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The worker's tick as the headless renderer runs it: 20 ms of device time
// played, then one tick, whose duration is measured.
void BM_WorkerTick(benchmark::State& state) {
    if (Song() == nullptr) {
        state.SkipWithError("VX_TEMPO_SONG names no song");
        return;
    }
    ZylNullSetHandStepped(true);
    TVxManualClock clock;
    TVxSystemSetup setup;
    setup.ManualWorker = true;
    setup.Clock = &clock;
    TVxSystemTAG system(nullptr, setup);
    if (system.OpenSong(Song(), true) != 0) {
        state.SkipWithError("cannot open the song");
        return;
    }
    std::unique_ptr<TBackgroundAnalysis> analysis;
    if (state.range(0) != 0)
        analysis = std::make_unique<TBackgroundAnalysis>();
    std::vector<uint8_t> block(44100 / 50 * 4);
    std::vector<double> ticks;
    for (auto _ : state) {
        ZylNullStep(static_cast<uint32_t>(block.size() / 4), block.data());
        clock.Advance(TVxSystemTAG::TickMs);
        const auto start = TSteady::now();
        system.Tick();
        ticks.push_back(std::chrono::duration<double, std::milli>(TSteady::now() - start).count());
    }
    std::sort(ticks.begin(), ticks.end());
    state.counters["median_ms"] = ticks[ticks.size() / 2];
    state.counters["p99_ms"] = ticks[ticks.size() * 99 / 100];
    state.counters["max_ms"] = ticks.back();
}
BENCHMARK(BM_WorkerTick)->Arg(0)->Arg(1)->Iterations(6000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all("/tmp/vx-tempo-bench-" + std::to_string(getpid()));
    return 0;
}
