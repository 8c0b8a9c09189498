// Feeds arbitrary bytes to the waveform decoder as a ".wav" file: claim,
// describe, open, read to the end, then seek to places the input chooses and
// read again. Reads must never report more than was asked for. The seeds
// cover the extended headers too: extensible, float, 32-bit, six channels.
#include "decoding/ZylWAV.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string ScratchPath() {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/vx-fuzz-wav-" + std::to_string(getpid()) + ".wav";
}

bool WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void ReadChecked(TZylWAVTAG& wav, std::vector<uint8_t>& buffer, uint32_t frames,
                 uint32_t& framesRead) {
    wav.Read(buffer.data(), frames, &framesRead);
    if (framesRead > frames)
        std::abort();
}

void Exercise(TZylWAVTAG& wav, const uint8_t* data, size_t size) {
    constexpr uint32_t kFrames = 16;
    std::vector<uint8_t> buffer(kFrames * wav.BytesPerFrame);
    uint32_t framesRead = kFrames;
    while (framesRead == kFrames)
        ReadChecked(wav, buffer, kFrames, framesRead);
    for (size_t at = 0; at + 4 <= size && at < 64; at += 4) {
        uint32_t ms;
        std::memcpy(&ms, data + at, sizeof ms);
        uint32_t skip = 0;
        wav.Seek(ms, &skip);
        ReadChecked(wav, buffer, 1 + ms % kFrames, framesRead);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath();
    if (!WriteWhole(path, data, size))
        return 0;
    TZylWAVTAG wav;
    char name[kSongNameSize];
    uint32_t length = 0;
    wav.Accepts(path.c_str());
    wav.GetInfo(path.c_str(), name, &length);
    if (wav.Open(path.c_str(), 0) == 0)
        Exercise(wav, data, size);
    wav.Close();
    unlink(path.c_str());
    return 0;
}
