// Wide sample formats end to end: a 24-bit or float song, opened by the
// player system and played at pitch 0 on a float device, reaches the device
// with every bit it has.
#include "EngineFixtures.h"

#include "decoding/SampleFold.h"
#include "decoding/ZylFFmpeg.h"
#include "decoding/ZylWAV.h"
#include "engine/device/ZylSampleFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <numbers>
#include <random>
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

namespace {

// A hi-res song in 24-bit stereo whose tone changes every 100 ms (block k
// sounds at 400 + 100 k Hz), over seeded noise and a click train: what is
// heard at any moment tells which part of the song it came from.
constexpr double kBlockSeconds = 0.1;

double BlockTone(uint32_t block) {
    return 400.0 + 100.0 * block;
}

wavtest::Bytes SteppedToneWav(uint32_t rate, uint32_t frames) {
    std::mt19937 random(rate);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    const auto clickEvery = static_cast<uint32_t>(rate * 0.25);
    wavtest::Bytes data;
    data.reserve(size_t(frames) * 6);
    double phase = 0;
    for (uint32_t n = 0; n < frames; ++n) {
        const auto block = static_cast<uint32_t>(n / (rate * kBlockSeconds));
        phase += 2 * std::numbers::pi * BlockTone(block) / rate;
        double value = 0.4 * std::sin(phase);
        if (n % clickEvery == 7)
            value += 0.3;
        for (int channel = 0; channel < 2; ++channel) {
            const auto sample = static_cast<int32_t>(std::lrint((value + noise(random)) * 8388607));
            for (int byte = 0; byte < 3; ++byte)
                data.push_back(static_cast<uint8_t>(sample >> (8 * byte)));
        }
    }
    wavtest::PcmHeader header;
    header.rate = rate;
    header.bits = 24;
    return wavtest::SimpleWav(header, data);
}

// The amplitude of the hz component of samples (Hann-windowed).
double ToneAmplitude(const std::vector<double>& samples, double hz, double rate) {
    std::complex<double> sum = 0;
    double weight = 0;
    const size_t n = samples.size();
    for (size_t i = 0; i < n; ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1));
        sum += samples[i] * hann * std::polar(1.0, -2 * std::numbers::pi * hz * i / rate);
        weight += hann;
    }
    return 2 * std::abs(sum) / weight;
}

} // namespace

// Hi-res songs play through the converter at their own speed, block after
// block, with no stretch of stale buffer repeated: the worker keeps a 352.8
// or 384 kHz song of 24-bit samples fed.
TEST(VxFormatsTest, HiResSongsPlayAtTheirOwnSpeed) {
    wavtest::TempFolder folder("engine-hires");
    for (const uint32_t rate : {352800u, 384000u}) {
        SCOPED_TRACE(rate);
        const uint32_t frames = static_cast<uint32_t>(rate * 2.37) + 13;
        const std::string path =
            folder.Write("hires_" + std::to_string(rate) + ".wav", SteppedToneWav(rate, frames));
        TDeck deck;
        setenv("VEXALINE_RESAMPLER", "sinc-medium", 1);
        TVxSystemTAG& system = *deck.System;
        ASSERT_EQ(system.OpenSong(path.c_str(), false), 0) << DiagLastMessage();
        TVxSongInfo info;
        system.GetSongInfo(info);
        EXPECT_EQ(std::string(info.Title), "hires " + std::to_string(rate));
        EXPECT_EQ(info.SampleRate, rate);
        deck.Step();
        system.PlayPause();
        deck.Step(110); // 2.2 s
        // The song starts after the first tick, which played silence.
        std::vector<double> left;
        for (size_t i = 2 * kFramesPerTick; i < deck.Output.size(); i += 2)
            left.push_back(deck.Output[i] / 32768.0);
        // The middle 60 ms of each block: its own tone at full level.
        const auto blockFrames = static_cast<size_t>(kRate * kBlockSeconds);
        for (uint32_t block = 1; block < 21; ++block) {
            const size_t from = block * blockFrames + blockFrames / 5;
            ASSERT_LE(from + 3 * blockFrames / 5, left.size());
            const std::vector<double> middle(left.begin() + from,
                                             left.begin() + from + 3 * blockFrames / 5);
            EXPECT_NEAR(ToneAmplitude(middle, BlockTone(block), kRate), 0.4, 0.02)
                << "block " << block;
        }
        setenv("VEXALINE_RESAMPLER", "linear", 1);
    }
}

// A surround song folds to stereo louder than full scale (front, centre and
// surround channels add up on each side); what reaches a float device stays
// within full scale, turned down rather than cut.
TEST(VxFormatsTest, SurroundSongsNeverExceedFullScale) {
    constexpr uint16_t kChannels = 6;
    const uint32_t frames = kRate * 13 / 10 + 17;
    std::mt19937 random(6);
    std::uniform_real_distribution<double> noise(-0.08, 0.08);
    wavtest::Bytes data;
    for (uint32_t n = 0; n < frames; ++n)
        for (uint16_t channel = 0; channel < kChannels; ++channel) {
            const double hz = 211.3 + 97.7 * channel;
            double value = 0.82 * std::sin(2 * std::numbers::pi * hz * n / kRate) + noise(random);
            if (n % 5513 == 99)
                value = 0.97; // a click on every channel at once
            const auto sample = static_cast<int32_t>(std::lrint(value * 8388607));
            for (int byte = 0; byte < 3; ++byte)
                data.push_back(static_cast<uint8_t>(sample >> (8 * byte)));
        }
    wavtest::PcmHeader header;
    header.channels = kChannels;
    header.bits = 24;
    wavtest::TempFolder folder("engine-surround");
    const std::string path = folder.Write("surround.wav", wavtest::SimpleWav(header, data));

    TManualClock clock;
    const auto deck = HandSteppedSystem(clock);
    TVxSystemTAG& system = *deck;
    TWaveFormatEx device = MakeFloatFormat(2, kRate);
    system.Song.DeviceParams.Format = &device;
    ASSERT_EQ(system.OpenSong(path.c_str(), false), 0) << DiagLastMessage();
    system.PlayPause();
    system.Tick();
    float peak = 0;
    size_t atFullScale = 0;
    std::vector<float> block(size_t(kFramesPerTick) * 2);
    for (uint32_t played = 0; played < frames; played += kFramesPerTick) {
        ASSERT_EQ(ZylNullStep(kFramesPerTick, block.data()), kFramesPerTick);
        for (const float sample : block) {
            peak = std::max(peak, std::fabs(sample));
            atFullScale += std::fabs(sample) >= 1.0f;
        }
        clock.Advance(TVxSystemTAG::TickMs);
        system.Tick();
    }
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.99f) << "limited to full scale, not turned down further";
    EXPECT_LT(atFullScale, frames / 50) << "the peaks are turned down, not cut off flat";
}
