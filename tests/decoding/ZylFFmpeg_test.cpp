#include "decoding/ZylFFmpeg.h"

#include "FormatReference.h"
#include "MpegTestFiles.h"
#include "decoding/ModuleFFmpeg.h"
#include "decoding/SampleFold.h"
#include "decoding/ZylWAV.h"
#include "diag/Diag.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

namespace {

std::string LastMessageText() {
    const std::string message = DiagLastMessage();
    return message.substr(0, message.rfind(" ("));
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
    from = std::min(from, bytes.size());
    return std::vector<uint8_t>(bytes.begin() + from,
                                bytes.begin() + std::min(bytes.size(), from + count));
}

bool IsWav(const std::string& name) {
    return name.size() > 4 && name.substr(name.size() - 4) == ".wav";
}

// The decoder the engine would pick for the file.
std::unique_ptr<TVxPlayerTAG> DecoderFor(const std::string& name) {
    if (IsWav(name))
        return std::make_unique<TZylWAVTAG>();
    return std::make_unique<TZylFFmpegTAG>();
}

const char* const kFlacRaw = "flac -d -s -c --force-raw-format --endian=little --sign=signed ";

struct TLosslessCase {
    const char* File;
    std::string Reference; // command printing the samples raw
    uint16_t Tag, Bits, Channels;
};

} // namespace

TEST(ZylFFmpegTest, LosslessFormatsEqualTheReferenceToolSampleForSample) {
    const std::string sox = "sox -R ";
    const TLosslessCase cases[] = {
        {"flac16.flac", kFlacRaw, 1, 16, 2},
        {"flac24.flac", kFlacRaw, 1, 24, 2},
        {"aiff16.aiff", sox + "%s -t raw -", 1, 16, 2},
        {"aiff24.aif", sox + "%s -t raw -", 1, 24, 2},
        {"float.aifc", sox + "%s -t raw -", 3, 32, 2},
        {"alac.m4a", "ffmpeg -nostdin -i %s -f s16le -", 1, 16, 2},
        {"ext24.wav", sox + "%s -t raw -", 1, 24, 2},
        {"float32.wav", sox + "%s -t raw -", 3, 32, 2},
        {"int32.wav", sox + "%s -t raw -", 1, 32, 2},
    };
    for (const TLosslessCase& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string path = FormatFixture(c.File);
        std::string command = c.Reference;
        if (const size_t at = command.find("%s"); at != std::string::npos)
            command.replace(at, 2, "'" + path + "'");
        else
            command += "'" + path + "'";
        const std::vector<uint8_t> reference = ToolOutput(command);
        ASSERT_FALSE(reference.empty()) << command;
        auto decoder = DecoderFor(c.File);
        ASSERT_EQ(decoder->Accepts(path.c_str()), 1);
        ASSERT_EQ(decoder->Open(path.c_str(), 0), 0) << DiagLastMessage();
        EXPECT_EQ(decoder->Format.wFormatTag, c.Tag);
        EXPECT_EQ(decoder->Format.wBitsPerSample, c.Bits);
        EXPECT_EQ(decoder->Format.nChannels, c.Channels);
        const std::vector<uint8_t> decoded = ReadToEnd(*decoder);
        const uint32_t sampleFrames = uint32_t(reference.size() / decoder->Format.nBlockAlign);
        EXPECT_EQ(decoder->LengthMs,
                  uint64_t{sampleFrames} * 1000 / decoder->Format.nSamplesPerSec);
        // The waveform decoder's read unit is a block: a partial last one
        // is completed by silence.
        std::vector<uint8_t> expected = reference;
        if (IsWav(c.File) && decoded.size() > reference.size() &&
            decoded.size() - reference.size() < decoder->BytesPerFrame)
            expected.resize(decoded.size(), 0);
        EXPECT_EQ(decoded.size(), expected.size());
        EXPECT_TRUE(decoded == expected);
    }
}

