// The MPEG decoder on arbitrary bytes: open on the quick path, and on the
// deck's default path (the exact index prepared ahead of the open), seek and
// read; a read must never write past the frames it was given.
#include "decoding/ZylMP3.h"
#include "tests/decoding/FuzzMemoryFile.h"

#include <vector>

namespace {

constexpr uint32_t kChunkFrames = 4;
constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 32;

void ReadChunks(TZylMP3TAG& decoder, int chunks) {
    std::vector<uint8_t> buffer(size_t{kChunkFrames} * decoder.BytesPerFrame + kGuardBytes, kGuard);
    for (int i = 0; i < chunks; ++i) {
        uint32_t read = 0;
        decoder.Read(buffer.data(), kChunkFrames, &read);
        if (read > kChunkFrames)
            __builtin_trap();
        for (size_t g = buffer.size() - kGuardBytes; g < buffer.size(); ++g)
            if (buffer[g] != kGuard)
                __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TZylMP3TAG decoder;
    TFuzzMemoryFile file(data, size);
    if (!file.Ok())
        return 0;
    char name[kSongNameSize];
    uint32_t length = 0;
    decoder.GetInfo(file.Path(), name, &length);
    for (uint32_t mode : {0u, kMP3ModeExactIndex}) {
        if (mode == kMP3ModeExactIndex)
            decoder.Prepare(file.Path(), mode, nullptr);
        if (decoder.Open(file.Path(), mode) != 0)
            continue;
        uint32_t skip = 0;
        for (uint32_t ms : {0u, decoder.LengthMs / 2, decoder.LengthMs + 1000}) {
            decoder.Seek(ms, &skip);
            if (skip >= decoder.BytesPerFrame)
                __builtin_trap();
            ReadChunks(decoder, 3);
        }
        decoder.Close();
    }
    return 0;
}
