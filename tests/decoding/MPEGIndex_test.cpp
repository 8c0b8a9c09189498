#include "decoding/MPEGIndex.h"

#include "diag/Diag.h"
#include "tests/decoding/ID3v2TagBuilder.h"
#include "tests/decoding/MpegReference.h"
#include "tests/decoding/MpegTestFiles.h"

#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace {

uint32_t HeaderAt(const std::vector<uint8_t>& bytes, int64_t offset) {
    const auto at = static_cast<size_t>(offset);
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 |
           uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

// 3,000 seeded random bytes holding the header FF FB 90 64 (MPEG-1 Layer
// III, 128 kbit/s, 44.1 kHz) with no frame behind it.
std::vector<uint8_t> JunkWithSync() {
    std::vector<uint8_t> junk = SeededGarbage(3000, 23);
    const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x64};
    std::copy(std::begin(header), std::end(header), junk.begin() + 1000);
    return junk;
}

// Files that libmpg123 decodes frame for frame as the index walks them.
const char* const kWellFormed[] = {
    "cbr128_id3v1.mp3",  "vbr_xing.mp3", "vbr_noxing.mp3",
    "vbr_v9.mp3",        "id3v2.mp3",    "layer2_48k.mp2",
    "mpeg25_8k.mp3",     "frames21.mp3", "mpeg2_l3_22k_mono.mp3",
    "format_change.mp3",
};

TEST(MPEGExactIndex, AgreesWithTheDecodersOwnFrameWalk) {
    for (const char* name : kWellFormed) {
        SCOPED_TRACE(name);
        const std::string path = MpegFixture(name);
        TMpegReference reference;
        ASSERT_TRUE(DecodeReference(path, &reference));
        TMPEGExactIndexTAG index;
        ASSERT_EQ(index.Build(path.c_str()), 0);
        ASSERT_EQ(index.GetFrameCount(), reference.Headers.size());
        const std::vector<uint8_t> bytes = ReadWholeFile(path);
        int64_t previous = -1;
        for (uint32_t frame = 0; frame < index.GetFrameCount(); ++frame) {
            int64_t offset = 0;
            ASSERT_EQ(index.GetFrameOffset(frame, &offset), 0);
            ASSERT_GT(offset, previous);
            ASSERT_EQ(HeaderAt(bytes, offset), reference.Headers[frame]) << "frame " << frame;
            previous = offset;
        }
    }
}

TEST(MPEGExactIndex, CountsBothRunsAroundACorruptStretchAndTheCutLastFrame) {
    TMpegReference intact;
    ASSERT_TRUE(DecodeReference(MpegFixture("cbr128_id3v1.mp3"), &intact));
    TMPEGExactIndexTAG index;
    ASSERT_EQ(index.Build(MpegFixture("corrupt_middle.mp3").c_str()), 0);
    // 700 bytes of garbage take two whole frames and damage the edges of two
    // more, whose headers are lost.
    EXPECT_GE(index.GetFrameCount(), intact.Frames.size() - 4);
    EXPECT_LT(index.GetFrameCount(), intact.Frames.size());

    TMpegReference whole;
    ASSERT_TRUE(DecodeReference(MpegFixture("vbr_noxing.mp3"), &whole));
    ASSERT_EQ(index.Build(MpegFixture("truncated.mp3").c_str()), 0);
    EXPECT_EQ(index.GetFrameCount(), whole.Frames.size()); // the cut frame still counts
}

TEST(MPEGExactIndex, FrameOffsetsAreClampedToTheLastFrame) {
    TMPEGExactIndexTAG index;
    int64_t offset = 0;
    EXPECT_EQ(index.GetFrameOffset(0, &offset), -1);
    EXPECT_NE(std::string(DiagLastMessage()).find("MPEG-Index: Not initialized"),
              std::string::npos);
    ASSERT_EQ(index.Build(MpegFixture("frames21.mp3").c_str()), 0);
    EXPECT_EQ(index.GetFrameCount(), 21u);
    EXPECT_EQ(index.GetFrameBytes(), 1152u * 2 * 2);
    ASSERT_EQ(index.GetFrameOffset(1000, &offset), 0);
    EXPECT_EQ(offset, 20 * 384);
    index.Clear();
    EXPECT_EQ(index.GetFrameCount(), 0u);
    EXPECT_EQ(index.GetFrameOffset(0, &offset), -1);
}