TEST(ZylFFmpegTest, SurroundFoldsToStereoWithCentreAndSurroundsAtMinus3dB) {
    // sox's own downmix of the same six channels (front L R, centre, LFE
    // left out, surrounds into their side), in float.
    const std::string wav = FormatFixture("surround16.wav");
    const std::vector<float> reference =
        AsFloats(ToolOutput("sox -R '" + wav +
                            "' -t raw -e floating-point -b 32 - remix -m "
                            "1v1,3v0.70710678,5v0.70710678 2v1,3v0.70710678,6v0.70710678"));
    ASSERT_FALSE(reference.empty());
    for (const char* file : {"surround16.wav", "surround.flac"}) {
        SCOPED_TRACE(file);
        auto decoder = DecoderFor(file);
        ASSERT_EQ(decoder->Open(FormatFixture(file).c_str(), 0), 0) << DiagLastMessage();
        EXPECT_EQ(decoder->Format.wFormatTag, kWaveTagIeeeFloat);
        EXPECT_EQ(decoder->Format.nChannels, 2);
        const std::vector<float> decoded = AsFloats(ReadToEnd(*decoder));
        // Every sample, and at most a read unit of silence behind them.
        ASSERT_GE(decoded.size(), reference.size());
        ASSERT_LT(decoded.size() - reference.size(), decoder->BytesPerFrame / 4u);
        EXPECT_TRUE(std::all_of(decoded.begin() + long(reference.size()), decoded.end(),
                                [](float v) { return v == 0; }));
        EXPECT_GT(SnrDb(reference, decoded), 90.0);
    }
}

TEST(ZylFFmpegTest, LossyFormatsEqualFFmpegsStraightDecodeAndComeCloseToTheirOwnTools) {
    struct Case {
        const char* File;
        uint32_t Rate;
        int64_t Samples;  // the source's length: no priming, no padding
        std::string Tool; // the codec's own decoder, printing float or 16-bit raw
        bool ToolIs16Bit;
        double MinSnrDb;
    };
    const Case cases[] = {
        {"aac.m4a", 44100, 44100, "", false, 0},
        {"vorbis.ogg", 44100, 44100, "oggdec -Q -R -o - ", true, 60},
        {"opus.opus", 48000, 48000, "opusdec --quiet --float --rate 48000 ", false, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File);
        const std::string path = FormatFixture(c.File);
        TZylFFmpegTAG decoder;
        ASSERT_EQ(decoder.Open(path.c_str(), 0), 0) << DiagLastMessage();
        EXPECT_EQ(decoder.Format.wFormatTag, kWaveTagIeeeFloat);
        EXPECT_EQ(decoder.Format.nSamplesPerSec, c.Rate);
        const std::vector<float> decoded = AsFloats(ReadToEnd(decoder));
        // Priming and padding trimmed as the container says: the source's
        // length. ffmpeg trims the same priming but may decode the padding.
        EXPECT_EQ(decoder.TotalSamples, c.Samples);
        EXPECT_EQ(decoder.TotalSamples * 2, int64_t(decoded.size()));
        std::vector<float> straight =
            AsFloats(ToolOutput("ffmpeg -nostdin -i '" + path + "' -f f32le -"));
        ASSERT_GE(straight.size(), decoded.size());
        EXPECT_LT(straight.size() - decoded.size(), 2 * 2048u);
        straight.resize(decoded.size());
        EXPECT_TRUE(decoded == straight);
        if (c.Tool.empty())
            continue;
        std::vector<uint8_t> raw = ToolOutput(c.Tool + "'" + path + "' -");
        std::vector<float> tool;
        if (c.ToolIs16Bit) {
            for (size_t i = 0; i + 1 < raw.size(); i += 2)
                tool.push_back(int16_t(raw[i] | raw[i + 1] << 8) / 32768.0f);
        } else {
            tool = AsFloats(raw);
        }
        EXPECT_EQ(tool.size(), decoded.size());
        const double snr = SnrDb(tool, decoded);
        std::printf("%s: SNR against %s %.1f dB\n", c.File, c.Tool.substr(0, 7).c_str(), snr);
        EXPECT_GT(snr, c.MinSnrDb);
    }
}

