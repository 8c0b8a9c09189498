// Replay driver for fuzz targets built without libFuzzer (gcc builds).
// Feeds the target every seed file of the folder given on the command line,
// then a fixed set of mutations of each seed (truncations, bit flips, byte
// storms, splices) and some pure noise. The pseudo-random generator has a
// fixed seed, so every run is the same run.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

void Run(const Bytes& input) {
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
}

std::vector<Bytes> LoadSeeds(const char* folder) {
    std::vector<Bytes> seeds;
    std::error_code ec;
    if (folder == nullptr || !std::filesystem::is_directory(folder, ec))
        return seeds;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file())
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return seeds;
}

void RunMutations(const Bytes& seed, std::mt19937& rng) {
    for (size_t cut : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{12}, size_t{44},
                       seed.size() / 2, seed.size() > 0 ? seed.size() - 1 : 0}) {
        if (cut <= seed.size())
            Run(Bytes(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(cut)));
    }
    if (seed.empty())
        return;
    for (int round = 0; round < 200; ++round) {
        Bytes mutated = seed;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % mutated.size();
            switch (rng() % 4) {
            case 0: mutated[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 1: mutated[at] = static_cast<uint8_t>(rng()); break;
            case 2: mutated[at] = (rng() % 2) ? 0xFF : 0x00; break;
            default: mutated.resize(at + 1); break;
            }
        }
        Run(mutated);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::mt19937 rng(20261208u);
    const auto seeds = LoadSeeds(argc > 1 ? argv[1] : nullptr);
    Run({});
    for (const auto& seed : seeds)
        RunMutations(seed, rng);
    for (int round = 0; round < 200; ++round) {
        Bytes noise(rng() % 4096);
        for (auto& b : noise)
            b = static_cast<uint8_t>(rng());
        Run(noise);
    }
    std::printf("replayed %zu seeds with mutations\n", seeds.size());
    return 0;
}
