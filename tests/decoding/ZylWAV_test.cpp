#include "decoding/ZylWAV.h"

#include "WavFileBuilder.h"
#include "diag/Diag.h"

#include <gtest/gtest.h>

#include <string>

using namespace wavtest;

namespace {

std::string LastMessageText() {
    const std::string message = DiagLastMessage();
    return message.substr(0, message.rfind(" ("));
}

PcmHeader Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    PcmHeader h;
    h.channels = channels;
    h.rate = rate;
    h.bits = bits;
    return h;
}

class ZylWAVTest : public ::testing::Test {
protected:
    TempFolder Folder{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    TZylWAVTAG Wav;

    std::string Write(const Bytes& bytes, const std::string& name = "song.wav") {
        return Folder.Write(name, bytes);
    }
    // Reads frames blocks; the buffer starts as a pattern that neither
    // silence value matches.
    Bytes Read(uint32_t frames, uint32_t& framesRead, int* result = nullptr) {
        Bytes out(size_t{frames} * Wav.BytesPerFrame, 0x5A);
        const int r = Wav.Read(out.data(), frames, &framesRead);
        if (result != nullptr)
            *result = r;
        return out;
    }
};

} // namespace

TEST_F(ZylWAVTest, AcceptsWavFilesButLeavesMpegInWaveToTheFallback) {
    EXPECT_EQ(Wav.Accepts(Write(SimpleWav({}, Ramp(16)), "a.WaV").c_str()), 1);
    EXPECT_EQ(Wav.Accepts(Write(SimpleWav({}, Ramp(16)), "a.mp3").c_str()), 0);
    EXPECT_EQ(Wav.Accepts(Write(SimpleWav({}, Ramp(16)), "wav").c_str()), 0);
    PcmHeader mp3;
    mp3.tag = 0x55;
    EXPECT_EQ(Wav.Accepts(Write(SimpleWav(mp3, Ramp(16)), "l3.wav").c_str()), 0);
    // Unreadable ".wav" files are claimed so that their open reports why.
    const std::string missing = (Folder.Path / "missing.WAV").string();
    EXPECT_EQ(Wav.Accepts(missing.c_str()), 1);
    EXPECT_EQ(Wav.Open(missing.c_str(), 0), -1);
    EXPECT_EQ(LastMessageText(), "WAV player: Can't open file");
    EXPECT_EQ(Wav.IsOpen, 0u);
}

TEST_F(ZylWAVTest, OpenDescribesThePcmFormatForTheDevice) {
    PcmHeader h = Pcm(2, 22050, 16);
    h.avgBytesPerSec = 12345; // a wrong stored rate is not passed on
    ASSERT_EQ(Wav.Open(Write(SimpleWav(h, Ramp(88200 + 100))).c_str(), 0), 0);
    EXPECT_EQ(Wav.IsOpen, 1u);
    EXPECT_EQ(Wav.BytesPerFrame, 128u);
    EXPECT_EQ(Wav.SeekAlignMask, -4);
    EXPECT_EQ(Wav.DataSize, 88300u);
    EXPECT_EQ(Wav.LengthMs, 1001u);
    EXPECT_EQ(Wav.Format.wFormatTag, 1);
    EXPECT_EQ(Wav.Format.nChannels, 2);
    EXPECT_EQ(Wav.Format.nSamplesPerSec, 22050u);
    EXPECT_EQ(Wav.Format.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(Wav.Format.nBlockAlign, 4);
    EXPECT_EQ(Wav.Format.wBitsPerSample, 16);
    EXPECT_EQ(Wav.Format.cbSize, 1);
}

TEST_F(ZylWAVTest, OddButValidPcmLayoutsOpen) {
    // Read units hold whole sample frames; more than two channels and 64-bit
    // float play as 32-bit float, folded to stereo.
    struct Case {
        uint16_t tag, channels, bits;
        uint16_t sourceAlign, outTag, outChannels, outAlign;
        uint32_t unitBytes;
    };
    for (const Case c : {Case{1, 1, 8, 1, 1, 1, 1, 128}, Case{1, 2, 24, 6, 1, 2, 6, 384},
                         Case{1, 1, 24, 3, 1, 1, 3, 384}, Case{1, 2, 32, 8, 1, 2, 8, 128},
                         Case{3, 2, 32, 8, 3, 2, 8, 128}, Case{1, 6, 16, 12, 3, 2, 8, 128},
                         Case{3, 1, 64, 8, 3, 1, 4, 128}}) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, " + std::to_string(c.bits) + " bit");
        PcmHeader h = Pcm(c.channels, 8000, c.bits);
        h.tag = c.tag;
        ASSERT_EQ(Wav.Open(Write(SimpleWav(h, Ramp(2400))).c_str(), 0), 0);
        EXPECT_EQ(Wav.Format.wFormatTag, c.outTag);
        EXPECT_EQ(Wav.Format.nChannels, c.outChannels);
        EXPECT_EQ(Wav.Format.nBlockAlign, c.outAlign);
        EXPECT_EQ(Wav.BytesPerFrame, c.unitBytes);
        EXPECT_EQ(Wav.LengthMs, 2400u * 1000 / (8000u * c.sourceAlign));
    }
}

