// What the mixer makes of a buffer: cursor movement, pitch, levels, gains
// and the absence of clicks, measured on the hand-stepped output.
#include "DeviceTestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
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

TEST_F(PlaybackTest, StopHoldsTheCursorAndSilencesTheOutputAfterItsRamp) {
    TZylSoundBufferTAG buffer;
    CreateFilled(buffer, Audio, 2, 44100, 16, 44100, Sine(1000, 44100, 0.5f));
    buffer.Play();
    Step(4410);
    buffer.Stop();
    const uint32_t held = buffer.GetPlayCursor();
    const std::vector<float> out = Step(4410);
    EXPECT_EQ(buffer.GetPlayCursor(), held);
    EXPECT_FALSE(buffer.IsPlaying());
    const size_t ramp = 2 * ZylTransportRampFrames(kDeviceRate);
    EXPECT_GT(Rms(std::vector<float>(out.begin(), out.begin() + ramp)), 0.0);
    EXPECT_EQ(Rms(std::vector<float>(out.begin() + ramp, out.end())), 0.0);
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

// Where the transport cuts a loud tone at its peak, the level ramps: no
// step between two output samples is steeper than the tone's own.
TEST_F(PlaybackTest, TransportCutsRampInsteadOfClicking) {
    const float amplitude = 0.5f;
    const Signal tone = Sine(1000, 44100, amplitude);
    constexpr uint32_t kPeak = 4421; // sin(2 pi 1000 * 4421 / 44100) = 1
    struct TCut {
        const char* Name;
        uint32_t Flags;
        std::function<void(TZylSoundBufferTAG&)> Cut;
    };
    const TCut cuts[] = {
        {"stop", kZylBufferLooping, [](TZylSoundBufferTAG& b) { b.Stop(); }},
        {"jump to a trough", kZylBufferLooping,
         [](TZylSoundBufferTAG& b) { b.SetPlayCursor((kPeak + 22) * 4); }},
        {"pause and resume at once", kZylBufferLooping,
         [](TZylSoundBufferTAG& b) {
             b.Stop();
             b.Play();
         }},
        {"one-shot end", 0, [](TZylSoundBufferTAG&) {}},
    };
    for (const TCut& cut : cuts) {
        SCOPED_TRACE(cut.Name);
        TZylSoundBufferTAG buffer;
        // A one-shot buffer ends right after the peak.
        CreateFilled(buffer, Audio, 2, 44100, 16, cut.Flags != 0 ? 44100 : kPeak + 1, tone,
                     cut.Flags);
        buffer.SetPlayCursor(11 * 4); // starts at a peak too
        buffer.Play();
        std::vector<float> left = Channel(Step(kPeak - 11), 0);
        cut.Cut(buffer);
        const std::vector<float> after = Channel(Step(2000), 0);
        left.insert(left.end(), after.begin(), after.end());
        const float ownStep = amplitude * 2 * std::numbers::pi_v<float> * 1000 / kDeviceRate;
        EXPECT_LT(MaxStep(left), ownStep * 1.1f);
        buffer.Release();
    }
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
