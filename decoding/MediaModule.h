// The media module: the FFmpeg decoder and the signal processing of the song
// analysis live in a library of their own, libvexaline-media.so, which the
// program loads the first time it needs them. FFmpeg, aubio, qm-dsp and
// libebur128 and the libraries they pull in then cost nothing at start-up,
// and a program whose module is missing still plays MP3 and WAV.
//
// The module is looked for in lib/vexaline/modules beside the program's bin folder
// (where the package installs it), then in the build tree.
#pragma once

#include <atomic>
#include <string>
#include <vector>

class TVxPlayerTAG;
struct TVxBpmRange;
struct TVxAnalysisResult;

// What the module offers; every entry is set.
struct TVxMediaEntries {
    // A new decoder of the formats FFmpeg reads, owned by the caller.
    TVxPlayerTAG* (*MakeFFmpegDecoder)();
    // Runs the analyses parts asks for over an open decoder, to its end or
    // until cancel is set, and fills result.
    void (*AnalyzeOpened)(TVxPlayerTAG& decoder, const TVxBpmRange& range,
                          const std::atomic<bool>& cancel, unsigned parts,
                          TVxAnalysisResult& result);
};

// The function the module exports under this name returns its entries.
constexpr const char* kVxMediaEntriesSymbol = "vx_media_entries";
using TVxMediaEntriesFunction = const TVxMediaEntries* (*)();

struct TVxMediaLoad {
    const TVxMediaEntries* Entries = nullptr; // nullptr when it did not load
    std::string Error;                        // why, naming the module
};

// Loads the first of paths that loads; the reason a file failed is
// preferred to that of a missing one. Never unloads.
TVxMediaLoad VxLoadMediaModule(const std::vector<std::string>& paths);

// The module from the usual places, loaded on the first call from any
// thread; later calls return the same. A failure is told on standard error.
const TVxMediaLoad& VxMediaModule();
