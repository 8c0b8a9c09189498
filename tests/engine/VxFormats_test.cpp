// Wide sample formats end to end: a 24-bit or float song, opened by the
// player system and played at pitch 0 on a float device, reaches the device
// with every bit it has.
#include "EngineTestSupport.h"

#include "decoding/SampleFold.h"
#include "decoding/ZylFFmpeg.h"
#include "decoding/ZylWAV.h"
#include "engine/device/ZylSampleFormat.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace enginetest;

namespace {

std::string Fixture(const char* name) {
    return std::string(VX_TEST_DATA_DIR) + "/formats/" + name;
}

// The song as its decoder delivers it, in floats.
std::vector<float> DecodedAsFloats(TVxPlayerTAG& decoder, const std::string& path) {
    EXPECT_EQ(decoder.Open(path.c_str(), 0), 0);
    std::vector<uint8_t> pcm;
    std::vector<uint8_t> block(size_t(decoder.BytesPerFrame) * 64);
    for (uint32_t got = 64; got == 64;) {
        decoder.Read(block.data(), 64, &got);
        pcm.insert(pcm.end(), block.begin(), block.begin() + size_t(got) * decoder.BytesPerFrame);
    }
    TZylSampleType type{};
    EXPECT_TRUE(ZylSampleTypeOf(decoder.Format.wFormatTag, decoder.Format.wBitsPerSample, &type));
    const uint32_t samples = uint32_t(pcm.size() / ZylSampleBytes(type));
    std::vector<float> out(samples);
    ZylPcmToFloat(pcm.data(), type, samples, out.data());
    return out;
}

// A player system ticked by hand on a hand-stepped device.
std::unique_ptr<TVxSystemTAG> HandSteppedSystem(TManualClock& clock) {
    UseHandSteppedDevice();
    TVxSystemSetup setup;
    setup.ManualWorker = true;
    setup.Clock = &clock;
    return std::make_unique<TVxSystemTAG>(nullptr, setup);
}

} // namespace

TEST(VxFormatsTest, WideSourcesReachAFloatDeviceWithFullResolution) {
    struct Case {
        const char* File;
        bool Wav;
    };
    for (const Case c : {Case{"ext24.wav", true}, Case{"float32.wav", true},
                         Case{"flac24.flac", false}, Case{"vorbis.ogg", false}}) {
        SCOPED_TRACE(c.File);
        const std::string path = Fixture(c.File);
        std::unique_ptr<TVxPlayerTAG> decoder;
        if (c.Wav)
            decoder = std::make_unique<TZylWAVTAG>();
        else
            decoder = std::make_unique<TZylFFmpegTAG>();
        const std::vector<float> expected = DecodedAsFloats(*decoder, path);

        TManualClock clock;
        const auto deck = HandSteppedSystem(clock);
        TVxSystemTAG& system = *deck;
        TWaveFormatEx device = MakeFloatFormat(2, kRate);
        system.Song.DeviceParams.Format = &device;
        ASSERT_EQ(system.OpenSong(path.c_str(), false), 0) << DiagLastMessage();
        system.PlayPause();
        system.Tick();
        std::vector<float> played;
        std::vector<float> block(size_t(kFramesPerTick) * 2);
        while (played.size() < expected.size()) {
            ASSERT_EQ(ZylNullStep(kFramesPerTick, block.data()), kFramesPerTick);
            played.insert(played.end(), block.begin(), block.end());
            clock.Advance(TVxSystemTAG::TickMs);
            system.Tick();
        }
        // Past the start ramp every sample is the decoded one, unrounded.
        const size_t from = size_t(kRampFrames) * 2;
        size_t differing = 0;
        for (size_t i = from; i < expected.size(); ++i)
            differing += played[i] != expected[i];
        EXPECT_EQ(differing, 0u);
    }
}

// What the playlist shows and the deck titles a song with: the tags'
// "Artist - Title", else the decoder's own title (ID3v1), else the file
// name; the length the scan reads, for every kind of file.
TEST(VxFormatsTest, TitlesComeFromTagsThenTheDecoderThenTheFileName) {
    struct Case {
        std::string Path;
        const char* Title;
        uint32_t LengthMs;
    };
    const std::string mpeg = std::string(VX_TEST_DATA_DIR) + "/mpeg/";
    const Case cases[] = {
        {Fixture("flac16.flac"), "Flac Artist - Flac Title", 1000},
        {Fixture("aac.m4a"), "Aac Artist - Aac Title", 1000},
        {Fixture("opus.opus"), "Opus Artist - Opus Title", 1000},
        {Fixture("info.wav"), "Wave Artist - Wave Title", 400},
        {Fixture("flac24.flac"), "flac24", 1000},
        {mpeg + "cbr128_id3v1.mp3", "Some Artist - Song Title", 2000},
    };
    TManualClock clock;
    const auto deck = HandSteppedSystem(clock);
    TVxSystemTAG& system = *deck;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        char name[kSongNameSize] = "";
        uint32_t length = 0;
        ASSERT_EQ(system.GetSongFileInfo(c.Path.c_str(), name, &length), 1);
        EXPECT_STREQ(name, c.Title);
        // Scan lengths are the containers' stated ones; MPEG's quick length
        // also counts the encoder's delay and padding.
        EXPECT_NEAR(double(length), c.LengthMs, 80);
        ASSERT_EQ(system.OpenSong(c.Path.c_str(), false), 0) << DiagLastMessage();
        TVxSongInfo info;
        system.GetSongInfo(info);
        EXPECT_STREQ(info.Title, c.Title);
    }
}