// What plays after a seek is the straight decode from that sample on, for
// every format and at places all over the song, in any order; and the
// length is the straight decode's sample count, also where it is counted
// from the end of a long file.
TEST(ZylFFmpegTest, SeeksLandOnTheStraightDecodeSampleForSample) {
    double worstAacSnr = 999;
    struct Case {
        const char* File;
        bool Exact; // AAC: see below
    };
    const Case cases[] = {{"flac16.flac", true}, {"flac24.flac", true}, {"aiff24.aif", true},
                          {"float.aifc", true},  {"alac.m4a", true},    {"aac.m4a", false},
                          {"vorbis.ogg", true},  {"opus.opus", true},   {"surround.flac", true},
                          {"long.flac", true},   {"long.opus", true},   {"long.m4a", false}};
    for (const auto& [file, exact] : cases) {
        SCOPED_TRACE(file);
        TZylFFmpegTAG decoder;
        ASSERT_EQ(decoder.Open(FormatFixture(file).c_str(), 0), 0) << DiagLastMessage();
        const std::vector<uint8_t> straight = ReadToEnd(decoder);
        const size_t align = decoder.Format.nBlockAlign;
        EXPECT_EQ(int64_t(straight.size() / align), decoder.TotalSamples);
        const uint32_t length = decoder.LengthMs;
        for (const uint32_t ms : {length / 2, 0u, 1u, 23u, length / 3, length - 1, 187u,
                                  length * 4 / 5, length / 7, length, length + 500}) {
            SCOPED_TRACE(ms);
            uint32_t skip = 9;
            ASSERT_EQ(decoder.Seek(ms, &skip), 0);
            EXPECT_EQ(skip, 0u);
            const size_t sample =
                uint64_t{std::min(ms, length)} * decoder.Format.nSamplesPerSec / 1000;
            constexpr uint32_t kFrames = 3000;
            std::vector<uint8_t> got(kFrames * align);
            uint32_t framesRead = 0;
            ASSERT_EQ(decoder.Read(got.data(), kFrames, &framesRead), 0);
            got.resize(framesRead * align);
            const std::vector<uint8_t> expected = Slice(straight, sample * align, kFrames * align);
            ASSERT_EQ(got.size(), expected.size());
            if (!exact) {
                // AAC's noise substitution draws on a generator that only a
                // decode from the start brings to the same state: the noise
                // bands differ, the rest is the straight decode.
                const double snr = SnrDb(AsFloats(expected), AsFloats(got));
                worstAacSnr = std::min(worstAacSnr, snr);
                EXPECT_GT(snr, 12.0);
            } else {
                ASSERT_TRUE(got == expected)
                    << "sample " << sample << " of " << straight.size() / align;
            }
        }
    }
    std::printf("AAC after a seek against the straight decode: SNR at least %.1f dB\n",
                worstAacSnr);
}

TEST(ZylFFmpegTest, UnplayableFilesFailWithTheirReasonAndStayClosed) {
    struct Case {
        const char* File;
        const char* Message;
    };
    const Case cases[] = {
        {"empty.flac", "FFmpeg decoder: Can't open file"},
        {"missing.ogg", "FFmpeg decoder: Can't open file"},
        {"video_only.mp4", "FFmpeg decoder: No audio stream"},
        {"unknown_codec.m4a", "FFmpeg decoder: Unsupported codec"},
    };
    // The decoder itself, and as the program reaches it in the media module:
    // the module's reports must reach the program's last message.
    std::unique_ptr<TVxPlayerTAG> decoders[] = {std::make_unique<TZylFFmpegTAG>(),
                                                std::make_unique<TVxModuleFFmpegTAG>()};
    for (const auto& each : decoders) {
        TVxPlayerTAG& decoder = *each;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.File);
            ASSERT_EQ(decoder.Open(FormatFixture("flac16.flac").c_str(), 0), 0);
            EXPECT_EQ(decoder.Format.wBitsPerSample, 16u);
            const std::string path = FormatFixture(c.File);
            EXPECT_EQ(decoder.Accepts(path.c_str()), 1);
            EXPECT_EQ(decoder.Open(path.c_str(), 0), -1);
            EXPECT_EQ(LastMessageText(), c.Message);
            EXPECT_EQ(decoder.IsOpen, 0u);
            char name[kSongNameSize];
            uint32_t length = 7;
            EXPECT_EQ(decoder.GetInfo(path.c_str(), name, &length), -1);
            EXPECT_EQ(LastMessageText(), c.Message);
        }
        uint32_t skip = 0, framesRead = 5;
        uint8_t block[8];
        EXPECT_EQ(decoder.Seek(0, &skip), -1);
        EXPECT_EQ(decoder.Read(block, 1, &framesRead), -1);
        EXPECT_EQ(framesRead, 0u);
        EXPECT_EQ(LastMessageText(), "FFmpeg decoder: File not open");
    }
}

