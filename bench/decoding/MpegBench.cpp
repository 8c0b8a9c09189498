// Speed of the MPEG side: the exact frame index over an hour of VBR audio,
// opening through the quick path, decoding throughput beside the mpg123
// command-line player on the same file, and a seek plus the first chunk.
//
// Long files are made at start-up by repeating a committed fixture (whole
// frames, no tags) and live in the temp folder until the program ends.
#include "DecoderBenchSupport.h"
#include "decoding/MPEGIndex.h"
#include "decoding/ZylMP3.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr uint32_t kChunkFrames = 8;

std::string Fixture(const char* name) {
    return std::string(VX_TEST_DATA_DIR) + "/mpeg/" + name;
}

// A fixture repeated copies times, removed at exit.
class TRepeatedFile {
public:
    TRepeatedFile(const char* fixture, int copies)
        : FPath((std::filesystem::temp_directory_path() /
                 ("vx-mpeg-bench-" + std::to_string(copies) + "-" + fixture))
                    .string()) {
        std::ifstream in(Fixture(fixture), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        std::ofstream out(FPath, std::ios::binary | std::ios::trunc);
        for (int i = 0; i < copies; ++i)
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~TRepeatedFile() { std::filesystem::remove(FPath); }
    const std::string& Path() const { return FPath; }
    int64_t Size() const { return static_cast<int64_t>(std::filesystem::file_size(FPath)); }

private:
    std::string FPath;
};

// Two seconds of VBR per copy: 1800 copies are an hour, 150 five minutes.
const TRepeatedFile& HourOfVbr() {
    static const TRepeatedFile file("vbr_noxing.mp3", 1800);
    return file;
}

const TRepeatedFile& FiveMinutesOfVbr() {
    static const TRepeatedFile file("vbr_noxing.mp3", 150);
    return file;
}

bool OpenExact(TZylMP3TAG& decoder, const TRepeatedFile& file, benchmark::State& state) {
    if (decoder.Open(file.Path().c_str(), kMP3ModeExactIndex) == 0)
        return true;
    state.SkipWithError("open failed");
    return false;
}

void BM_ExactIndexBuild(benchmark::State& state) {
    const TRepeatedFile& file = HourOfVbr();
    TMPEGExactIndexTAG index;
    index.Build(file.Path().c_str()); // into the page cache
    for (auto _ : state)
        benchmark::DoNotOptimize(index.Build(file.Path().c_str()));
    state.SetBytesProcessed(state.iterations() * file.Size());
    state.counters["frames"] = index.GetFrameCount();
}
BENCHMARK(BM_ExactIndexBuild)->Unit(benchmark::kMillisecond);

void BM_OpenQuickPath(benchmark::State& state, const char* fixture) {
    const std::string path = Fixture(fixture);
    TZylMP3TAG decoder;
    for (auto _ : state) {
        if (decoder.Open(path.c_str(), 0) != 0)
            state.SkipWithError("open failed");
        decoder.Close();
    }
}
BENCHMARK_CAPTURE(BM_OpenQuickPath, cbr, "cbr128_id3v1.mp3")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_OpenQuickPath, xing, "vbr_xing.mp3")->Unit(benchmark::kMicrosecond);

void BM_DecodeRead(benchmark::State& state) {
    const TRepeatedFile& file = FiveMinutesOfVbr();
    TZylMP3TAG decoder;
    if (!OpenExact(decoder, file, state))
        return;
    std::vector<uint8_t> chunk(size_t{kChunkFrames} * decoder.BytesPerFrame);
    for (auto _ : state) {
        uint32_t skip = 0, read = kChunkFrames;
        decoder.Seek(0, &skip);
        while (read == kChunkFrames)
            decoder.Read(chunk.data(), kChunkFrames, &read);
    }
    state.SetBytesProcessed(state.iterations() * file.Size());
}
BENCHMARK(BM_DecodeRead)->Unit(benchmark::kMillisecond)->MinTime(3);

// The reference: the command-line player decoding the same file without
// output. Its time is the child's CPU time, comparable with the CPU time of
// BM_DecodeRead on a machine shared with other work.
void BM_Mpg123Tool(benchmark::State& state) {
    const TRepeatedFile& file = FiveMinutesOfVbr();
    const std::string command = "mpg123 -q -t '" + file.Path() + "' >/dev/null 2>&1";
    for (auto _ : state) {
        const double before = ChildCpuSeconds();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("mpg123 failed");
        state.SetIterationTime(ChildCpuSeconds() - before);
    }
    state.SetBytesProcessed(state.iterations() * file.Size());
}
BENCHMARK(BM_Mpg123Tool)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3);

// Seek to a random position, pre-roll included, and read the first chunk
// of 8 frames at 44.1 kHz Layer III; reports the median and the 99th
// percentile of single seeks.
void BM_SeekFirstChunk(benchmark::State& state) {
    const TRepeatedFile& file = FiveMinutesOfVbr();
    TZylMP3TAG decoder;
    if (!OpenExact(decoder, file, state))
        return;
    TimeSeeksWithFirstChunk(state, decoder, kChunkFrames);
}
BENCHMARK(BM_SeekFirstChunk)->Unit(benchmark::kMicrosecond);

} // namespace
