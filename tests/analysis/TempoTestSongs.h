// The songs of known tempo that make_tempo_fixtures.sh writes, and small
// files made on the spot.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tempotest {

namespace fs = std::filesystem;

struct TSong {
    std::string Path;
    double Bpm;         // 0: no beat
    double FirstBeatMs; // -1: not known (an encoder's delay moves it)
};

inline std::vector<TSong> FixtureSongs() {
    std::vector<TSong> songs;
    std::ifstream list(VX_TEMPO_SONGS "/tempo-fixtures.txt");
    std::string name;
    double bpm = 0;
    double firstBeatMs = 0;
    while (list >> name >> bpm >> firstBeatMs)
        songs.push_back({VX_TEMPO_SONGS "/" + name, bpm, firstBeatMs});
    return songs;
}

inline std::string FixtureSong(const std::string& name) {
    return VX_TEMPO_SONGS "/" + name;
}

inline fs::path ScratchDir(const std::string& name) {
    const fs::path dir = fs::path(VX_TEST_BINARY_DIR) / "analysis-work" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// A 16-bit stereo 44.1 kHz WAV file of frames silent frames.
inline std::string SilentWav(const fs::path& path, std::uint32_t frames) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + frames * 4);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(frames * 4);
    out << std::string(frames * 4, '\0');
    return path.string();
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace tempotest
