#include "decoding/ZylMP3.h"

#include "decoding/ID3v1.h"
#include "decoding/XaudioStatus.h"
#include "diag/Diag.h"
#include "tests/decoding/ID3v2TagBuilder.h"
#include "tests/decoding/MpegReference.h"
#include "tests/decoding/MpegTestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t kChunkFrames = 8;

bool LastMessageHas(const char* text) {
    return std::string(DiagLastMessage()).find(text) != std::string::npos;
}

int MaxSampleDifference(const uint8_t* a, const uint8_t* b, size_t bytes) {
    int worst = 0;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        int16_t x, y;
        std::memcpy(&x, a + i, 2);
        std::memcpy(&y, b + i, 2);
        worst = std::max(worst, std::abs(x - y));
    }
    return worst;
}

// Everything the decoder delivers from its position to the end.
std::vector<uint8_t> ReadToEnd(TZylMP3TAG& decoder) {
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> chunk(size_t{kChunkFrames} * decoder.BytesPerFrame);
    uint32_t read = kChunkFrames;
    while (read == kChunkFrames) {
        EXPECT_EQ(decoder.Read(chunk.data(), kChunkFrames, &read), 0);
        pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + size_t{read} * decoder.BytesPerFrame);
    }
    return pcm;
}

struct TSeekCase {
    const char* Name;
    int Tolerance; // largest sample difference allowed
};

// MPEG-1 Layer II and III come out exactly; MPEG-2 and 2.5 Layer III keep
// 1 LSB of synthesis history that no pre-roll restores.
constexpr TSeekCase kSeekCases[] = {
    {"cbr128_id3v1.mp3", 0}, {"vbr_xing.mp3", 0},
    {"vbr_noxing.mp3", 0},   {"id3v2.mp3", 0},
    {"layer2_48k.mp2", 0},   {"frames21.mp3", 0},
    {"cbr32_44k.mp3", 0},    {"vbr_v9_44k.mp3", 0},
    {"vbr_v9.mp3", 1},       {"mpeg2_l3_22k_mono.mp3", 1},
    {"mpeg25_8k.mp3", 1},
};

TEST(ZylMP3, ReadingAWholeFileEqualsAStraightDecode) {
    for (const TSeekCase& c : kSeekCases) {
        SCOPED_TRACE(c.Name);
        const std::string path = MpegFixture(c.Name);
        TMpegReference reference;
        ASSERT_TRUE(DecodeReference(path, &reference));
        TZylMP3TAG decoder;
        ASSERT_EQ(decoder.Open(path.c_str(), kMP3ModeExactIndex), 0);
        EXPECT_EQ(decoder.Format.nChannels, reference.Channels);
        EXPECT_EQ(decoder.Format.nSamplesPerSec, reference.Rate);
        EXPECT_EQ(decoder.Format.wBitsPerSample, 16);
        EXPECT_EQ(decoder.Format.cbSize, 1);
        EXPECT_EQ(decoder.BytesPerFrame, reference.Frames[1].size());
        const double pcmBytes = (reference.Frames.size() - 1.0) * decoder.BytesPerFrame;
        EXPECT_EQ(decoder.LengthMs,
                  static_cast<uint32_t>(pcmBytes / decoder.Format.nAvgBytesPerSec * 1000));
        EXPECT_EQ(ReadToEnd(decoder), reference.Pcm());
    }
}

TEST(ZylMP3, SeekLandsOnTheRequestedSample) {
    std::vector<TSeekCase> cases(std::begin(kSeekCases), std::end(kSeekCases));
    // The index counts the cut last frame that the decoder cannot deliver;
    // every position before it is still exact.
    cases.push_back({"truncated.mp3", 0});
    for (const TSeekCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = MpegFixture(c.Name);
        TMpegReference reference;
        ASSERT_TRUE(DecodeReference(path, &reference));
        const std::vector<uint8_t> straight = reference.Pcm();
        TZylMP3TAG decoder;
        ASSERT_EQ(decoder.Open(path.c_str(), kMP3ModeExactIndex), 0);
        std::vector<uint8_t> chunk(size_t{kChunkFrames} * decoder.BytesPerFrame);
        // Every 7 ms hits every frame at many positions inside it.
        for (uint32_t ms = 0; ms <= decoder.LengthMs; ms += 7) {
            SCOPED_TRACE(ms);
            uint32_t skip = 0, read = 0;
            ASSERT_EQ(decoder.Seek(ms, &skip), 0);
            ASSERT_LT(skip, decoder.BytesPerFrame);
            ASSERT_EQ(skip % 4, 0u);
            ASSERT_EQ(decoder.Read(chunk.data(), kChunkFrames, &read), 0);
            const uint64_t at = uint64_t{ms} * decoder.Format.nAvgBytesPerSec / 1000 & ~uint64_t{3};
            if (at >= straight.size())
                break; // inside the cut last frame
            const size_t compared =
                std::min<size_t>(size_t{read} * decoder.BytesPerFrame - skip, straight.size() - at);
            ASSERT_GT(compared, 0u);
            ASSERT_LE(MaxSampleDifference(chunk.data() + skip, straight.data() + at, compared),
                      c.Tolerance);
        }
    }
}