// Damage never stops a song early or shifts it: a corrupt stretch plays as
// silence and what follows lies where it belongs; a cut file ends where its
// audio ends, whatever its header promised; an MP3 named .flac plays.
TEST(ZylFFmpegTest, DamagedFilesPlayWhatTheyHold) {
    TZylFFmpegTAG decoder;
    ASSERT_EQ(decoder.Open(FormatFixture("flac16.flac").c_str(), 0), 0);
    const std::vector<uint8_t> intact = ReadToEnd(decoder);

    ASSERT_EQ(decoder.Open(FormatFixture("corrupt_middle.flac").c_str(), 0), 0);
    const std::vector<uint8_t> corrupt = ReadToEnd(decoder);
    ASSERT_EQ(corrupt.size(), intact.size());
    size_t differing = 0, silentWhereDifferent = 0;
    for (size_t i = 0; i + 1 < intact.size(); i += 2) {
        if (intact[i] != corrupt[i] || intact[i + 1] != corrupt[i + 1]) {
            ++differing;
            silentWhereDifferent += corrupt[i] == 0 && corrupt[i + 1] == 0;
        }
    }
    EXPECT_GT(differing, 0u);
    EXPECT_LT(differing, intact.size() / 2 / 4); // most of the song is untouched
    EXPECT_EQ(silentWhereDifferent, differing);
    EXPECT_TRUE(std::equal(corrupt.end() - 8000, corrupt.end(), intact.end() - 8000));

    ASSERT_EQ(decoder.Open(FormatFixture("truncated.flac").c_str(), 0), 0);
    const std::vector<uint8_t> cut = ReadToEnd(decoder);
    EXPECT_EQ(int64_t(cut.size() / 4), decoder.TotalSamples);
    EXPECT_GT(cut.size(), intact.size() / 3);
    EXPECT_LT(cut.size(), intact.size() * 2 / 3);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end() - 20000, intact.begin()));

    ASSERT_EQ(decoder.Open(FormatFixture("corrupt_middle.m4a").c_str(), 0), 0);
    EXPECT_EQ(decoder.TotalSamples, 44100);
    EXPECT_EQ(ReadToEnd(decoder).size(), 44100u * 8);

    ASSERT_EQ(decoder.Open(FormatFixture("mp3_inside.flac").c_str(), 0), 0);
    EXPECT_GT(decoder.LengthMs, 250u);
    EXPECT_EQ(int64_t(ReadToEnd(decoder).size() / decoder.BytesPerFrame), decoder.TotalSamples);
}