TEST_F(ZylWAVTest, RefusedFormatsReportTheirMessageAndStayClosed) {
    struct Case {
        const char* name;
        Bytes file;
        const char* message;
    };
    PcmHeader adpcm;
    adpcm.tag = 2;
    PcmHeader float16 = Pcm(2, 44100, 16);
    float16.tag = 3;
    Bytes shortFormat = FormatBody(PcmHeader{});
    shortFormat.resize(14);
    const Case cases[] = {
        {"adpcm", SimpleWav(adpcm, Ramp(64)), "WAV player: Unsupported wave format"},
        {"16-bit float", SimpleWav(float16, Ramp(64)), "WAV player: Unsupported wave format"},
        {"12-bit", SimpleWav(Pcm(1, 8000, 12), Ramp(64)), "WAV player: Unsupported wave format"},
        {"0 channels", SimpleWav(Pcm(0, 44100, 16), Ramp(64)),
         "WAV player: Unsupported wave format"},
        {"0 bits", SimpleWav(Pcm(2, 44100, 0), Ramp(64)), "WAV player: Unsupported wave format"},
        {"0 rate", SimpleWav(Pcm(2, 0, 16), Ramp(64)), "WAV player: Unsupported wave format"},
        {"14-byte format", Riff({Chunk("fmt ", shortFormat), Chunk("data", Ramp(64))}),
         "WAV player: Can't open file"},
        {"garbage", Ramp(100), "WAV player: Can't open file"},
        {"no data", Riff({Chunk("fmt ", FormatBody({}))}), "WAV player: Loading error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Wav.Open(Write(SimpleWav({}, Ramp(64))).c_str(), 0), 0);
        const std::string path = Write(c.file, "bad.wav");
        EXPECT_EQ(Wav.Open(path.c_str(), 0), -1);
        EXPECT_EQ(LastMessageText(), c.message);
        EXPECT_EQ(Wav.IsOpen, 0u);
        uint32_t length = 7;
        EXPECT_EQ(Wav.GetInfo(path.c_str(), nullptr, &length), -1);
        EXPECT_EQ(LastMessageText(), c.message);
    }
}

TEST_F(ZylWAVTest, ReadsTheDataThenPadsWithSilenceOfTheSampleWidth) {
    struct Case {
        uint16_t bits;
        uint8_t silence;
    };
    for (const Case c : {Case{16, 0}, Case{8, 128}, Case{24, 0}}) {
        SCOPED_TRACE(c.bits);
        const size_t unit = c.bits == 24 ? 384 : 128;
        const Bytes samples = Ramp(unit * 5 / 2);
        ASSERT_EQ(Wav.Open(Write(SimpleWav(Pcm(1, 8000, c.bits), samples)).c_str(), 0), 0);
        uint32_t framesRead = 99;
        int result = -1;
        const Bytes out = Read(4, framesRead, &result);
        EXPECT_EQ(result, 0);
        // Two and a half units: the partial third is completed by silence,
        // so that its samples play too.
        EXPECT_EQ(framesRead, 3u);
        const size_t kept = unit * 5 / 2;
        EXPECT_EQ(Bytes(out.begin(), out.begin() + kept), samples);
        EXPECT_EQ(Bytes(out.begin() + kept, out.end()), Bytes(4 * unit - kept, c.silence));
    }
}

TEST_F(ZylWAVTest, DataChunkLongerThanTheFilePlaysWhatExists) {
    const Bytes samples = Ramp(1024);
    const std::string path = Write(
        Riff({Chunk("fmt ", FormatBody({})), Chunk("data", samples, 0xFFFFFF00)}, 0xFFFFFFFF));
    ASSERT_EQ(Wav.Open(path.c_str(), 0), 0);
    // The header claims 0xFFFFFF00 bytes (6 hours 45 minutes); the length is
    // that of the 1024 bytes there are.
    EXPECT_EQ(Wav.LengthMs, 5u);
    char name[kSongNameSize];
    uint32_t listed = 0;
    ASSERT_EQ(TZylWAVTAG().GetInfo(path.c_str(), name, &listed), 0);
    EXPECT_EQ(listed, 5u);
    uint32_t framesRead = 0;
    const Bytes out = Read(16, framesRead);
    EXPECT_EQ(framesRead, 8u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 1024), samples);
    EXPECT_EQ(Bytes(out.begin() + 1024, out.end()), Bytes(1024, 0));
}

TEST_F(ZylWAVTest, ZeroLengthDataIsAnEmptySong) {
    ASSERT_EQ(Wav.Open(Write(SimpleWav({}, {})).c_str(), 0), 0);
    EXPECT_EQ(Wav.LengthMs, 0u);
    uint32_t framesRead = 9;
    EXPECT_EQ(Read(2, framesRead), Bytes(256, 0));
    EXPECT_EQ(framesRead, 0u);
}

