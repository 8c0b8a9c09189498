// Fixture paths and scratch files of the MPEG decoder tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

inline std::string MpegFixture(const std::string& name) {
    return std::string(VX_TEST_DATA_DIR) + "/mpeg/" + name;
}

inline std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

// Seeded random bytes: garbage that may hold anything, sync patterns
// included, and is the same on every run.
inline std::vector<uint8_t> SeededGarbage(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(random());
    return bytes;
}

// A file in the test's scratch folder, removed when the object goes.
class TScratchFile {
public:
    explicit TScratchFile(const std::string& name, const std::vector<uint8_t>& bytes = {})
        : FPath(std::string(VX_TEST_BINARY_DIR) + "/" + std::to_string(getpid()) + "-" + name) {
        Write(bytes);
    }
    ~TScratchFile() { std::remove(FPath.c_str()); }
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;

    void Write(const std::vector<uint8_t>& bytes) const {
        std::ofstream out(FPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    const char* Path() const { return FPath.c_str(); }

private:
    std::string FPath;
};
