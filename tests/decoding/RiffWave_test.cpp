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
    Bytes ReadData(uint32_t count) {
        Bytes out(count);
        uint32_t copied = 0;
        WaveReadData(*Handle, count, out.data(), Data, copied);
        out.resize(copied);
        return out;
    }
};

} // namespace

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
