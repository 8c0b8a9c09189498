// What reaches the device at the buffer's own rate: every accepted sample
// layout arrives untouched, whatever the converter, in the device's layout.
#include "DeviceTestSupport.h"

#include "engine/device/ZylSampleFormat.h"

#include <cstring>
#include <random>

namespace {

struct TLayout {
    uint16_t Tag; // 1 integer PCM, 3 float
    uint16_t Bits;
};

constexpr TLayout kU8{1, 8}, kS16{1, 16}, kS24{1, 24}, kS32{1, 32}, kF32{3, 32};

TWaveFormatEx FormatOf(TLayout layout, uint16_t channels, uint32_t rate) {
    TWaveFormatEx format = MakePcmFormat(channels, rate, layout.Bits);
    format.wFormatTag = layout.Tag;
    return format;
}

// The value of one stored sample, computed here in double precision from its
// bytes, independently of the mixer's own conversions.
double ValueAt(const uint8_t* p, TLayout layout) {
    if (layout.Tag == 3) {
        float value;
        std::memcpy(&value, p, 4);
        return value;
    }
    if (layout.Bits == 8)
        return (p[0] - 128) / 128.0;
    int64_t raw = 0;
    for (int i = layout.Bits / 8 - 1; i >= 0; --i)
        raw = raw * 256 + p[i];
    const int64_t half = int64_t(1) << (layout.Bits - 1);
    if (raw >= half)
        raw -= 2 * half;
    return double(raw) / double(half);
}

// Random bytes for integer layouts; random values in [-1, 1) for float.
std::vector<uint8_t> RandomSamples(TLayout layout, size_t samples, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(samples * layout.Bits / 8);
    if (layout.Tag == 3) {
        std::uniform_real_distribution<float> value(-1.0f, 1.0f);
        for (size_t i = 0; i < samples; ++i) {
            const float v = value(random);
            std::memcpy(bytes.data() + 4 * i, &v, 4);
        }
    } else {
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(random());
    }
    return bytes;
}

} // namespace

TEST(SoundPath, EveryLayoutReachesTheDeviceUntouchedAtItsRate) {
    struct TCase {
        TLayout Source;
        uint16_t Channels;
        TLayout Device;
        const char* Converter;
    };
    const TCase cases[] = {
        {kS16, 2, kS16, "sinc-medium"}, {kS16, 2, kS16, "sinc-best"},
        {kS16, 2, kF32, "linear"},      {kU8, 1, kS16, "sinc-medium"},
        {kS24, 2, kF32, "sinc-medium"}, {kS24, 2, kS24, "sinc-best"},
        {kF32, 2, kF32, "sinc-medium"}, {kS32, 1, kF32, "sinc-medium"},
    };
    constexpr uint32_t kFrames = 6000;
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Source.Bits << "-bit (tag " << c.Source.Tag << ") x"
                                        << c.Channels << " to " << c.Device.Bits << "-bit (tag "
                                        << c.Device.Tag << ") with " << c.Converter);
        ScopedEnv converter("VEXALINE_RESAMPLER", c.Converter);
        ZylNullSetHandStepped(true);
        TZylAudioTAG audio;
        const TWaveFormatEx deviceFormat = FormatOf(c.Device, 2, 44100);
        TZylAudioParams params;
        params.Format = &deviceFormat;
        ASSERT_EQ(audio.Open(params), 0);
        TZylSoundBufferTAG buffer;
        const TWaveFormatEx format = FormatOf(c.Source, c.Channels, 44100);
        const std::vector<uint8_t> source = RandomSamples(c.Source, kFrames * c.Channels, 5);
        ASSERT_EQ(buffer.Create(&audio, &format, uint32_t(source.size()), kZylBufferLooping, 0), 0);
        void* memory = nullptr;
        ASSERT_EQ(buffer.Lock(0, uint32_t(source.size()), &memory), 0);
        std::memcpy(memory, source.data(), source.size());
        buffer.Unlock();
        buffer.Play();
        std::vector<uint8_t> out(kFrames * deviceFormat.nBlockAlign);
        ASSERT_EQ(ZylNullStep(kFrames, out.data()), kFrames);

        const uint32_t sourceBytes = c.Source.Bits / 8;
        const uint32_t deviceBytes = c.Device.Bits / 8;
        // Exact: every device layout here is at least as wide as its source,
        // except that floats hold only 24 of a 32-bit integer's bits.
        const double tolerance = c.Source.Bits == 32 && c.Source.Tag == 1 ? 6e-8 : 0.0;
        size_t mismatches = 0;
        for (uint32_t frame = ZylTransportRampFrames(44100); frame < kFrames; ++frame)
            for (uint32_t channel = 0; channel < 2; ++channel) {
                const uint32_t from = c.Channels == 2 ? channel : 0;
                const double wanted =
                    ValueAt(&source[(frame * c.Channels + from) * sourceBytes], c.Source);
                const double got = ValueAt(&out[(frame * 2 + channel) * deviceBytes], c.Device);
                if (std::fabs(got - wanted) > tolerance)
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0u);
        buffer.Release();
        audio.Close();
        ZylNullSetHandStepped(false);
    }
}
