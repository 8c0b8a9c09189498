#include "engine/device/ZylWavWriter.h"

#include <algorithm>
#include <cstring>

namespace {

// A RIFF file can describe at most 4 GiB; a longer capture keeps only its
// first part in the declared sizes.
constexpr uint64_t kMaxDataBytes = 0xffffffffull - 36;
// The header is brought up to date about once a second of CD audio, so a
// capture cut short by a killed process still reads as a valid file.
constexpr uint64_t kHeaderRefreshBytes = 176400;

void PutLe(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TZylWavWriter::~TZylWavWriter() {
    Close();
}

bool TZylWavWriter::Open(const std::string& path, const TWaveFormatEx& format) {
    Close();
    File = std::fopen(path.c_str(), "wb");
    if (File == nullptr)
        return false;
    Format = format;
    DataBytes = 0;
    WriteHeader();
    return true;
}

void TZylWavWriter::Write(const void* data, size_t bytes) {
    if (File == nullptr)
        return;
    DataBytes += std::fwrite(data, 1, bytes, File);
    if (DataBytes - HeaderDataBytes >= kHeaderRefreshBytes) {
        std::fseek(File, 0, SEEK_SET);
        WriteHeader();
        std::fseek(File, 0, SEEK_END);
    }
}

void TZylWavWriter::Close() {
    if (File == nullptr)
        return;
    std::fseek(File, 0, SEEK_SET);
    WriteHeader();
    std::fclose(File);
    File = nullptr;
}

void TZylWavWriter::WriteHeader() {
    HeaderDataBytes = DataBytes;
    const auto dataBytes = static_cast<uint32_t>(std::min(DataBytes, kMaxDataBytes));
    uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    PutLe(header + 4, 36 + dataBytes, 4);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    PutLe(header + 16, 16, 4);
    PutLe(header + 20, Format.wFormatTag, 2); // 1 integer PCM, 3 float
    PutLe(header + 22, Format.nChannels, 2);
    PutLe(header + 24, Format.nSamplesPerSec, 4);
    PutLe(header + 28, Format.nAvgBytesPerSec, 4);
    PutLe(header + 32, Format.nBlockAlign, 2);
    PutLe(header + 34, Format.wBitsPerSample, 2);
    std::memcpy(header + 36, "data", 4);
    PutLe(header + 40, dataBytes, 4);
    std::fwrite(header, 1, sizeof header, File);
    std::fflush(File);
}
