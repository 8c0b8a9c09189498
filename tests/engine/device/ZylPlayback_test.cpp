// What the mixer makes of a buffer: cursor movement, pitch, levels, gains
// and the absence of clicks, measured on the hand-stepped output.
#include "DeviceTestSupport.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr uint32_t kDeviceRate = 44100;
constexpr uint32_t kSecond = kDeviceRate;

uint32_t FramesAt(TZylSoundBufferTAG& buffer) {
    return buffer.GetPlayCursor() / buffer.BytesPerFrame;
}

float MaxStep(const std::vector<float>& samples) {
    float step = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        step = std::max(step, std::fabs(samples[i] - samples[i - 1]));
    return step;
}

} // namespace

using PlaybackTest = HandSteppedTest;

TEST_F(PlaybackTest, CursorAdvancesAtTheBufferFrequencyAndWraps) {
    TZylSoundBufferTAG buffer;
    const uint32_t frames = 96000; // two seconds at 48000 Hz
    CreateFilled(buffer, Audio, 2, 48000, 16, frames, Sine(440, 48000, 0.5f));
    buffer.Play();
    Step(kSecond);
    const uint32_t afterOne = FramesAt(buffer);
    EXPECT_NEAR(afterOne, 48000.0, 600.0);
    Step(kSecond / 2);
    // Once running, the lead the converter keeps varies only by a few
    // dozen frames.
    EXPECT_NEAR(FramesAt(buffer) - afterOne, 24000.0, 80.0);
    Step(kSecond);
    const uint32_t wrapped = FramesAt(buffer);
    EXPECT_NEAR(wrapped, afterOne + 72000.0 - frames, 80.0) << "wraps past the end";
    EXPECT_TRUE(buffer.IsPlaying());
}

TEST_F(PlaybackTest, StopHoldsTheCursorAndSilencesTheOutput) {
    TZylSoundBufferTAG buffer;
    CreateFilled(buffer, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.5f));
    buffer.Play();
    Step(4410);
    buffer.Stop();
    const uint32_t held = buffer.GetPlayCursor();
    const std::vector<float> out = Step(4410);
    EXPECT_EQ(buffer.GetPlayCursor(), held);
    EXPECT_FALSE(buffer.IsPlaying());
    EXPECT_EQ(Rms(out), 0.0);
}

TEST_F(PlaybackTest, SettingTheCursorJumps) {
    TZylSoundBufferTAG buffer;
    CreateFilled(buffer, Audio, 2, 44100, 16, 88200, Sine(1000, 44100, 0.5f));
    buffer.SetPlayCursor(40000 * 4 + 3); // rounded down to a whole frame
    EXPECT_EQ(buffer.GetPlayCursor(), 40000u * 4);
    buffer.Play();
    Step(4410);
    buffer.SetPlayCursor(10000 * 4);
    EXPECT_EQ(FramesAt(buffer), 10000u);
    Step(kSecond / 2);
    EXPECT_NEAR(FramesAt(buffer), 10000.0 + 22050.0, 600.0);
}

TEST_F(PlaybackTest, OneShotBufferPlaysWholeAndStopsAtItsEnd) {
    TZylSoundBufferTAG buffer;
    // 2205 frames at half the device rate: 4410 output frames of full tone.
    CreateFilled(buffer, Audio, 1, 22050, 16, 2205, Sine(500, 22050, 0.5f), 0);
    buffer.Play();
    const std::vector<float> left = Channel(Step(kSecond / 2), 0);
    EXPECT_FALSE(buffer.IsPlaying());
    EXPECT_EQ(buffer.GetPlayCursor(), 0u);
    auto rms = [&left](size_t from, size_t to) {
        return Rms(std::vector<float>(left.begin() + from, left.begin() + to));
    };
    EXPECT_NEAR(rms(0, 4400), 0.5 / std::numbers::sqrt2, 0.01) << "the whole tone, tail included";
    EXPECT_EQ(rms(4500, left.size()), 0.0) << "then nothing, not a piece of the start again";
}

TEST_F(PlaybackTest, PitchScalesTheToneFrequency) {
    TZylSoundBufferTAG buffer;
    CreateFilled(buffer, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.5f));
    buffer.SetFrequency(47628); // 1.08 times the buffer's rate
    buffer.Play();
    Step(kSecond / 10);
    const std::vector<float> out = Step(kSecond);
    EXPECT_NEAR(MeasureFrequency(Channel(out, 0), kDeviceRate), 1080.0, 0.2);
    EXPECT_NEAR(MeasureFrequency(Channel(out, 1), kDeviceRate), 1080.0, 0.2);
    EXPECT_EQ(buffer.GetFrequency(), 47628u);
    buffer.SetFrequency(0);
    EXPECT_EQ(buffer.GetFrequency(), 44100u) << "0 means the buffer's own rate";
}

