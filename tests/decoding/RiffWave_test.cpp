#include "decoding/RiffWave.h"

#include "WavFileBuilder.h"

#include <gtest/gtest.h>

using namespace wavtest;

namespace {

class RiffWaveTest : public ::testing::Test {
protected:
    TempFolder Folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    TRiffHandle Handle;
    TWaveFormatHandle Format;
    TMmChunkInfo RiffInfo;
    TMmChunkInfo Data;

    int OpenBytes(const Bytes& bytes) {
        return WaveOpenRead(Folder.Write("t.wav", bytes).c_str(), Handle, Format, RiffInfo);
    }
    Bytes ReadData(uint32_t count, int* result = nullptr) {
        Bytes out(count);
        uint32_t copied = 0;
        const int r = WaveReadData(*Handle, count, out.data(), Data, copied);
        if (result != nullptr)
            *result = r;
        out.resize(copied);
        return out;
    }
};

} // namespace

TEST_F(RiffWaveTest, RefusesWhatIsNotARiffWaveFileWithItsCode) {
    EXPECT_EQ(WaveOpenRead((Folder.Path / "missing.wav").c_str(), Handle, Format, RiffInfo),
              kWaveErrCannotOpen);
    EXPECT_EQ(OpenBytes({}), kWaveErrNotWave);
    EXPECT_EQ(OpenBytes({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}), kWaveErrNotWave);
    // The old 14-byte wave-format header.
    Bytes shortFormat = FormatBody(PcmHeader{});
    shortFormat.resize(14);
    EXPECT_EQ(OpenBytes(Riff({Chunk("fmt ", shortFormat)})), kWaveErrNotWave);
    // A format chunk that claims 16 bytes but the file ends after 6.
    Bytes cut = Riff({Chunk("fmt ", FormatBody(PcmHeader{}))});
    cut.resize(12 + 8 + 6);
    EXPECT_EQ(OpenBytes(cut), kWaveErrReadFormat);
    EXPECT_FALSE(Handle);
    EXPECT_FALSE(Format);
}

TEST_F(RiffWaveTest, FindsChunksBehindOtherChunksAndPadBytes) {
    const Bytes samples = Ramp(300);
    ASSERT_EQ(OpenBytes(Riff({Chunk("LIST", Bytes(5, 'x')), Chunk("fact", Bytes(4, 0)),
                              Chunk("fmt ", FormatBody(PcmHeader{})), Chunk("odd ", Bytes(3, 9)),
                              Chunk("data", samples)})),
              0);
    EXPECT_EQ(Format->Header.nChannels, 2);
    ASSERT_EQ(WaveStartData(*Handle, Data, RiffInfo), 0);
    EXPECT_EQ(Data.cksize, 300u);
    EXPECT_EQ(ReadData(1000), samples);
    EXPECT_EQ(Data.cksize, 0u);
}

TEST_F(RiffWaveTest, LoadsTheExtraBytesOfANonPcmFormat) {
    PcmHeader mp3;
    mp3.tag = 0x55;
    ASSERT_EQ(OpenBytes(Riff(
                  {Chunk("fmt ", FormatBody(mp3, Bytes{1, 2, 3, 4})), Chunk("data", Ramp(8))})),
              0);
    EXPECT_EQ(Format->Header.cbSize, 4u);
    EXPECT_EQ(Format->Extra, (Bytes{1, 2, 3, 4}));
    // Extra bytes beyond the format chunk are a malformed chunk.
    Bytes lying = FormatBody(mp3, Bytes{1, 2});
    lying[16] = 200;
    EXPECT_EQ(OpenBytes(Riff({Chunk("fmt ", lying), Chunk("data", Ramp(300))})), kWaveErrNotWave);
}

TEST_F(RiffWaveTest, ReportsAMissingDataChunk) {
    ASSERT_EQ(OpenBytes(Riff({Chunk("fmt ", FormatBody(PcmHeader{}))})), 0);
    EXPECT_NE(WaveStartData(*Handle, Data, RiffInfo), 0);
}

TEST_F(RiffWaveTest, ADataChunkLongerThanTheFileGivesWhatExists) {
    const Bytes samples = Ramp(1000);
    // Both sizes as a streaming writer leaves them: near 4 GiB.
    ASSERT_EQ(
        OpenBytes(Riff({Chunk("fmt ", FormatBody(PcmHeader{})), Chunk("data", samples, 0xFFFFFFF0)},
                       0xFFFFFFFF)),
        0);
    ASSERT_EQ(WaveStartData(*Handle, Data, RiffInfo), 0);
    int result = 0;
    EXPECT_EQ(ReadData(600, &result), Bytes(samples.begin(), samples.begin() + 600));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadData(600, &result), Bytes(samples.begin() + 600, samples.end()));
    EXPECT_EQ(result, kWaveErrCannotRead);
}

TEST_F(RiffWaveTest, SeekDataTracksTheRemainingBytesAndNeverPassesTheChunk) {
    const Bytes samples = Ramp(400);
    ASSERT_EQ(OpenBytes(Riff({Chunk("fmt ", FormatBody(PcmHeader{})), Chunk("data", samples),
                              Chunk("junk", Ramp(64))})),
              0);
    ASSERT_EQ(WaveSeekData(*Handle, Data, RiffInfo, 100), 0);
    EXPECT_EQ(Data.cksize, 300u);
    EXPECT_EQ(ReadData(50), Bytes(samples.begin() + 100, samples.begin() + 150));
    ASSERT_EQ(WaveSeekData(*Handle, Data, RiffInfo, 5000), 0);
    EXPECT_EQ(Data.cksize, 0u);
    EXPECT_TRUE(ReadData(10).empty());
}

TEST_F(RiffWaveTest, CloseEmptiesHandleAndFormat) {
    ASSERT_EQ(OpenBytes(SimpleWav(PcmHeader{}, Ramp(4))), 0);
    EXPECT_EQ(WaveCloseRead(Handle, Format), 0);
    EXPECT_FALSE(Handle);
    EXPECT_FALSE(Format);
}