TEST(ZylMP3, OneDecoderOpensFileAfterFile) {
    TZylMP3TAG decoder;
    for (const char* name : {"cbr128_id3v1.mp3", "vbr_xing.mp3", "mpeg2_l3_22k_mono.mp3",
                             "mpeg2_l3_22k_mono.mp3", "layer2_48k.mp2", "cbr128_id3v1.mp3"}) {
        SCOPED_TRACE(name);
        TMpegReference reference;
        ASSERT_TRUE(DecodeReference(MpegFixture(name), &reference));
        ASSERT_EQ(decoder.Open(MpegFixture(name).c_str(), kMP3ModeExactIndex), 0);
        EXPECT_EQ(decoder.Format.nSamplesPerSec, reference.Rate);
        EXPECT_EQ(decoder.Format.nChannels, reference.Channels);
        uint32_t skip = 0;
        ASSERT_EQ(decoder.Seek(0, &skip), 0);
        EXPECT_EQ(ReadToEnd(decoder), reference.Pcm());
    }
}

TEST(ZylMP3, SeekPastTheEndLandsOnTheLastFrame) {
    const std::string path = MpegFixture("frames21.mp3");
    TMpegReference reference;
    ASSERT_TRUE(DecodeReference(path, &reference));
    TZylMP3TAG decoder;
    ASSERT_EQ(decoder.Open(path.c_str(), kMP3ModeExactIndex), 0);
    uint32_t skip = 1, read = 0;
    ASSERT_EQ(decoder.Seek(decoder.LengthMs + 5000, &skip), 0);
    EXPECT_EQ(skip, 0u);
    std::vector<uint8_t> chunk(2 * decoder.BytesPerFrame, 0x77);
    ASSERT_EQ(decoder.Read(chunk.data(), 2, &read), 0);
    EXPECT_EQ(read, 1u);
    EXPECT_TRUE(
        std::equal(reference.Frames.back().begin(), reference.Frames.back().end(), chunk.begin()));
    EXPECT_TRUE(std::all_of(chunk.begin() + decoder.BytesPerFrame, chunk.end(),
                            [](uint8_t b) { return b == 0; }));
}

TEST(ZylMP3, StreamsOfTwentyFramesOrFewerAreRefused) {
    TZylMP3TAG decoder;
    EXPECT_EQ(decoder.Open(MpegFixture("frames20.mp3").c_str(), kMP3ModeExactIndex), -2);
    EXPECT_TRUE(LastMessageHas("XAudio: Stream too short (19 frames)"));
    EXPECT_EQ(decoder.IsOpen, 0u);
    EXPECT_EQ(decoder.Open(MpegFixture("frames21.mp3").c_str(), kMP3ModeExactIndex), 0);
    EXPECT_EQ(decoder.IsOpen, 1u);
}

TEST(ZylMP3, CompatibleIndexOpensAndSeeksEveryFixture) {
    for (const char* name : {"cbr128_id3v1.mp3", "vbr_xing.mp3", "vbr_noxing.mp3", "id3v2.mp3",
                             "layer2_48k.mp2", "mpeg25_8k.mp3"}) {
        SCOPED_TRACE(name);
        for (uint32_t mode : {0u, kMP3ModeCompatible2}) {
            TZylMP3TAG decoder;
            ASSERT_EQ(decoder.Open(MpegFixture(name).c_str(), mode), 0);
            uint32_t skip = 0, read = 0;
            std::vector<uint8_t> chunk(size_t{kChunkFrames} * decoder.BytesPerFrame);
            for (uint32_t ms : {0u, decoder.LengthMs / 3, decoder.LengthMs / 2}) {
                ASSERT_EQ(decoder.Seek(ms, &skip), 0);
                ASSERT_EQ(decoder.Read(chunk.data(), kChunkFrames, &read), 0);
                EXPECT_GT(read, 0u);
            }
        }
    }
}