TEST_F(PlaybackTest, EightBitMonoAndSixteenBitStereoPlayAtTheSameLevel) {
    TZylSoundBufferTAG mono8;
    CreateFilled(mono8, Audio, 1, 22050, 8, 22050, Sine(441, 22050, 0.5f));
    mono8.Play();
    Step(2048);
    const std::vector<float> eight = Step(kSecond / 2);
    mono8.Release();

    TZylSoundBufferTAG stereo16;
    CreateFilled(stereo16, Audio, 2, 48000, 16, 48000, Sine(441, 48000, 0.5f));
    stereo16.Play();
    Step(2048);
    const std::vector<float> sixteen = Step(kSecond / 2);

    const double expected = 0.5 / std::numbers::sqrt2;
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_NEAR(Rms(Channel(eight, channel)), expected, 0.005);
        EXPECT_NEAR(Rms(Channel(sixteen, channel)), expected, 0.005);
    }
}

TEST(LinearConverter, IsTransparentAtTheDeviceRate) {
    ScopedEnv env("VEXALINE_RESAMPLER", "linear");
    ZylNullSetHandStepped(true);
    TZylAudioTAG audio;
    ASSERT_EQ(audio.Open(TZylAudioParams{}), 0);
    TZylSoundBufferTAG buffer;
    const uint32_t frames = 8192;
    const Signal noise = Noise(0.9f, 7);
    CreateFilled(buffer, audio, 2, 44100, 16, frames, noise);
    buffer.Play();
    const std::vector<int16_t> out = ZylNullStepSamples(frames);
    ASSERT_EQ(out.size(), frames * 2u);
    auto source = [&](uint32_t frame, int channel) {
        return static_cast<int16_t>(std::lrint(noise(frame, channel) * 32767.0f));
    };
    int matchedDelay = -1;
    for (int delay = 0; delay <= 1 && matchedDelay < 0; ++delay) {
        bool same = true;
        for (uint32_t frame = 0; frame + delay < frames && same; ++frame)
            for (int channel = 0; channel < 2; ++channel)
                same = same && out[(frame + delay) * 2 + channel] == source(frame, channel);
        if (same)
            matchedDelay = delay;
    }
    EXPECT_GE(matchedDelay, 0) << "output equals the source delayed by at most one frame";
    audio.Close();
    ZylNullSetHandStepped(false);
}

TEST_F(PlaybackTest, FrequencyMovesWithoutClicks) {
    TZylSoundBufferTAG buffer;
    const float amplitude = 0.5f;
    CreateFilled(buffer, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, amplitude));
    buffer.Play();
    Step(4096);
    std::vector<float> left;
    for (uint32_t hz : {44100u, 47628u, 40572u, 47628u, 44100u, 44100u}) {
        buffer.SetFrequency(hz);
        const std::vector<float> part = Channel(Step(1500), 0);
        left.insert(left.end(), part.begin(), part.end());
    }
    // The steepest step a 1080 Hz sine of this amplitude takes between two
    // samples, with a little room for the converter's ripple.
    const float ownStep = amplitude * 2 * std::numbers::pi_v<float> * 1080 / kDeviceRate;
    EXPECT_LT(MaxStep(left), ownStep * 1.05f);
    EXPECT_NEAR(Rms(left), amplitude / std::numbers::sqrt2, 0.01) << "no dip either";
}

TEST_F(PlaybackTest, VolumePanAndMuteShapeTheOutput) {
    TZylSoundBufferTAG buffer;
    CreateFilled(buffer, Audio, 1, 44100, 16, 44100, Sine(1000, 44100, 0.5f));
    buffer.Play();
    Step(4096);
    const double full = Rms(Channel(Step(4410), 0));

    buffer.SetVolume(50); // -13.08 dB
    Step(1024);
    std::vector<float> out = Step(4410);
    EXPECT_NEAR(Rms(Channel(out, 0)) / full, std::pow(10.0, -1308 / 2000.0), 0.002);

    buffer.SetVolume(100);
    buffer.SetPan(-100);
    Step(1024);
    out = Step(4410);
    EXPECT_NEAR(Rms(Channel(out, 0)), full, 0.002);
    EXPECT_EQ(Rms(Channel(out, 1)), 0.0) << "pan -100 silences the right channel";

    buffer.SetPan(0);
    buffer.MuteOn();
    Step(1024);
    EXPECT_EQ(Rms(Step(4410)), 0.0);
    buffer.MuteOff();
    Step(1024);
    EXPECT_NEAR(Rms(Channel(Step(4410), 1)), full, 0.002);
}

TEST_F(PlaybackTest, BuffersMixTogether) {
    TZylSoundBufferTAG first;
    TZylSoundBufferTAG second;
    CreateFilled(first, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.25f));
    CreateFilled(second, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.25f));
    first.Play();
    second.Play();
    Step(4096);
    EXPECT_NEAR(Rms(Step(4410)), 0.5 / std::numbers::sqrt2, 0.005);
}