TEST_F(ZylWAVTest, ReadingAfterASeekEqualsContinuousReading) {
    const Bytes samples = Ramp(8000); // 16-bit mono at 1000 Hz: 4 s
    ASSERT_EQ(Wav.Open(Write(SimpleWav(Pcm(1, 1000, 16), samples)).c_str(), 0), 0);
    ASSERT_EQ(Wav.LengthMs, 4000u);
    uint32_t skip = 77;
    uint32_t framesRead = 0;
    ASSERT_EQ(Wav.Seek(1501, &skip), 0);
    EXPECT_EQ(skip, 0u);
    EXPECT_EQ(Wav.Position, 3000u); // 3002 bytes rounded down to 4
    EXPECT_EQ(Read(2, framesRead), Bytes(samples.begin() + 3000, samples.begin() + 3256));
    // Backwards, and beyond the end (clamped to the length).
    ASSERT_EQ(Wav.Seek(250, &skip), 0);
    EXPECT_EQ(Read(1, framesRead), Bytes(samples.begin() + 500, samples.begin() + 628));
    ASSERT_EQ(Wav.Seek(999999, &skip), 0);
    EXPECT_EQ(Wav.Position, 8000u);
    Read(1, framesRead);
    EXPECT_EQ(framesRead, 0u);
}

TEST_F(ZylWAVTest, EightBitSeeksStillAlignToFourBytes) {
    ASSERT_EQ(Wav.Open(Write(SimpleWav(Pcm(1, 1000, 8), Ramp(2000))).c_str(), 0), 0);
    uint32_t skip = 0;
    ASSERT_EQ(Wav.Seek(7, &skip), 0);
    EXPECT_EQ(Wav.Position, 4u);
}

TEST_F(ZylWAVTest, SeekAndReadWhileClosedReportAndFail) {
    uint32_t skip = 0;
    EXPECT_EQ(Wav.Seek(0, &skip), -1);
    EXPECT_EQ(LastMessageText(), "WAV player:  File not open");
    uint32_t framesRead = 5;
    Bytes buffer(128);
    EXPECT_EQ(Wav.Read(buffer.data(), 1, &framesRead), -1);
    EXPECT_EQ(framesRead, 0u);
    EXPECT_EQ(LastMessageText(), "WAV player:  File not open");
}

TEST_F(ZylWAVTest, GetInfoGivesTheBareNameAndTheStoredLength) {
    PcmHeader h = Pcm(2, 44100, 16);
    h.avgBytesPerSec = 1000; // the stored field, not the computed one
    char name[kSongNameSize];
    uint32_t length = 0;
    const std::string path = Write(SimpleWav(h, Ramp(2500)), "Track 01.b.wav");
    ASSERT_EQ(Wav.GetInfo(path.c_str(), name, &length), 0);
    EXPECT_STREQ(name, "Track 01.b");
    EXPECT_EQ(length, 2500u);
    EXPECT_EQ(Wav.IsOpen, 0u);
    // A stored rate of zero gives no length instead of a division by zero.
    h.avgBytesPerSec = 0;
    ASSERT_EQ(Wav.GetInfo(Write(SimpleWav(h, Ramp(64))).c_str(), name, &length), 0);
    EXPECT_EQ(length, 0u);
}

TEST_F(ZylWAVTest, GetInfoCutsALongNameOnACharacterBoundary) {
    std::string folderless;
    for (int i = 0; i < 200; ++i)
        folderless += "\xC3\xA9"; // two bytes each
    char name[kSongNameSize];
    uint32_t length = 0;
    Wav.GetInfo(("/nowhere/" + folderless + ".wav").c_str(), name, &length);
    EXPECT_EQ(std::string(name), folderless.substr(0, 258));
}

// Files as another program (sox, through make_wav_fixtures.sh) writes them.
TEST_F(ZylWAVTest, OpensFilesWrittenBySox) {
    const std::string seeds = VX_TEST_DATA_DIR "/../fuzz/seeds/fuzz_wav/";
    ASSERT_EQ(Wav.Open((seeds + "stereo16.wav").c_str(), 0), 0);
    EXPECT_EQ(Wav.Format.nChannels, 2);
    EXPECT_EQ(Wav.Format.nSamplesPerSec, 11025u);
    EXPECT_EQ(Wav.DataSize, 440u); // 110 frames
    EXPECT_EQ(Wav.LengthMs, 9u);   // 9.97 ms, truncated
    ASSERT_EQ(Wav.Open((seeds + "mono8.wav").c_str(), 0), 0);
    EXPECT_EQ(Wav.Format.wBitsPerSample, 8);
    // sox writes 24-bit audio in the extensible layout; it plays as 24-bit PCM.
    ASSERT_EQ(Wav.Open((seeds + "stereo24.wav").c_str(), 0), 0);
    EXPECT_EQ(Wav.Format.wFormatTag, kWaveFormatPcm);
    EXPECT_EQ(Wav.Format.wBitsPerSample, 24);
}