// The deck, the compatible index and the playlist's probe agree on the
// length of constant-bitrate and Xing files, also behind cover art.
TEST(ZylMP3, EveryPathGivesTheExactLengthBehindALeadingTag) {
    for (const char* name : {"cbr128_id3v1.mp3", "id3v2.mp3", "frames21.mp3", "vbr_xing.mp3"}) {
        for (uint32_t tagBytes : {0u, 50000u, 300000u}) {
            SCOPED_TRACE(std::string(name) + " behind " + std::to_string(tagBytes));
            const std::vector<uint8_t> song = ReadWholeFile(MpegFixture(name));
            TScratchFile file("tagged-length.mp3",
                              tagBytes ? id3test::Joined({id3test::Tag(tagBytes), song}) : song);
            TZylMP3TAG exact, compatible;
            ASSERT_EQ(exact.Open(MpegFixture(name).c_str(), kMP3ModeExactIndex), 0);
            ASSERT_EQ(compatible.Open(file.Path(), 0), 0);
            EXPECT_EQ(compatible.LengthMs, exact.LengthMs);
            char title[kSongNameSize];
            uint32_t probed = 0;
            ASSERT_EQ(compatible.GetInfo(file.Path(), title, &probed), 0);
            EXPECT_EQ(probed, exact.LengthMs);
        }
    }
}

// Tags a sloppy tagger writes in front of a song. Each file either plays
// from its first real frame, exactly, or is refused with the index's
// message; seeks stay inside the song.
TEST(ZylMP3, OddLeadingTagsPlayFromTheFirstFrameOrAreRefused) {
    using namespace id3test;
    const std::vector<uint8_t> song = ReadWholeFile(MpegFixture("cbr128_id3v1.mp3"));
    std::vector<uint8_t> pastTheEnd = Tag(1000);
    pastTheEnd[6] = 0x7F; // declares 256 MB
    struct TCase {
        const char* Name;
        std::vector<uint8_t> Bytes;
    };
    const TCase cases[] = {
        {"size past the end", Joined({pastTheEnd, song})},
        {"garbage behind the tag", Joined({Tag(3000), SeededGarbage(5000, 5), song})},
        {"two tags", Joined({Tag(300000), Tag(2000), song})},
        {"footer", Joined({Tag(40000, kFooter, 4), song})},
        {"extended header", Joined({Tag(40000, kExtendedHeader), song})},
        {"tag only", Tag(300000)},
    };
    TMpegReference reference;
    ASSERT_TRUE(DecodeReference(MpegFixture("cbr128_id3v1.mp3"), &reference));
    for (const TCase& c : cases) {
        TScratchFile file("odd-tag.mp3", c.Bytes);
        for (uint32_t mode : {kMP3ModeExactIndex, 0u}) {
            SCOPED_TRACE(std::string(c.Name) + (mode ? " exact" : " compatible"));
            TZylMP3TAG decoder;
            if (decoder.Open(file.Path(), mode) != 0) {
                EXPECT_TRUE(LastMessageHas("MPEG-Index: "));
                continue;
            }
            uint32_t skip = 0;
            for (uint32_t ms : {decoder.LengthMs, decoder.LengthMs / 3, 0u})
                ASSERT_EQ(decoder.Seek(ms, &skip), 0);
            EXPECT_EQ(ReadToEnd(decoder), reference.Pcm());
        }
    }
}

