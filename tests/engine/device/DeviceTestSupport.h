// Shared helpers of the device tests: a hand-stepped output, buffers filled
// from a signal function, and measurements of the rendered output.
#pragma once

#include "engine/device/ZylDS.h"
#include "engine/device/ZylNull.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();

private:
    std::string Name;
    std::string Saved;
    bool HadValue = false;
};

// A default-format (44100 Hz, 16-bit, stereo) device that only moves when
// the test steps it.
class HandSteppedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Interleaved output as floats (full scale 1.0).
    std::vector<float> Step(uint32_t frames);

    TZylAudioTAG Audio;
};

using Signal = std::function<float(uint32_t frame, int channel)>;

// Creates a looping buffer of frames frames in the given PCM layout and
// writes signal into it through lock and unlock.
void CreateFilled(TZylSoundBufferTAG& buffer, TZylAudioTAG& audio, uint16_t channels, uint32_t rate,
                  uint16_t bits, uint32_t frames, const Signal& signal,
                  uint32_t flags = kZylBufferLooping);

Signal Sine(double hz, double rate, float amplitude);
// Deterministic white noise, uniform in [-amplitude, amplitude].
Signal Noise(float amplitude, uint32_t seed);

std::vector<float> Channel(const std::vector<float>& interleaved, int channel, int channels = 2);
double Rms(const std::vector<float>& samples);
// Frequency from the rising zero crossings, interpolated between samples.
double MeasureFrequency(const std::vector<float>& samples, double rate);