// Behind a tag of cover art the compatible index finds the same stream as
// the exact one: the same frames, the same first frame, and for a constant
// bitrate the same frame at every seek. A variable
// bitrate seek lands on some real frame header.
TEST(MPEGCompatibleIndex, FindsTheExactStreamBehindALeadingTag) {
    struct TCase {
        const char* Name;
        bool ConstantBitrate;
    };
    for (const TCase& c :
         {TCase{"cbr128_id3v1.mp3", true}, TCase{"frames21.mp3", true}, TCase{"id3v2.mp3", true},
          TCase{"layer2_44k.mp2", true}, TCase{"vbr_xing.mp3", false}}) {
        for (uint32_t tagBytes : {0u, 300000u, 3000u}) {
            SCOPED_TRACE(std::string(c.Name) + " behind " + std::to_string(tagBytes));
            const std::vector<uint8_t> song = ReadWholeFile(MpegFixture(c.Name));
            // The small tag is followed by junk that holds a lone sync
            // pattern: no frame follows it, so the stream starts after it.
            const std::vector<uint8_t> junk =
                tagBytes == 3000 ? JunkWithSync() : std::vector<uint8_t>();
            TScratchFile file("tagged-index.mp3",
                              tagBytes ? id3test::Joined({id3test::Tag(tagBytes), junk, song})
                                       : song);
            TMPEGExactIndexTAG exact;
            TMPEGCompatibleIndexTAG compatible;
            ASSERT_EQ(exact.Build(file.Path()), 0);
            ASSERT_EQ(compatible.Build(file.Path()), 0);
            const uint32_t frames = exact.GetFrameCount();
            ASSERT_EQ(compatible.GetFrameCount(), frames);
            std::set<int64_t> headers;
            for (uint32_t frame = 0; frame < frames; ++frame) {
                int64_t offset = 0;
                ASSERT_EQ(exact.GetFrameOffset(frame, &offset), 0);
                headers.insert(offset);
            }
            for (uint32_t frame = 0; frame < frames; ++frame) {
                int64_t expected = 0, landed = 0;
                exact.GetFrameOffset(frame, &expected);
                ASSERT_EQ(compatible.GetSeekOffset(frame, &landed), 0);
                if (c.ConstantBitrate || frame == 0) {
                    ASSERT_EQ(landed, expected) << "frame " << frame;
                } else if (frame + 1 < frames) { // the last has no successor to confirm it
                    ASSERT_EQ(headers.count(landed), 1u) << "frame " << frame;
                }
            }
        }
    }
    TMPEGQuickInfo info{};
    EXPECT_EQ(ReadQuickInfo(MpegFixture("vbr_noxing.mp3").c_str(), &info), 0);
    EXPECT_EQ(ReadQuickInfo("/nonexistent.mp3", &info), 0);
}

TEST(MPEGCompatibleIndex, QuickPathOrSampledBitrates) {
    TMPEGCompatibleIndexTAG compatible;
    TMPEGCompatibleIndex2TAG compatible2;
    TMPEGQuickInfo quick{};
    const std::string cbr = MpegFixture("cbr128_id3v1.mp3");
    ASSERT_EQ(ReadQuickInfo(cbr.c_str(), &quick), 1);
    for (TMPEGIndexTAG* index :
         {static_cast<TMPEGIndexTAG*>(&compatible), static_cast<TMPEGIndexTAG*>(&compatible2)}) {
        ASSERT_EQ(index->Build(cbr.c_str()), 0);
        EXPECT_EQ(index->GetFrameCount(), quick.FrameCount);
        int64_t offset = 0;
        ASSERT_EQ(index->GetFrameOffset(quick.FrameCount + 50, &offset), 0);
        EXPECT_EQ(offset, quick.StreamStart + quick.StreamBytes);
    }

    // Without a quick answer the second variant walks the file.
    const std::string vbr = MpegFixture("vbr_noxing.mp3");
    TMPEGExactIndexTAG exact;
    ASSERT_EQ(exact.Build(vbr.c_str()), 0);
    ASSERT_EQ(compatible2.Build(vbr.c_str()), 0);
    EXPECT_EQ(compatible2.GetFrameCount(), exact.GetFrameCount());
    // The first variant estimates from five sampled bitrates.
    ASSERT_EQ(compatible.Build(vbr.c_str()), 0);
    EXPECT_NEAR(compatible.GetFrameCount(), exact.GetFrameCount(), exact.GetFrameCount() / 2.0);
    EXPECT_EQ(compatible.GetFrameBytes(), 4608u);
}

TEST(MPEGIndex, NonMpegFilesAreRefusedWithTheirMessages) {
    TScratchFile noise("index-noise.mp3", std::vector<uint8_t>(5000, 0x41));
    TMPEGCompatibleIndexTAG compatible;
    TMPEGCompatibleIndex2TAG compatible2;
    TMPEGExactIndexTAG exact;
    EXPECT_EQ(compatible.Build(noise.Path()), -1);
    EXPECT_NE(std::string(DiagLastMessage()).find("MPEG-Index: Bad file ("), std::string::npos);
    EXPECT_EQ(compatible2.Build(noise.Path()), -1);
    EXPECT_NE(std::string(DiagLastMessage()).find("MPEG-Index: Can't open file ("),
              std::string::npos);
    EXPECT_EQ(exact.Build(noise.Path()), -1);
    EXPECT_NE(std::string(DiagLastMessage()).find("MPEG-Index: Error getting data ("),
              std::string::npos);
    EXPECT_EQ(compatible.Build("/nonexistent.mp3"), -1);
    EXPECT_NE(std::string(DiagLastMessage()).find("MPEG-Index: Can't open file (/nonexistent"),
              std::string::npos);
}

