// Open-to-ready with the deck's default settings, which index MPEG files
// exactly: from OpenSong until the song's first chunk is in the device
// buffer, from the page cache, for a five-minute 320 kbit/s song behind a
// 1 MB tag and for a two-hour 320 kbit/s mix (about 290 MB).
//
// The songs are made at start-up in the temp folder with sox and lame (ten
// seconds of music without an Info frame, repeated) and removed at the end.
// Run: open_bench
#include "engine/VxSystem.h"
#include "engine/device/ZylNull.h"

#include "tests/decoding/ID3v2TagBuilder.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<char> TenSecondsAt320() {
    const fs::path wav = fs::temp_directory_path() / "vx-open-bench.wav";
    const fs::path mp3 = fs::temp_directory_path() / "vx-open-bench.mp3";
    const std::string command =
        "sox -R -n -r 44100 -c 2 -b 16 '" + wav.string() +
        "' synth 10 sine 200-4000 pinknoise tremolo 3 60 vol 0.5 && lame --quiet -t -b 320 '" +
        wav.string() + "' '" + mp3.string() + "'";
    if (std::system(command.c_str()) != 0)
        std::abort();
    std::ifstream in(mp3, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(wav);
    fs::remove(mp3);
    return bytes;
}

// A song of copies of ten seconds, behind a tag of tagBytes.
class TSongFile {
public:
    TSongFile(const char* name, int copies, uint32_t tagBytes)
        : FPath((fs::temp_directory_path() / name).string()) {
        static const std::vector<char> music = TenSecondsAt320();
        std::ofstream out(FPath, std::ios::binary | std::ios::trunc);
        const std::vector<uint8_t> tag =
            tagBytes > 0 ? id3test::Tag(tagBytes) : std::vector<uint8_t>();
        out.write(reinterpret_cast<const char*>(tag.data()),
                  static_cast<std::streamsize>(tag.size()));
        for (int i = 0; i < copies; ++i)
            out.write(music.data(), static_cast<std::streamsize>(music.size()));
    }
    ~TSongFile() { fs::remove(FPath); }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

void BM_OpenToReady(benchmark::State& state, const TSongFile* song) {
    ZylNullSetHandStepped(false);
    TVxSystemTAG system(nullptr);
    for (auto _ : state) {
        if (system.OpenSong(song->Path().c_str(), false) != 0) {
            state.SkipWithError("open failed");
            return;
        }
        bool outstanding;
        {
            TZylSyncLock lock(system);
            outstanding = system.Song.RestartOutstanding();
        }
        if (outstanding)
            system.Song.Buffer.Event.Wait();
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(song->Path())) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    setenv("VEXALINE_AUDIO", "null", 1);
    const TSongFile fiveMinutes("vx-open-bench-5min.mp3", 30, 1 << 20);
    const TSongFile twoHours("vx-open-bench-2h.mp3", 720, 0);
    benchmark::RegisterBenchmark("OpenToReady/5min_320k_1MB_tag", BM_OpenToReady, &fiveMinutes)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("OpenToReady/2h_320k_mix", BM_OpenToReady, &twoHours)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
