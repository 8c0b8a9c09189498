// Writes PCM to a RIFF WAVE file: the header goes first, and its sizes are
// brought up to date as data arrives and at Close. The Null back end
// records what it "plays" with it.
#pragma once

#include "decoding/VxPlayer.h"

#include <cstdint>
#include <cstdio>
#include <string>

class TZylWavWriter {
public:
    TZylWavWriter() = default;
    TZylWavWriter(const TZylWavWriter&) = delete;
    TZylWavWriter& operator=(const TZylWavWriter&) = delete;
    ~TZylWavWriter();

    bool Open(const std::string& path, const TWaveFormatEx& format);
    bool IsOpen() const { return File != nullptr; }
    void Write(const void* data, size_t bytes);
    // Fills in the sizes and closes the file.
    void Close();

private:
    void WriteHeader();

    FILE* File = nullptr;
    TWaveFormatEx Format;
    uint64_t DataBytes = 0;
    uint64_t HeaderDataBytes = 0; // DataBytes when the header was last written
};
