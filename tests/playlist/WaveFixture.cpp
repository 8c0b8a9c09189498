#include "WaveFixture.h"

#include <fstream>

namespace {

std::string Le32(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

std::string Le16(uint16_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}

} // namespace

void WriteWaveFile(const std::string& path, uint32_t milliseconds, bool truncateHeader) {
    const uint32_t bytesPerSecond = 44100 * 4;
    const uint32_t dataBytes =
        static_cast<uint32_t>(uint64_t{bytesPerSecond} * milliseconds / 1000);
    std::string header = "RIFF" + Le32(36 + dataBytes) + "WAVEfmt " + Le32(16) + Le16(1) + Le16(2) +
                         Le32(44100) + Le32(bytesPerSecond) + Le16(4) + Le16(16) + "data" +
                         Le32(dataBytes);
    std::ofstream out(path, std::ios::binary);
    if (truncateHeader) {
        out << header.substr(0, 24);
        return;
    }
    out << header << std::string(dataBytes, '\0');
}
