#include "decoding/ZylFile.h"

#include "tests/decoding/MpegTestFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <numeric>

namespace {

std::vector<uint8_t> CountingBytes(size_t count) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}

TEST(ZylFileStream, ReadsDoubleWordsLittleEndianAcrossBufferRefills) {
    TScratchFile file("stream-refill.bin", CountingBytes(22));
    TZylFileStreamTAG stream;
    ASSERT_EQ(stream.Open(file.Path(), 8), 1);
    EXPECT_EQ(stream.Size(), 22);
    uint32_t value = 0;
    for (uint32_t first = 1; first + 3 <= 21; first += 4) {
        ASSERT_EQ(stream.ReadDWord(&value), 4);
        EXPECT_EQ(value, first | (first + 1) << 8 | (first + 2) << 16 | (first + 3) << 24);
    }
    EXPECT_EQ(stream.Position(), 20);
}

TEST(ZylFileStream, DoubleWordAtTheEndIsZeroFilled) {
    TScratchFile file("stream-tail.bin", CountingBytes(6));
    TZylFileStreamTAG stream;
    ASSERT_EQ(stream.Open(file.Path(), 1024), 1);
    uint32_t value = 0xDEADBEEF;
    ASSERT_EQ(stream.ReadDWord(&value), 4);
    ASSERT_EQ(stream.ReadDWord(&value), 4);
    EXPECT_EQ(value, 0x00000605u);
    EXPECT_EQ(stream.ReadDWord(&value), -1);
}

TEST(ZylFileStream, SeekClampsAndFailsWhereNoByteIsLeft) {
    TScratchFile file("stream-seek.bin", CountingBytes(100));
    TZylFileStreamTAG stream;
    ASSERT_EQ(stream.Open(file.Path(), 16), 1);
    uint32_t value = 0;
    EXPECT_EQ(stream.Seek(10, 0), 10);
    EXPECT_EQ(stream.Seek(4, 1), 14); // inside the buffer read at 10
    ASSERT_EQ(stream.ReadDWord(&value), 4);
    EXPECT_EQ(value & 0xFF, 15u);
    EXPECT_EQ(stream.Seek(8, 2), 92);
    ASSERT_EQ(stream.ReadDWord(&value), 4);
    EXPECT_EQ(value & 0xFF, 93u);
    EXPECT_EQ(stream.Seek(-500, 1), 0);
    EXPECT_EQ(stream.Seek(100, 0), -1);
    EXPECT_EQ(stream.Position(), 100);
    EXPECT_EQ(stream.Seek(5000, 0), -1);
    EXPECT_EQ(stream.Position(), 100);
    EXPECT_EQ(stream.Seek(99, 0), 99);
}

TEST(ZylFileStream, MissingFileAndRepeatedClose) {
    TZylFileStreamTAG stream;
    EXPECT_EQ(stream.Open("/nonexistent/file.mp3", 1024), 0);
    uint32_t value = 1;
    EXPECT_EQ(stream.ReadDWord(&value), -1);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(stream.Seek(0, 0), -1);
    stream.Close();
    stream.Close();
}

TEST(ZylFileHnd, MapsOntoTheLowLevelCalls) {
    TScratchFile file("handle.bin", CountingBytes(10));
    TZylFileHndTAG handle;
    EXPECT_EQ(handle.Open("/nonexistent/file.mp3", O_RDONLY), -1);
    ASSERT_GE(handle.Open(file.Path(), O_RDONLY), 0);
    EXPECT_EQ(handle.Length(), 10);
    EXPECT_EQ(handle.Seek(-3, 2), 7);
    uint8_t bytes[8] = {};
    EXPECT_EQ(handle.Read(bytes, sizeof bytes), 3);
    EXPECT_EQ(bytes[0], 8);
    EXPECT_EQ(handle.Eof(), 1);
    EXPECT_EQ(handle.Write(bytes, 1), -1); // opened read only
    handle.Close();
    EXPECT_EQ(handle.Handle, -1);
    EXPECT_EQ(handle.Read(bytes, 1), -1);
}

} // namespace
