// The deck window's costs, offscreen with the Null sound device: building
// and showing the window, and the update timer's tick over a minute of
// playback (median and maximum).
#include "tests/frontend/FormTestSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// From nothing to a shown, painted deck: the window's construction (skin,
// controls, list), the creation event (devices, player system, settings)
// and the first paint.
void BM_StartupToShownWindow(benchmark::State& state) {
    formtest::EnsureApplication();
    for (auto _ : state) {
        const auto start = Clock::now();
        formtest::TDeck deck;
        deck.Form->show();
        deck.Form->repaint();
        QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_StartupToShownWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// One minute of playback of a song, with the window's 37 ms tick and the
// repaint it causes timed on their own (the worker's ticks and the device's
// rendering in between are not).
void BM_UpdateTickOverAMinute(benchmark::State& state) {
    const char* song = std::getenv("VX_BENCH_SONG");
    const std::string path = song != nullptr ? song : formtest::MakeWav("bench-minute.wav", 70000);
    for (auto _ : state) {
        formtest::TDeck deck({QString::fromStdString(path)});
        deck.Form->show();
        QCoreApplication::processEvents();
        std::vector<double> ticks;
        constexpr int kTicksPerMinute = 60000 / TMainForm::kUpdateIntervalMs;
        for (int i = 0; i < kTicksPerMinute; ++i) {
            // The worker and the device move on; the window sees it only at
            // its own tick.
            for (int worker = 0; worker < 2; ++worker) {
                deck.System().Tick();
                ZylNullStep(44100 * TVxSystemTAG::TickMs / 1000, nullptr);
                deck.Clock.Now += TVxSystemTAG::TickMs;
            }
            const auto start = Clock::now();
            deck.Form->TimerUpdateTimer();
            // The repaint of what the tick changed is part of its cost.
            QCoreApplication::processEvents();
            ticks.push_back(Microseconds(Clock::now() - start));
        }
        state.counters["played_ms"] = deck.PositionMs();
        std::sort(ticks.begin(), ticks.end());
        state.counters["median_us"] = ticks[ticks.size() / 2];
        state.counters["p99_us"] = ticks[ticks.size() * 99 / 100];
        state.counters["max_us"] = ticks.back();
        state.counters["ticks"] = static_cast<double>(ticks.size());
    }
}
BENCHMARK(BM_UpdateTickOverAMinute)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