// Every format cut anywhere: the open either fails with the decoder's
// message or gives a song that reads to its counted length and no further,
// and seeks inside it still work.
TEST(ZylFFmpegTest, EveryFormatCutShortFailsCleanlyOrPlaysWhatRemains) {
    const char* const files[] = {"flac24.flac", "aiff16.aiff", "float.aifc", "alac.m4a",
                                 "aac.m4a",     "vorbis.ogg",  "opus.opus",  "surround.flac"};
    for (const char* file : files) {
        const std::vector<uint8_t> whole = ReadWholeFile(FormatFixture(file));
        for (const size_t keep : {size_t(0), size_t(60), whole.size() / 3, whole.size() - 7}) {
            SCOPED_TRACE(std::string(file) + " cut to " + std::to_string(keep));
            const std::string path = std::string(VX_TEST_BINARY_DIR) + "/cut-" + file;
            {
                std::ofstream out(path, std::ios::binary | std::ios::trunc);
                out.write(reinterpret_cast<const char*>(whole.data()), std::streamsize(keep));
            }
            TZylFFmpegTAG decoder;
            if (decoder.Open(path.c_str(), 0) != 0) {
                EXPECT_EQ(LastMessageText().rfind("FFmpeg decoder: ", 0), 0u);
                continue;
            }
            EXPECT_EQ(int64_t(ReadToEnd(decoder).size() / decoder.BytesPerFrame),
                      decoder.TotalSamples);
            uint32_t skip = 0;
            EXPECT_EQ(decoder.Seek(decoder.LengthMs / 2, &skip), 0);
            EXPECT_LE(int64_t(ReadToEnd(decoder).size() / decoder.BytesPerFrame),
                      decoder.TotalSamples);
            std::remove(path.c_str());
        }
    }
}

// A FLAC written through a pipe states no length, so the open must decode
// it whole: that happens in Prepare, outside the engine lock, where the
// user can abort it; Open then takes the count. To show that Open counts
// nothing itself, the file is cut short between the two.
TEST(ZylFFmpegTest, TheLengthOfAFileWithoutOneIsCountedInPrepare) {
    const std::string path = std::string(VX_TEST_BINARY_DIR) + "/piped.flac";
    const std::string make = "sox -R -n -r 44100 -c 2 -b 16 -t wav - synth 9.8765 sine 440 "
                             "synth 9.8765 pinknoise mix synth 9.8765 square mix 2 0 0 1 "
                             "gain -6 | flac -s -c - >'" +
                             path + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const int64_t frames = int64_t(ToolOutput(kFlacRaw + path).size() / 4);
    ASSERT_GT(frames, 435000); // 9.8765 s
    uint32_t stated = 1;
    ASSERT_EQ(TZylFFmpegTAG().GetInfo(path.c_str(), nullptr, &stated), 0);
    // The header states nothing; the list shows FFmpeg's estimate or unknown.
    EXPECT_TRUE(stated == 0 || std::abs(int64_t(stated) - frames * 1000 / 44100) < 100) << stated;

    const std::atomic<bool> never{false};
    const std::atomic<bool> given{true};
    TZylFFmpegTAG decoder;
    ASSERT_EQ(decoder.Prepare(path.c_str(), 0, &never), 0);
    const std::vector<uint8_t> whole = ReadWholeFile(path);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(whole.data()), std::streamsize(whole.size() / 2));
    }
    ASSERT_EQ(decoder.Open(path.c_str(), 0), 0);
    EXPECT_EQ(decoder.TotalSamples, frames);
    EXPECT_EQ(decoder.LengthMs, 9876u);

    // A count the user gave up on opens nothing; the next open counts anew.
    EXPECT_NE(decoder.Prepare(path.c_str(), 0, &given), 0);
    EXPECT_NE(decoder.Open(path.c_str(), 0), 0);
    EXPECT_EQ(decoder.IsOpen, 0u);
    ASSERT_EQ(decoder.Open(path.c_str(), 0), 0);
    EXPECT_GT(decoder.TotalSamples, frames / 3);
    EXPECT_LT(decoder.TotalSamples, frames * 2 / 3);
    std::remove(path.c_str());
}

