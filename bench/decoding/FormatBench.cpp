// Speed of the FFmpeg decoder slot, format by format: decoding a minute of
// music-like audio through the decoder contract beside the format's own
// reference decode (flac -d, or ffmpeg -f null) of the same file, the open
// with its exact length count, a seek plus the first chunk, and what the
// scan pays per file for the container length and the TagLib title.
//
// The files are made at start-up with sox and the encoders in the temp
// folder and removed when the program ends.
#include "DecoderBenchSupport.h"
#include "decoding/AVAudioSource.h"
#include "decoding/SongTags.h"
#include "decoding/ZylFFmpeg.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kChunkBytes = 32768;

struct TFormat {
    const char* Name;
    const char* Encode;    // shell command from $src (WAV) to $dst
    const char* Reference; // the format's own decoder, output discarded
};

const TFormat kFormats[] = {
    {"flac16", "flac -s -5 -f -o \"$dst\" \"$src\"", "flac -d -s -c \"$dst\" >/dev/null"},
    {"flac24", "sox \"$src\" -b 24 \"$dst.wav\" && flac -s -5 -f -o \"$dst\" \"$dst.wav\"",
     "flac -d -s -c \"$dst\" >/dev/null"},
    {"alac", "ffmpeg -nostdin -v error -y -i \"$src\" -c:a alac -f mp4 \"$dst\"", nullptr},
    {"aac", "ffmpeg -nostdin -v error -y -i \"$src\" -c:a aac -b:a 192k -f mp4 \"$dst\"", nullptr},
    {"vorbis", "oggenc -Q -q 5 -o \"$dst\" \"$src\"", nullptr},
    {"opus", "opusenc --quiet --bitrate 128 \"$src\" \"$dst\"", nullptr},
};
constexpr const char* kExtensions[] = {"flac", "flac", "m4a", "m4a", "ogg", "opus"};

std::string Substitute(std::string command, const std::string& src, const std::string& dst) {
    for (size_t at; (at = command.find("$src")) != std::string::npos;)
        command.replace(at, 4, src);
    for (size_t at; (at = command.find("$dst")) != std::string::npos;)
        command.replace(at, 4, dst);
    return command;
}

// A minute of a swept tone and pink noise in every format, removed at exit.
class TFormatFiles {
public:
    TFormatFiles()
        : Folder(fs::temp_directory_path() / ("vx-format-bench-" + std::to_string(getpid()))) {
        fs::create_directories(Folder);
        const std::string src = (Folder / "src.wav").string();
        std::system(("sox -R -n -r 44100 -c 2 -b 16 '" + src +
                     "' synth 60 sine 200-4000 pinknoise tremolo 3 60 vol 0.5")
                        .c_str());
        for (size_t i = 0; i < std::size(kFormats); ++i) {
            Paths.push_back(
                (Folder / (std::string(kFormats[i].Name) + "." + kExtensions[i])).string());
            std::system(Substitute(kFormats[i].Encode, src, Paths.back()).c_str());
        }
    }
    ~TFormatFiles() {
        std::error_code ignored;
        fs::remove_all(Folder, ignored);
    }
    fs::path Folder;
    std::vector<std::string> Paths;
};

const TFormatFiles& Files() {
    static const TFormatFiles files;
    return files;
}

bool Open(TZylFFmpegTAG& decoder, int format, benchmark::State& state) {
    state.SetLabel(kFormats[format].Name);
    if (decoder.Open(Files().Paths[format].c_str(), 0) == 0)
        return true;
    state.SkipWithError("open failed");
    return false;
}

void BM_Decode(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    TZylFFmpegTAG decoder;
    if (!Open(decoder, format, state))
        return;
    const uint32_t frames = kChunkBytes / decoder.BytesPerFrame;
    std::vector<uint8_t> chunk(size_t(frames) * decoder.BytesPerFrame);
    for (auto _ : state) {
        uint32_t skip = 0, read = frames;
        decoder.Seek(0, &skip);
        while (read == frames)
            decoder.Read(chunk.data(), frames, &read);
    }
    state.counters["x_realtime"] = benchmark::Counter(
        60.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Decode)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->MinTime(2);

// The reference decode of the same file; its time is the child's CPU time,
// comparable with the CPU time of BM_Decode.
void BM_ReferenceDecode(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    state.SetLabel(kFormats[format].Name);
    const std::string path = Files().Paths[format];
    const std::string command =
        kFormats[format].Reference != nullptr
            ? Substitute(kFormats[format].Reference, "", path)
            : "ffmpeg -nostdin -v error -i '" + path + "' -f null - >/dev/null";
    for (auto _ : state) {
        const double before = ChildCpuSeconds();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("reference decode failed");
        state.SetIterationTime(ChildCpuSeconds() - before);
    }
    state.counters["x_realtime"] = benchmark::Counter(
        60.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReferenceDecode)
    ->DenseRange(0, 5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(2);

// The deck's open: container, codec, and the exact length counted from the
// end of the file.
void BM_Open(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    TZylFFmpegTAG decoder;
    for (auto _ : state)
        if (!Open(decoder, format, state))
            break;
}
BENCHMARK(BM_Open)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// A seek to a random place, pre-roll included, and the first 32 KiB chunk;
// reports the median and the 99th percentile of single seeks.
void BM_SeekFirstChunk(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    TZylFFmpegTAG decoder;
    if (!Open(decoder, format, state))
        return;
    TimeSeeksWithFirstChunk(state, decoder, kChunkBytes / decoder.BytesPerFrame);
}
BENCHMARK(BM_SeekFirstChunk)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

// What a folder scan pays per file: the container's stated length, and the
// title from the tags.
void BM_ScanProbeLength(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    state.SetLabel(kFormats[format].Name);
    uint32_t length = 0;
    TAVOpenResult result{};
    for (auto _ : state)
        benchmark::DoNotOptimize(AVProbeLength(Files().Paths[format].c_str(), length, result));
}
BENCHMARK(BM_ScanProbeLength)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

void BM_ScanTagTitle(benchmark::State& state) {
    const std::string path = std::string(VX_TEST_DATA_DIR) + "/" +
                             (state.range(0) == 0 ? "formats/flac16.flac" : "mpeg/id3v2.mp3");
    state.SetLabel(state.range(0) == 0 ? "flac" : "mp3 id3v2");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadSongTagTitle(path.c_str()));
}
BENCHMARK(BM_ScanTagTitle)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

} // namespace
