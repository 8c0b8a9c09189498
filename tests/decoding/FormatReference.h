// Fixtures of the format decoders and the independent decodes they are
// compared with: the reference tools (flac, sox, ffmpeg, oggdec, opusdec)
// run on the same file, their raw output read back from a pipe.
#pragma once

#include "decoding/VxPlayer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

inline std::string FormatFixture(const std::string& name) {
    return std::string(VX_TEST_DATA_DIR) + "/formats/" + name;
}

// The standard output of a shell command; popen waits for the process.
inline std::vector<uint8_t> ToolOutput(const std::string& command) {
    std::vector<uint8_t> bytes;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return bytes;
    uint8_t block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0)
        bytes.insert(bytes.end(), block, block + got);
    pclose(pipe);
    return bytes;
}

// Everything the decoder delivers from where it stands, in whole read units.
inline std::vector<uint8_t> ReadToEnd(TVxPlayerTAG& decoder, uint32_t unitsPerRead = 4096) {
    std::vector<uint8_t> all;
    std::vector<uint8_t> block(size_t(unitsPerRead) * decoder.BytesPerFrame);
    for (;;) {
        uint32_t got = 0;
        if (decoder.Read(block.data(), unitsPerRead, &got) != 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + size_t(got) * decoder.BytesPerFrame);
        if (got < unitsPerRead)
            break;
    }
    return all;
}

inline std::vector<float> AsFloats(const std::vector<uint8_t>& bytes) {
    std::vector<float> out(bytes.size() / 4);
    if (!out.empty())
        std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

// Signal-to-noise ratio in dB of test against reference, over their
// common length.
inline double SnrDb(const std::vector<float>& reference, const std::vector<float>& test) {
    double signal = 0, noise = 0;
    for (size_t i = 0; i < std::min(reference.size(), test.size()); ++i) {
        signal += double(reference[i]) * reference[i];
        noise += double(reference[i] - test[i]) * (reference[i] - test[i]);
    }
    return noise == 0 ? 999.0 : 10 * std::log10(signal / noise);
}
