// Wake-ups of a paused deck: opens a song on the real-time Null device (or
// the device VEXALINE_AUDIO names), leaves it paused with its buffer full,
// and prints each thread's context switches a second over the period, with
// the worker's ticks a second, and the process's CPU over the period. The aim
// for a paused deck is at most ten wake-ups a second for the whole process
// and under 0.05 % of a core. Then it times play after pause: from the Play
// to the first frames the stream takes from the buffer (its play cursor
// moving), with the stream gone quiet before each Play.
// Run: paused_wake_bench [SECONDS] (the song is made with sox in the temp
// folder and removed at the end)
#include "engine/VxSystem.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

struct TThreadWakes {
    std::string Name;
    long Switches = 0;
};

// Voluntary plus involuntary switches of every thread of this process.
std::map<std::string, TThreadWakes> SampleThreads() {
    std::map<std::string, TThreadWakes> threads;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        TThreadWakes wakes;
        std::ifstream status(task.path() / "status");
        std::string key;
        while (status >> key) {
            if (key == "Name:")
                status >> wakes.Name;
            else if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                long n = 0;
                status >> n;
                wakes.Switches += n;
            }
        }
        threads[task.path().filename().string()] = wakes;
    }
    return threads;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

uint32_t Cursor(TVxSystemTAG& system) {
    TZylSyncLock lock(system);
    return system.Song.Buffer.GetPlayCursor();
}

// Milliseconds from Play to the play cursor's first move.
double PlayDelayMs(TVxSystemTAG& system) {
    using Clock = std::chrono::steady_clock;
    const uint32_t start = Cursor(system);
    const Clock::time_point pressed = Clock::now();
    system.SetState(kVxPlaying);
    while (Cursor(system) == start && Clock::now() - pressed < std::chrono::seconds(2))
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    return std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    setenv("VEXALINE_AUDIO", "null", 0);
    const fs::path song = fs::temp_directory_path() / "vx-paused-wake-bench.wav";
    const std::string make =
        "sox -R -n -r 44100 -c 2 -b 16 '" + song.string() + "' synth 30 sine 440";
    if (std::system(make.c_str()) != 0)
        return 1;
    TVxSystemTAG system(nullptr);
    if (system.OpenSong(song.c_str(), false) != 0)
        return 1;
    std::this_thread::sleep_for(std::chrono::seconds(1)); // the open's fill
    const auto before = SampleThreads();
    const uint64_t ticks = system.Link->Ticks.load();
    const double cpuBefore = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds() - cpuBefore;
    const auto after = SampleThreads();
    const double tickRate = double(system.Link->Ticks.load() - ticks) / seconds;
    double total = 0;
    for (const auto& [tid, wakes] : after) {
        const auto first = before.find(tid);
        const long start = first == before.end() ? 0 : first->second.Switches;
        const double rate = double(wakes.Switches - start) / seconds;
        total += rate;
        std::printf("%-8s %-16s %8.1f wake-ups/s\n", tid.c_str(), wakes.Name.c_str(), rate);
    }
    std::printf("process           %8.1f wake-ups/s, worker %.1f ticks/s over %d s\n", total,
                tickRate, seconds);
    std::printf("process CPU        %.4f %% of a core\n", 100.0 * cpu / seconds);
    std::vector<double> delays;
    for (int round = 0; round < 5; ++round) {
        delays.push_back(PlayDelayMs(system));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        system.SetState(kVxPaused);
        std::this_thread::sleep_for(std::chrono::seconds(1)); // the stream goes quiet
    }
    std::printf("play after pause   first frames taken after");
    for (double delay : delays)
        std::printf(" %.2f", delay);
    std::printf(" ms\n");
    fs::remove(song);
    return 0;
}