TEST(ZylMP3, TitleFromTheID3v1Tag) {
    TZylMP3TAG decoder;
    char name[kSongNameSize] = "";
    uint32_t length = 0;
    const std::string tagged = MpegFixture("cbr128_id3v1.mp3");
    ASSERT_EQ(decoder.GetInfo(tagged.c_str(), name, &length), 0);
    EXPECT_STREQ(name, "Some Artist - Song Title");
    EXPECT_EQ(decoder.GetTitle(), nullptr);
    ASSERT_EQ(decoder.Open(tagged.c_str(), 0), 0);
    ASSERT_NE(decoder.GetTitle(), nullptr);
    EXPECT_STREQ(decoder.GetTitle(), "Some Artist - Song Title");

    ASSERT_EQ(decoder.Open(MpegFixture("id3v2.mp3").c_str(), 0), 0);
    EXPECT_EQ(decoder.GetTitle(), nullptr);
    ASSERT_EQ(decoder.GetInfo(MpegFixture("id3v2.mp3").c_str(), name, &length), 0);
    EXPECT_STREQ(name, "id3v2");
}

TEST(ID3v1, FieldsAreTrimmedJoinedAndConvertedToUtf8) {
    const auto tag = [](const char* title, const char* artist) {
        uint8_t block[kID3v1Size] = {'T', 'A', 'G'};
        std::memcpy(block + 3, title, std::min<size_t>(30, std::strlen(title)));
        std::memcpy(block + 33, artist, std::min<size_t>(30, std::strlen(artist)));
        char text[200];
        ID3v1TitleFromTag(block, text, sizeof text);
        return std::string(text);
    };
    EXPECT_EQ(tag("Title   ", "Artist    "), "Artist - Title");
    EXPECT_EQ(tag("Only Title", ""), "Only Title");
    EXPECT_EQ(tag("   ", "Only Artist"), "Only Artist");
    EXPECT_EQ(tag("", ""), "");
    EXPECT_EQ(tag("Caf\xE9", "K\xFCnstler"), "K\xC3\xBCnstler - Caf\xC3\xA9");
    // A field that fills all 30 bytes has no terminator of its own.
    EXPECT_EQ(tag("123456789012345678901234567890XYZ", ""), "123456789012345678901234567890");

    uint8_t notATag[kID3v1Size] = {'T', 'A', 'X', 'x'};
    char text[8] = "stale";
    ID3v1TitleFromTag(notATag, text, sizeof text);
    EXPECT_STREQ(text, "");
    // A cut title stays valid UTF-8: the two bytes of "é" are not split.
    uint8_t block[kID3v1Size] = {'T', 'A', 'G', 'a', 'b', 0xE9};
    char shortText[4];
    ID3v1TitleFromTag(block, shortText, sizeof shortText);
    EXPECT_STREQ(shortText, "ab");

    char fromMissing[16] = "stale";
    ReadID3v1Title("/nonexistent.mp3", fromMissing, sizeof fromMissing);
    EXPECT_STREQ(fromMissing, "");
}

TEST(XaudioStatus, NamesOfTheStatusCodes) {
    EXPECT_STREQ(XaudioErrorName(0), "XA_SUCCESS");
    EXPECT_STREQ(XaudioErrorName(-103), "XA_ERROR_TIMEOUT");
    EXPECT_STREQ(XaudioErrorName(-513), "XA_ERROR_NO_SUCH_FILE");
    EXPECT_STREQ(XaudioErrorName(-600), "XA_ERROR_INVALID_FRAME");
    EXPECT_STREQ(XaudioErrorName(-801), "XA_ERROR_ENVIRONMENT_TYPE_MISMATCH");
    EXPECT_STREQ(XaudioErrorName(-514), "(Unknown)"); // the end of the input
    EXPECT_STREQ(XaudioErrorName(-509), "(Unknown)");
    EXPECT_STREQ(XaudioErrorName(1), "(Unknown)");
}

TEST(ZylMP3, AcceptsByExtensionOnly) {
    TZylMP3TAG decoder;
    EXPECT_EQ(decoder.Accepts("/music/a.mp3"), 1);
    EXPECT_EQ(decoder.Accepts("/music/a.MP2"), 1);
    EXPECT_EQ(decoder.Accepts("a.Mpg"), 1);
    EXPECT_EQ(decoder.Accepts("/music/a.wav"), 0);
    EXPECT_EQ(decoder.Accepts("/music/mp3"), 0);
    EXPECT_EQ(decoder.Accepts("/music.mp3/file"), 0);
    EXPECT_EQ(decoder.Accepts("/music/a.mp3.txt"), 0);
}

