#include "DeviceTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

ScopedEnv::ScopedEnv(const char* name, const char* value) : Name(name) {
    if (const char* old = std::getenv(name)) {
        HadValue = true;
        Saved = old;
    }
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (HadValue)
        setenv(Name.c_str(), Saved.c_str(), 1);
    else
        unsetenv(Name.c_str());
}

void HandSteppedTest::SetUp() {
    ZylNullSetHandStepped(true);
    ASSERT_EQ(Audio.Open(TZylAudioParams{}), 0);
}

void HandSteppedTest::TearDown() {
    Audio.Close();
    ZylNullSetHandStepped(false);
}

std::vector<float> HandSteppedTest::Step(uint32_t frames) {
    const std::vector<int16_t> samples = ZylNullStepSamples(frames);
    std::vector<float> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        out[i] = samples[i] / 32768.0f;
    return out;
}

void CreateFilled(TZylSoundBufferTAG& buffer, TZylAudioTAG& audio, uint16_t channels, uint32_t rate,
                  uint16_t bits, uint32_t frames, const Signal& signal, uint32_t flags) {
    TWaveFormatEx format = MakePcmFormat(channels, rate, bits);
    const uint32_t bytes = frames * format.nBlockAlign;
    ASSERT_EQ(buffer.Create(&audio, &format, bytes, flags, 0), 0);
    void* data = nullptr;
    ASSERT_EQ(buffer.Lock(0, bytes, &data), 0);
    auto* out = static_cast<uint8_t*>(data);
    for (uint32_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels; ++channel) {
            const float value = signal(frame, channel);
            if (bits == 16) {
                const auto sample = static_cast<int16_t>(std::lrint(value * 32767.0f));
                std::memcpy(out, &sample, 2);
                out += 2;
            } else {
                *out++ = static_cast<uint8_t>(std::lrint(value * 127.0f) + 128);
            }
        }
    }
    ASSERT_EQ(buffer.Unlock(), 0);
}

Signal Sine(double hz, double rate, float amplitude) {
    return [=](uint32_t frame, int) {
        return amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hz * frame / rate));
    };
}

Signal Noise(float amplitude, uint32_t seed) {
    return [=](uint32_t frame, int channel) {
        uint32_t x = (frame * 2 + static_cast<uint32_t>(channel)) * 2654435761u ^ seed;
        x ^= x >> 16;
        x *= 0x7feb352du;
        x ^= x >> 15;
        return amplitude * (static_cast<float>(x % 65536) / 32768.0f - 1.0f);
    };
}

std::vector<float> Channel(const std::vector<float>& interleaved, int channel, int channels) {
    std::vector<float> out;
    for (size_t i = static_cast<size_t>(channel); i < interleaved.size(); i += channels)
        out.push_back(interleaved[i]);
    return out;
}

double Rms(const std::vector<float>& samples) {
    double sum = 0;
    for (float s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

double MeasureFrequency(const std::vector<float>& samples, double rate) {
    double first = -1;
    double last = -1;
    int cycles = -1;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            const double at = (i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
            if (first < 0)
                first = at;
            last = at;
            ++cycles;
        }
    }
    return cycles > 0 ? cycles * rate / (last - first) : 0.0;
}
