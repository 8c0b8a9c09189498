// Song files for the player-system tests, written into a scratch folder.
#pragma once

#include "EngineTestSupport.h"
#include "tests/decoding/WavFileBuilder.h"

#include <string>

namespace enginetest {

// Stereo 16-bit 44.1 kHz WAV whose frame n holds the pattern of frame n.
inline wavtest::Bytes PatternWav(uint32_t frames) {
    wavtest::Bytes data(size_t(frames) * 4);
    for (uint32_t n = 0; n < frames; ++n) {
        const int16_t l = PatternLeft(n), r = PatternRight(n);
        std::memcpy(&data[4 * n], &l, 2);
        std::memcpy(&data[4 * n + 2], &r, 2);
    }
    return wavtest::SimpleWav(wavtest::PcmHeader(), data);
}

// Mono 8-bit WAV of the given length at 8 kHz: long songs in small files.
inline wavtest::Bytes LongQuietWav(uint32_t ms) {
    wavtest::PcmHeader header;
    header.channels = 1;
    header.rate = 8000;
    header.bits = 8;
    return wavtest::SimpleWav(header, wavtest::Bytes(size_t(ms) * 8, 128));
}

// The MPEG fixtures made by the decoder tests' fixture script.
inline std::string MpegFixture(const char* name) {
    return std::string(VX_TEST_DATA_DIR) + "/mpeg/" + name;
}

// Everything a decoder yields for a file, from its start, as the engine
// would read it: whole read units, then nothing.
template <class TDecoder> std::vector<int16_t> DecodeWhole(const std::string& path) {
    TDecoder decoder;
    std::vector<int16_t> pcm;
    if (decoder.Open(path.c_str(), 0) != 0)
        return pcm;
    std::vector<uint8_t> unit(decoder.BytesPerFrame);
    for (;;) {
        uint32_t read = 0;
        if (decoder.Read(unit.data(), 1, &read) != 0 || read == 0)
            break;
        const auto* samples = reinterpret_cast<const int16_t*>(unit.data());
        pcm.insert(pcm.end(), samples, samples + unit.size() / 2);
    }
    return pcm;
}

} // namespace enginetest
