// How far the compatible index's seeks land from the exact ones, for every
// frame of each fixture, plain and behind a tag of 300 KB: the frame whose
// header a seek starts decoding at, against the frame asked for.
// Prints one line per file: frames, seeks that land exactly, largest and
// mean distance in frames (1152 samples for MPEG-1 Layer II and III), and
// the frame counts of both indexes.
// Run: compatible_seek_measure
#include "decoding/MPEGIndex.h"
#include "tests/decoding/ID3v2TagBuilder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadFixture(const char* name) {
    std::ifstream in(std::string(VX_TEST_DATA_DIR) + "/mpeg/" + name, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
}

std::string WriteTagged(const char* name, uint32_t tagBytes) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("vx-seek-measure-" + std::string(name)))
            .string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::vector<uint8_t> tag = tagBytes > 0 ? id3test::Tag(tagBytes) : std::vector<uint8_t>();
    out.write(reinterpret_cast<const char*>(tag.data()), static_cast<std::streamsize>(tag.size()));
    const std::vector<char> song = ReadFixture(name);
    out.write(song.data(), static_cast<std::streamsize>(song.size()));
    return path;
}

void Measure(const char* name, uint32_t tagBytes) {
    const std::string path = WriteTagged(name, tagBytes);
    TMPEGExactIndexTAG exact;
    TMPEGCompatibleIndexTAG compatible;
    if (exact.Build(path.c_str()) != 0 || compatible.Build(path.c_str()) != 0) {
        std::printf("%-22s %7u  (not opened)\n", name, tagBytes);
        return;
    }
    std::map<int64_t, int64_t> frameAt;
    for (uint32_t frame = 0; frame < exact.GetFrameCount(); ++frame) {
        int64_t offset = 0;
        exact.GetFrameOffset(frame, &offset);
        frameAt[offset] = frame;
    }
    const uint32_t frames = std::min(exact.GetFrameCount(), compatible.GetFrameCount());
    uint32_t exactSeeks = 0;
    int64_t worst = 0;
    double sum = 0;
    for (uint32_t frame = 0; frame < frames; ++frame) {
        int64_t offset = 0;
        compatible.GetSeekOffset(frame, &offset);
        // A seek between headers decodes from the next one.
        const auto landed = frameAt.lower_bound(offset);
        const int64_t landedFrame =
            landed == frameAt.end() ? int64_t{exact.GetFrameCount()} : landed->second;
        const int64_t distance = std::llabs(landedFrame - frame);
        exactSeeks += distance == 0;
        worst = std::max(worst, distance);
        sum += static_cast<double>(distance);
    }
    std::printf("%-22s %7u %7u %7u %9lld %9.1f %7u %7u\n", name, tagBytes, frames, exactSeeks,
                static_cast<long long>(worst), sum / frames, exact.GetFrameCount(),
                compatible.GetFrameCount());
    std::filesystem::remove(path);
}

} // namespace

int main() {
    std::printf("%-22s %7s %7s %7s %9s %9s %7s %7s\n", "fixture", "tag", "frames", "exact", "worst",
                "mean", "n_exact", "n_comp");
    for (const char* name : {"cbr128_id3v1.mp3", "id3v2.mp3", "frames21.mp3", "vbr_xing.mp3",
                             "vbr_noxing.mp3", "vbr_v9.mp3", "layer2_44k.mp2", "layer2_48k.mp2",
                             "mpeg2_l3_22k_mono.mp3", "mpeg25_8k.mp3"})
        for (uint32_t tagBytes : {0u, 300000u})
            Measure(name, tagBytes);
    return 0;
}