namespace {

// The Ogg page checksum: CRC-32 of polynomial 0x04C11DB7, unreflected.
uint32_t OggCrc(const uint8_t* data, size_t size) {
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= uint32_t{data[i]} << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// The same Ogg file whose last page claims to end a day later.
std::vector<uint8_t> WithLastGranuleADayLater(std::vector<uint8_t> ogg, uint32_t rate) {
    const uint8_t capture[] = {'O', 'g', 'g', 'S'};
    const auto last = std::find_end(ogg.begin(), ogg.end(), std::begin(capture), std::end(capture));
    const size_t at = size_t(last - ogg.begin());
    uint64_t granule = 0;
    std::memcpy(&granule, &ogg[at + 6], 8);
    granule += uint64_t{rate} * 86400;
    std::memcpy(&ogg[at + 6], &granule, 8);
    std::fill(ogg.begin() + long(at) + 22, ogg.begin() + long(at) + 26, 0);
    const uint32_t crc = OggCrc(&ogg[at], ogg.size() - at);
    std::memcpy(&ogg[at + 22], &crc, 4);
    return ogg;
}

} // namespace

// What a list shows for files whose headers lie: the stated length where
// the file can hold it, the length of what is left of a cut file, and
// unknown (0, shown as a dash) where nothing better is cheap. Opening the
// file counts the truth.
TEST(ZylFFmpegTest, ListLengthsNeverBelieveHeadersTheFileCannotHold) {
    const std::string late = std::string(VX_TEST_BINARY_DIR) + "/late.ogg";
    {
        const std::vector<uint8_t> bytes =
            WithLastGranuleADayLater(ReadWholeFile(FormatFixture("vorbis.ogg")), 44100);
        std::ofstream out(late, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    struct Case {
        std::string Path;
        uint32_t Lowest, Highest; // the lengths a list may show
    };
    const Case cases[] = {
        {FormatFixture("flac16.flac"), 1000, 1000},
        {FormatFixture("vorbis.ogg"), 990, 1010},
        {FormatFixture("truncated.flac"), 0, 600},
        {late, 0, 1010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        uint32_t length = 1;
        ASSERT_EQ(TZylFFmpegTAG().GetInfo(c.Path.c_str(), nullptr, &length), 0);
        EXPECT_GE(length, c.Lowest);
        EXPECT_LE(length, c.Highest);
    }
    TZylFFmpegTAG decoder;
    ASSERT_EQ(decoder.Open(late.c_str(), 0), 0);
    // About a second: the lying page no longer trims the last block.
    EXPECT_NEAR(double(decoder.TotalSamples), 44100, 1024);
    std::remove(late.c_str());
}

// Opus decodes at 48 kHz and reaches the mixer as it is: there, a song of
// tones, noise and clicks equals FFmpeg's straight decode within a step of
// 16-bit output, from the start and after seeks.
TEST(ZylFFmpegTest, OpusWithTransientsEqualsTheStraightDecodeWhereTheMixerTakesIt) {
    const std::string wav = std::string(VX_TEST_BINARY_DIR) + "/clicks.wav";
    const std::string path = std::string(VX_TEST_BINARY_DIR) + "/clicks.opus";
    const std::string make = "sox -R -n -r 48000 -c 2 -b 16 '" + wav +
                             "' synth 7.3219 sine 440 sine 661 synth 7.3219 pinknoise mix "
                             "synth 7.3219 square mix 2 0 0 1 gain -6 && opusenc --quiet "
                             "--bitrate 96 '" +
                             wav + "' '" + path + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    const std::vector<float> straight =
        AsFloats(ToolOutput("ffmpeg -nostdin -i '" + path + "' -f f32le -"));
    TZylFFmpegTAG decoder;
    ASSERT_EQ(decoder.Open(path.c_str(), 0), 0) << DiagLastMessage();
    ASSERT_EQ(decoder.Format.nSamplesPerSec, 48000u);
    for (const uint32_t ms : {0u, 2711u, 5003u}) {
        SCOPED_TRACE(ms);
        uint32_t skip = 0;
        ASSERT_EQ(decoder.Seek(ms, &skip), 0);
        const std::vector<float> decoded = AsFloats(ReadToEnd(decoder));
        const size_t first = size_t(ms) * 48 * 2;
        ASSERT_EQ(decoded.size() + first, size_t(decoder.TotalSamples) * 2);
        ASSERT_LE(first + decoded.size(), straight.size());
        size_t differing = 0;
        for (size_t i = 0; i < decoded.size(); ++i)
            differing += std::fabs(decoded[i] - straight[first + i]) > 1.0f / 32768;
        EXPECT_EQ(differing, 0u);
    }
    std::remove(wav.c_str());
    std::remove(path.c_str());
}
