// Feeds arbitrary bytes to the FFmpeg decoder under each extension it
// claims in turn: describe, open, read to the end, then seek to places the
// input chooses and read again. FFmpeg's own parsers are fuzzed upstream;
// this exercises our accounting around them: reads never deliver more than
// asked, a straight read never passes the counted length, and a seek never
// delivers more than what remains behind its target.
#include "FuzzMemoryFile.h"
#include "decoding/FFmpegFormats.h"
#include "decoding/ZylFFmpeg.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kFrames = 4096;

uint64_t ReadAll(TZylFFmpegTAG& decoder, std::vector<uint8_t>& buffer) {
    uint64_t total = 0;
    for (uint32_t got = kFrames; got == kFrames;) {
        decoder.Read(buffer.data(), kFrames, &got);
        if (got > kFrames)
            std::abort();
        total += got;
    }
    return total;
}

void Exercise(TZylFFmpegTAG& decoder, const uint8_t* data, size_t size) {
    std::vector<uint8_t> buffer(size_t(kFrames) * decoder.BytesPerFrame);
    if (int64_t(ReadAll(decoder, buffer)) > decoder.TotalSamples)
        std::abort();
    for (size_t at = 0; at + 4 <= size && at < 32; at += 4) {
        uint32_t ms;
        std::memcpy(&ms, data + at, sizeof ms);
        ms %= decoder.LengthMs + 2;
        uint32_t skip = 0;
        if (decoder.Seek(ms, &skip) != 0)
            continue;
        const int64_t from =
            int64_t{std::min(ms, decoder.LengthMs)} * decoder.Format.nSamplesPerSec / 1000;
        if (int64_t(ReadAll(decoder, buffer)) > decoder.TotalSamples - from + kFrames)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzMemoryFile file(data, size);
    if (!file.Ok())
        return 0;
    // The memory file has no extension; a link gives it the one the input's
    // last byte picks, so that the extension-driven probing is covered too.
    static const std::string link = "/tmp/vx-fuzz-ffmpeg-" + std::to_string(getpid());
    const char* extension = kFFmpegExtensions[size ? data[size - 1] % 10 : 0];
    const std::string path = link + "." + extension;
    unlink(path.c_str());
    if (symlink(file.Path(), path.c_str()) != 0)
        return 0;
    TZylFFmpegTAG decoder;
    char name[kSongNameSize];
    uint32_t length = 0;
    decoder.GetInfo(path.c_str(), name, &length);
    // Half the inputs open with the length counted ahead, as the deck opens.
    static const std::atomic<bool> never{false};
    if (size % 2 == 0)
        decoder.Prepare(path.c_str(), 0, &never);
    if (decoder.Open(path.c_str(), 0) == 0)
        Exercise(decoder, data, size);
    decoder.Close();
    unlink(path.c_str());
    return 0;
}
