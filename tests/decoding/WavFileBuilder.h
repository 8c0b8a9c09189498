// Builds RIFF WAVE files byte by byte for the decoder tests, including the
// damaged and unusual layouts real files come in.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace wavtest {

using Bytes = std::vector<uint8_t>;

inline void PutLe16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutLe32(Bytes& out, uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

inline void PutId(Bytes& out, const char* id) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(id[i]));
}

struct PcmHeader {
    uint16_t tag = 1;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    // Stored as computed unless overridden.
    int64_t avgBytesPerSec = -1;
};

// A chunk with its size field; an odd-sized body gets its pad byte.
inline Bytes Chunk(const char* id, const Bytes& body, int64_t claimedSize = -1) {
    Bytes out;
    PutId(out, id);
    PutLe32(out, static_cast<uint32_t>(claimedSize >= 0 ? claimedSize : int64_t(body.size())));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        out.push_back(0);
    return out;
}

inline Bytes FormatBody(const PcmHeader& h, const Bytes& extra = {}, bool withExtraSize = false) {
    Bytes body;
    PutLe16(body, h.tag);
    PutLe16(body, h.channels);
    PutLe32(body, h.rate);
    const uint32_t avg = h.avgBytesPerSec >= 0 ? static_cast<uint32_t>(h.avgBytesPerSec)
                                               : h.channels * h.rate * (h.bits / 8u);
    PutLe32(body, avg);
    PutLe16(body, h.channels * (h.bits / 8u));
    PutLe16(body, h.bits);
    if (withExtraSize || !extra.empty()) {
        PutLe16(body, static_cast<uint32_t>(extra.size()));
        body.insert(body.end(), extra.begin(), extra.end());
    }
    return body;
}

// RIFF/WAVE around the given chunks; the RIFF size is the true one unless
// claimed otherwise.
inline Bytes Riff(const std::vector<Bytes>& chunks, int64_t claimedSize = -1) {
    Bytes inner;
    PutId(inner, "WAVE");
    for (const Bytes& c : chunks)
        inner.insert(inner.end(), c.begin(), c.end());
    return Chunk("RIFF", inner, claimedSize);
}

// Deterministic, non-silent sample bytes.
inline Bytes Ramp(size_t size) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(i * 7 + i / 251 + 1);
    return data;
}

inline Bytes SimpleWav(const PcmHeader& h, const Bytes& data) {
    return Riff({Chunk("fmt ", FormatBody(h)), Chunk("data", data)});
}

// A scratch folder per test, removed afterwards.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag)
        : Path(std::filesystem::temp_directory_path() /
               ("vx-wav-" + std::to_string(::getpid()) + "-" + tag)) {
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
    }
    ~TempFolder() { std::filesystem::remove_all(Path); }

    std::string Write(const std::string& name, const Bytes& bytes) const {
        const auto file = Path / name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

    std::filesystem::path Path;
};

} // namespace wavtest
