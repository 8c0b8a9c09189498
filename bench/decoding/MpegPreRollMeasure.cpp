// Measures how many frames of pre-roll the decoder needs after a seek: for
// every frame of each file given, decoding restarts at the exact offset of an
// earlier frame, the frames in between are dropped, and the sought frame is
// compared with a straight decode of the whole file. Prints, per file, the
// smallest pre-roll that reproduces every frame exactly, and the largest
// sample difference left at each pre-roll.
//
// Then, for the two compatible index variants, how far from the sought
// frame a seek lands: the decoder resynchronises at the first frame header
// at or after the interpolated offset.
//
//   mpeg_preroll_measure FILE...
#include "decoding/MPEGIndex.h"
#include "decoding/MpegFrameDecoder.h"
#include "tests/decoding/MpegReference.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kMaxPreRoll = 10;

int MaxSampleDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size())
        return 65536;
    int worst = 0;
    for (size_t i = 0; i + 1 < a.size(); i += 2) {
        int16_t x, y;
        std::memcpy(&x, &a[i], 2);
        std::memcpy(&y, &b[i], 2);
        worst = std::max(worst, std::abs(x - y));
    }
    return worst;
}

// The worst difference over every frame of the file at this pre-roll.
int WorstAtPreRoll(const char* path, TMPEGExactIndexTAG& index, const TMpegReference& reference,
                   uint32_t preRoll) {
    TMpegFrameDecoder decoder;
    if (decoder.New() != 0 || decoder.InputNew(path) != 0 || decoder.InputOpen() != 0)
        return -1;
    int worst = 0;
    const uint32_t frames = std::min<uint32_t>(index.GetFrameCount(), reference.Frames.size());
    for (uint32_t frame = 0; frame < frames; ++frame) {
        const uint32_t start = frame > preRoll ? frame - preRoll : 0;
        int64_t offset = 0;
        index.GetFrameOffset(start, &offset);
        decoder.SeekToOffset(offset);
        for (uint32_t i = start; i < frame; ++i)
            decoder.Decode(nullptr, 0);
        const auto& expected = reference.Frames[frame];
        std::vector<uint8_t> pcm(expected.size());
        if (decoder.Decode(pcm.data(), static_cast<uint32_t>(pcm.size())) != 0)
            return 65536;
        worst = std::max(worst, MaxSampleDifference(pcm, expected));
    }
    return worst;
}

// Frames between each sought frame and the frame a compatible index lands on.
void PrintCompatibleLanding(const char* path, TMPEGExactIndexTAG& exact, TMPEGIndexTAG& compatible,
                            const char* name) {
    if (compatible.Build(path) != 0)
        return;
    std::vector<int64_t> offsets(exact.GetFrameCount());
    for (uint32_t frame = 0; frame < offsets.size(); ++frame)
        exact.GetFrameOffset(frame, &offsets[frame]);
    int64_t earliest = 0, latest = 0, total = 0;
    for (uint32_t frame = 0; frame < offsets.size(); ++frame) {
        int64_t offset = 0;
        compatible.GetFrameOffset(frame, &offset);
        const auto landing = std::lower_bound(offsets.begin(), offsets.end(), offset);
        const int64_t off = (landing - offsets.begin()) - frame;
        earliest = std::min(earliest, off);
        latest = std::max(latest, off);
        total += off < 0 ? -off : off;
    }
    std::printf("  %s index: %u frames (exact %u), lands %+lld..%+lld frames off, mean |%.2f|\n",
                name, compatible.GetFrameCount(), exact.GetFrameCount(),
                static_cast<long long>(earliest), static_cast<long long>(latest),
                static_cast<double>(total) / static_cast<double>(offsets.size()));
}

} // namespace

int main(int argc, char** argv) {
    for (int arg = 1; arg < argc; ++arg) {
        const char* path = argv[arg];
        TMPEGExactIndexTAG index;
        TMpegReference reference;
        if (index.Build(path) != 0 || !DecodeReference(path, &reference)) {
            std::printf("%s: cannot index or decode\n", path);
            continue;
        }
        std::printf("%s (%u frames, reference %zu):", path, index.GetFrameCount(),
                    reference.Frames.size());
        int exactAt = -1;
        for (uint32_t preRoll = 0; preRoll <= kMaxPreRoll; ++preRoll) {
            const int worst = WorstAtPreRoll(path, index, reference, preRoll);
            std::printf(" p%u:%d", preRoll, worst);
            if (worst == 0) {
                exactAt = static_cast<int>(preRoll);
                break;
            }
        }
        std::printf("  -> exact from %d\n", exactAt);
        TMPEGCompatibleIndexTAG compatible;
        TMPEGCompatibleIndex2TAG compatible2;
        PrintCompatibleLanding(path, index, compatible, "compatible");
        PrintCompatibleLanding(path, index, compatible2, "compatible 2");
    }
    return 0;
}