TEST(ZylMP3, CallsWithoutAnOpenFileAreReported) {
    TZylMP3TAG decoder;
    uint32_t skip = 0, read = 7;
    uint8_t buffer[16];
    EXPECT_EQ(decoder.Seek(0, &skip), -1);
    EXPECT_TRUE(LastMessageHas("MP3 decoder: No open stream"));
    EXPECT_EQ(decoder.Read(buffer, 1, &read), -1);
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(LastMessageHas("MP3 decoder: No open file"));
}

TEST(ZylMP3, BadFilesFailCleanly) {
    std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    riff.resize(20000, 0x20);
    TScratchFile text("bad-text.mp3", std::vector<uint8_t>(20000, 'x'));
    TScratchFile wave("bad-wave.mp3", riff);
    TScratchFile empty("bad-empty.mp3");
    TZylMP3TAG decoder;
    for (const char* path : {text.Path(), wave.Path(), empty.Path(), "/nonexistent/x.mp3"}) {
        SCOPED_TRACE(path);
        for (uint32_t mode : {0u, kMP3ModeCompatible2, kMP3ModeExactIndex}) {
            EXPECT_EQ(decoder.Open(path, mode), -2);
            EXPECT_TRUE(LastMessageHas("MPEG-Index: "));
            EXPECT_EQ(decoder.IsOpen, 0u);
        }
    }
    char name[kSongNameSize];
    uint32_t length = 0;
    EXPECT_EQ(decoder.GetInfo("/nonexistent/x.mp3", name, &length), -1);
    EXPECT_TRUE(LastMessageHas("MP3 decoder: File not found (/nonexistent/x.mp3)"));
    EXPECT_STREQ(name, "x");
    EXPECT_EQ(decoder.GetInfo(text.Path(), name, &length), -1);
    EXPECT_TRUE(LastMessageHas("MP3 decoder: Bad mpeg file ("));
}

TEST(ZylMP3, AHugeLeadingTagIsPassedOver) {
    std::vector<uint8_t> bytes = {'I', 'D', '3', 4, 0, 0, 0, 0x0C, 0, 0}; // 12 << 14 bytes
    bytes.resize(bytes.size() + 196608, 0xFF);
    const std::vector<uint8_t> frames = ReadWholeFile(MpegFixture("frames21.mp3"));
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    TScratchFile file("huge-tag-decoder.mp3", bytes);
    TMpegReference reference;
    ASSERT_TRUE(DecodeReference(MpegFixture("frames21.mp3"), &reference));
    TZylMP3TAG decoder;
    ASSERT_EQ(decoder.Open(file.Path(), kMP3ModeExactIndex), 0);
    uint32_t skip = 0;
    ASSERT_EQ(decoder.Seek(100, &skip), 0);
    const std::vector<uint8_t> pcm = ReadToEnd(decoder);
    const std::vector<uint8_t> straight = reference.Pcm();
    const size_t at = 100 * decoder.Format.nAvgBytesPerSec / 1000;
    ASSERT_EQ(pcm.size() - skip, straight.size() - at);
    EXPECT_TRUE(std::equal(pcm.begin() + skip, pcm.end(), straight.begin() + at));
}

TEST(ZylMP3, DamagedStreamsPlayToTheirEnd) {
    for (const char* name : {"corrupt_middle.mp3", "truncated.mp3"}) {
        SCOPED_TRACE(name);
        TZylMP3TAG decoder;
        ASSERT_EQ(decoder.Open(MpegFixture(name).c_str(), kMP3ModeExactIndex), 0);
        TMpegReference reference;
        ASSERT_TRUE(DecodeReference(MpegFixture(name), &reference));
        uint32_t skip = 0;
        ASSERT_EQ(decoder.Seek(0, &skip), 0);
        EXPECT_EQ(ReadToEnd(decoder).size(), reference.Frames.size() * decoder.BytesPerFrame);
    }
}

