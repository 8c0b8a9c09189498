// Wake-ups of a paused deck: opens a song on the real-time Null device (or
// the device VEXALINE_AUDIO names), leaves it paused with its buffer full,
// and prints each thread's context switches a second over the period, with
// the worker's ticks a second. The aim for a paused deck is a handful of
// wake-ups a second for the whole process.
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
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
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
    fs::remove(song);
    return 0;
}
