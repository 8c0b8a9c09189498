// Measurements the decoder benchmarks share: the CPU time of reference
// tools run as child processes, and seeks timed one by one.
#pragma once

#include "decoding/VxPlayer.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <random>
#include <sys/resource.h>
#include <vector>

// Seconds of CPU that finished child processes have used so far.
inline double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Seeks the open decoder to random places and reads units read units after
// each; reports the median and the 99th percentile of single seeks.
inline void TimeSeeksWithFirstChunk(benchmark::State& state, TVxPlayerTAG& decoder,
                                    uint32_t units) {
    std::vector<uint8_t> chunk(size_t{units} * decoder.BytesPerFrame);
    std::mt19937 random(7);
    std::uniform_int_distribution<uint32_t> position(0, decoder.LengthMs);
    std::vector<double> micros;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        uint32_t skip = 0, read = 0;
        decoder.Seek(position(random), &skip);
        decoder.Read(chunk.data(), units, &read);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}