TEST(MPEGScan, UnconfirmedHeadersAreSkipped) {
    // A lone valid-looking header whose successor is garbage, then two
    // chained frames of 384 bytes: the confirmed header is the first real one.
    std::vector<uint8_t> bytes(100, 0x11);
    const uint8_t lone[] = {0xFF, 0xFB, 0x94, 0x04};
    bytes.insert(bytes.begin() + 10, lone, lone + 4);
    const std::vector<uint8_t> frames = ReadWholeFile(MpegFixture("frames21.mp3"));
    bytes.insert(bytes.end(), frames.begin(), frames.begin() + 3 * 384);
    TScratchFile file("unconfirmed.mp3", bytes);
    TZylFileStreamTAG stream;
    ASSERT_EQ(stream.Open(file.Path(), kProbeBufferSize), 1);
    uint32_t header = 0;
    ASSERT_EQ(ReadFrameHeader(stream, &header), 1);
    EXPECT_EQ(stream.Position(), 104 + 4);
    // The walk takes the lone header as a run of one frame and resumes its
    // search behind it, inside the first real frame: two real frames follow.
    EXPECT_EQ(CountFrames(file.Path(), nullptr, nullptr), 3u);
}

TEST(MPEGScan, AGigabyteOfZerosIsRefusedAfterABoundedSearch) {
    TScratchFile file("zeros.mp3");
    ASSERT_EQ(truncate(file.Path(), int64_t{1} << 30), 0); // sparse: costs no disk
    TZylFileStreamTAG stream;
    ASSERT_EQ(stream.Open(file.Path(), kWalkBufferSize), 1);
    uint32_t header = 0;
    EXPECT_EQ(FindSync(stream, &header), 0);
    EXPECT_LE(stream.Position(), kMaxSyncSearch + 8);
    stream.Seek(0, 0);
    EXPECT_EQ(ReadFrameHeader(stream, &header), 0);
    EXPECT_LE(stream.Position(), kMaxSyncSearch + 8);
    stream.Close();
    TMPEGCompatibleIndexTAG compatible;
    TMPEGCompatibleIndex2TAG compatible2;
    TMPEGExactIndexTAG exact;
    EXPECT_EQ(compatible.Build(file.Path()), -1);
    EXPECT_EQ(compatible2.Build(file.Path()), -1);
    EXPECT_EQ(exact.Build(file.Path()), -1);
    EXPECT_EQ(CountFrames(file.Path(), nullptr, nullptr), 0u);
}

} // namespace

namespace {

TEST(ZylDynamicArray, GrowsByItsStepAndKeepsEveryValue) {
    ZylDynamicArray<unsigned long> array;
    EXPECT_EQ(array.Capacity(), 8u);
    array.Reset(2, 3);
    EXPECT_EQ(array.Count(), 0u);
    for (unsigned long value = 0; value < 10; ++value)
        EXPECT_EQ(array.Append(value * 7), value);
    EXPECT_EQ(array.Capacity(), 11u); // 2, then 5, 8, 11
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(array[i], i * 7);
    array.Reset(4, 1);
    EXPECT_EQ(array.Count(), 0u);
    EXPECT_EQ(array.Capacity(), 4u);
}

// A tag of 200 KB (far beyond one sync search) whose text holds UTF-16
// byte-order marks, which look like frame headers, in front of 21 frames.
std::vector<uint8_t> HugeTagInFrontOf(const std::vector<uint8_t>& frames) {
    constexpr uint32_t kTagBytes = 200000;
    std::vector<uint8_t> file = {'I', 'D', '3', 3, 0, 0};
    for (int shift : {21, 14, 7, 0})
        file.push_back(static_cast<uint8_t>((kTagBytes >> shift) & 0x7F));
    for (uint32_t i = 0; i < kTagBytes; ++i)
        file.push_back(i % 97 == 0   ? 0xFF
                       : i % 97 == 1 ? 0xFE
                                     : static_cast<uint8_t>('a' + i % 26));
    file.insert(file.end(), frames.begin(), frames.end());
    return file;
}

TEST(MPEGExactIndex, SkipsALeadingTagByItsDeclaredSize) {
    const std::vector<uint8_t> frames = ReadWholeFile(MpegFixture("frames21.mp3"));
    TScratchFile file("huge-tag.mp3", HugeTagInFrontOf(frames));
    TMPEGExactIndexTAG index;
    ASSERT_EQ(index.Build(file.Path()), 0);
    EXPECT_EQ(index.GetFrameCount(), 21u);
    int64_t offset = 0;
    ASSERT_EQ(index.GetFrameOffset(0, &offset), 0);
    EXPECT_EQ(offset, 200010);
}

} // namespace
