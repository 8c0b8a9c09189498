// Scanning a tree of 10,000 songs into the playlist, the way the window adds
// a dropped folder: folder walk, extension filter, duplicate test, the
// decoders' GetInfo for every file on the scan thread, and the merge on the
// window thread. The tree is hard links of two small fixtures under distinct
// names in nested folders; the cache is warm (one scan runs before timing).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "playlist/Zylplaylist.h"
#include "tests/playlist/WaveFixture.h"

#if __has_include("decoding/ZylWAV.h")
#include "decoding/ZylWAV.h"
#define VX_BENCH_WAV 1
#endif
#if __has_include("decoding/ZylMP3.h") && defined(VX_TEST_DATA_DIR)
#include "decoding/ZylMP3.h"
#define VX_BENCH_MP3 1
#endif
#if __has_include("decoding/ZylFFmpeg.h") && defined(VX_TEST_DATA_DIR)
#include "decoding/SongExtensions.h"
#include "decoding/SongTags.h"
#include "decoding/ZylFFmpeg.h"
#define VX_BENCH_FORMATS 1
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 100;
constexpr int kSongsPerFolder = 100;

// The generated tree: root/gG/dD/Artist_N_-_Song_N.ext, half WAV, half MPEG
// when the MPEG decoder is there; with the FFmpeg decoder a third each of
// WAV, MPEG and tagged FLAC.
class TSongTree {
public:
    TSongTree() {
        std::string pattern = (fs::temp_directory_path() / "vx-playlist-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        Root = pattern;
        fs::path wave = Root / "fixture.wave";
        WriteWaveFile(wave.string(), 500);
#ifdef VX_BENCH_MP3
        // A copy inside the tree, so that the links never cross file systems.
        fs::path mpeg = Root / "fixture.mpeg";
        fs::copy_file(fs::path(VX_TEST_DATA_DIR) / "mpeg" / "cbr128_id3v1.mp3", mpeg);
#endif
#ifdef VX_BENCH_FORMATS
        fs::path flac = Root / "fixture.flac";
        fs::copy_file(fs::path(VX_TEST_DATA_DIR) / "formats" / "flac16.flac", flac);
#endif
        int n = 0;
        for (int folder = 0; folder < kFolders; ++folder) {
            fs::path dir = Root / "songs" / ("g" + std::to_string(folder / 10)) /
                           ("d" + std::to_string(folder));
            fs::create_directories(dir);
            for (int song = 0; song < kSongsPerFolder; ++song, ++n) {
                std::string name = "Artist_" + std::to_string(n) + "_-_Song_" + std::to_string(n);
#ifdef VX_BENCH_FORMATS
                const int kind = n % 3; // WAV, MPEG, FLAC
#else
                const int kind = n % 2; // WAV, MPEG
#endif
#ifdef VX_BENCH_FORMATS
                if (kind == 2) {
                    fs::create_hard_link(flac, dir / (name + ".flac"));
                    continue;
                }
#endif
#ifdef VX_BENCH_MP3
                if (kind == 1) {
                    fs::create_hard_link(mpeg, dir / (name + ".mp3"));
                    continue;
                }
#endif
                fs::create_hard_link(wave, dir / (name + ".wav"));
            }
        }
    }
    ~TSongTree() {
        std::error_code ignored;
        fs::remove_all(Root, ignored);
    }
    fs::path Root;
};

// The window's song-info handler: the first decoder that accepts the file
// reads its name and length; a file no decoder reads is dropped.
class TSongInfoReader {
public:
    static const char* Decoders() {
#if defined(VX_BENCH_FORMATS)
        return "MPEG, WAV and FFmpeg GetInfo, TagLib titles";
#elif defined(VX_BENCH_MP3) && defined(VX_BENCH_WAV)
        return "MPEG and WAV GetInfo";
#elif defined(VX_BENCH_WAV)
        return "WAV GetInfo";
#else
        return "file size only";
#endif
    }

    bool Read(const std::string& fileName, std::string& title, uint32_t& duration) {
        TVxPlayerTAG* decoder = nullptr;
#ifdef VX_BENCH_MP3
        if (FMpeg.Accepts(fileName.c_str()))
            decoder = &FMpeg;
#endif
#ifdef VX_BENCH_WAV
        if (decoder == nullptr && FWave.Accepts(fileName.c_str()))
            decoder = &FWave;
#endif
#ifdef VX_BENCH_FORMATS
        if (decoder == nullptr && FFormats.Accepts(fileName.c_str()))
            decoder = &FFormats;
#endif
        if (decoder == nullptr)
            return PlainLength(fileName, duration);
        char name[kSongNameSize] = {};
        uint32_t length = 0;
        if (decoder->GetInfo(fileName.c_str(), name, &length) != 0)
            return false;
#ifdef VX_BENCH_FORMATS
        CopySongTagTitle(fileName.c_str(), name);
#endif
        title = name;
        duration = length;
        return true;
    }

private:
    // Without any decoder in the build: the file's size stands in for a length.
    static bool PlainLength(const std::string& fileName, uint32_t& duration) {
        std::error_code error;
        auto size = fs::file_size(fileName, error);
        duration = error ? 0 : static_cast<uint32_t>(size / 176);
        return !error;
    }
#ifdef VX_BENCH_WAV
    TZylWAVTAG FWave;
#endif
#ifdef VX_BENCH_MP3
    TZylMP3TAG FMpeg;
#endif
#ifdef VX_BENCH_FORMATS
    TZylFFmpegTAG FFormats;
#endif
};

int ScanIntoPlaylist(const fs::path& root) {
    TZylQueueDispatcher dispatcher;
    TZylPlaylist playlist(dispatcher);
    playlist.PlaylistExt = "m3u";
#ifdef VX_BENCH_FORMATS
    playlist.SetExtensions(VxSongExtensions());
#else
    playlist.SetExtensions({"mp3", "wav", "mp2", "mpg"});
#endif
    TSongInfoReader reader;
    playlist.OnSongInfoCreate = [&](TZylPlaylist&, const std::string& fileName, uint32_t,
                                    std::string&, std::string& title, uint32_t& duration,
                                    void*&) { return reader.Read(fileName, title, duration); };
    playlist.AddFiles(root.string(), TZylPlaylist::kReplace);
    while (playlist.GetScanning())
        dispatcher.WaitAndDrain(std::chrono::milliseconds(5));
    return playlist.GetCount();
}

void BM_ScanTenThousandSongs(benchmark::State& state) {
    static TSongTree tree;
    int expected = kFolders * kSongsPerFolder;
    if (ScanIntoPlaylist(tree.Root / "songs") != expected) { // warms the cache
        state.SkipWithError("the scan did not find every song");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(ScanIntoPlaylist(tree.Root / "songs"));
    state.SetItemsProcessed(state.iterations() * expected);
    state.SetLabel(TSongInfoReader::Decoders());
    state.counters["files/s"] = benchmark::Counter(static_cast<double>(expected),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_ScanTenThousandSongs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