// A stretch of garbage longer than the library resynchronises over comes
// back as one frame it could not decode. That frame plays as silence and the
// song goes on, whichever frame of a request it falls on.
TEST(ZylMP3, AnUndecodableFrameEndingARequestDoesNotStopTheSong) {
    const std::vector<uint8_t> original = ReadWholeFile(MpegFixture("cbr128_id3v1.mp3"));
    TMPEGExactIndexTAG index;
    ASSERT_EQ(index.Build(MpegFixture("cbr128_id3v1.mp3").c_str()), 0);
    int64_t middle = 0;
    ASSERT_EQ(index.GetFrameOffset(index.GetFrameCount() / 2, &middle), 0);
    std::vector<uint8_t> bytes(original.begin(), original.begin() + middle);
    const std::vector<uint8_t> garbage = SeededGarbage(120000, 12);
    bytes.insert(bytes.end(), garbage.begin(), garbage.end());
    bytes.insert(bytes.end(), original.begin() + middle, original.end());
    TScratchFile file("long-garbage.mp3", bytes);

    TZylMP3TAG decoder;
    ASSERT_EQ(decoder.Open(file.Path(), kMP3ModeExactIndex), 0);
    std::vector<uint8_t> frame(decoder.BytesPerFrame);
    uint32_t read = 1, total = 0;
    while (read == 1) {
        ASSERT_EQ(decoder.Read(frame.data(), 1, &read), 0) << "frame " << total;
        total += read;
    }
    TMpegReference reference;
    ASSERT_TRUE(DecodeReference(MpegFixture("cbr128_id3v1.mp3"), &reference));
    EXPECT_GE(total, reference.Frames.size());
}

// A Xing header is believed only as far as the file can hold it: a frame
// count that even frames of the lowest bitrate could not fit is a lie, and
// a file cut short holds the frames of the bytes it kept. The list and the
// deck (without the exact index) then show an estimate near the truth.
TEST(ZylMP3, XingLengthsAreCappedByWhatTheFileHolds) {
    const std::vector<uint8_t> song = ReadWholeFile(MpegFixture("vbr_xing.mp3"));
    TMpegReference reference;
    ASSERT_TRUE(DecodeReference(MpegFixture("vbr_xing.mp3"), &reference));
    const double trueMs = reference.Frames.size() * 1152.0 / reference.Rate * 1000;
    const auto xing =
        std::search(song.begin(), song.begin() + 64, std::begin("Xing"), std::begin("Xing") + 4);
    ASSERT_NE(xing, song.begin() + 64);
    ASSERT_EQ(xing[7] & 3, 3); // the frame and byte counts are present
    const size_t countAt = size_t(xing - song.begin()) + 8;

    std::vector<uint8_t> lying = song;
    const uint8_t absurd[] = {0xFF, 0xFF, 0xFF, 0xF0};
    std::copy(std::begin(absurd), std::end(absurd), lying.begin() + countAt);
    const std::vector<uint8_t> cut(song.begin(), song.begin() + song.size() / 2);
    struct Case {
        const char* Name;
        const std::vector<uint8_t>& Bytes;
        double Ms;
    };
    for (const Case& c :
         {Case{"lying-xing.mp3", lying, trueMs}, Case{"cut-xing.mp3", cut, trueMs / 2}}) {
        SCOPED_TRACE(c.Name);
        TScratchFile file(c.Name, c.Bytes);
        TZylMP3TAG decoder;
        char name[kSongNameSize];
        uint32_t length = 0;
        ASSERT_EQ(decoder.GetInfo(file.Path(), name, &length), 0);
        EXPECT_NEAR(length, c.Ms, c.Ms * 0.1);
        ASSERT_EQ(decoder.Open(file.Path(), 0), 0);
        EXPECT_NEAR(decoder.LengthMs, c.Ms, c.Ms * 0.1);
    }
}

TEST(ZylMP3, AFormatChangeMidwayNeverOverrunsAFrame) {
    TZylMP3TAG decoder;
    ASSERT_EQ(decoder.Open(MpegFixture("format_change.mp3").c_str(), kMP3ModeExactIndex), 0);
    EXPECT_EQ(decoder.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(decoder.Format.nChannels, 2);
    const size_t frameBytes = decoder.BytesPerFrame;
    std::vector<uint8_t> buffer(kChunkFrames * frameBytes + 64, 0xA5);
    uint32_t read = kChunkFrames, total = 0;
    while (read == kChunkFrames) {
        ASSERT_EQ(decoder.Read(buffer.data(), kChunkFrames, &read), 0);
        total += read;
        ASSERT_TRUE(
            std::all_of(buffer.end() - 64, buffer.end(), [](uint8_t b) { return b == 0xA5; }));
    }
    TMpegReference reference;
    ASSERT_TRUE(DecodeReference(MpegFixture("format_change.mp3"), &reference));
    EXPECT_EQ(total, reference.Frames.size());
}

} // namespace
