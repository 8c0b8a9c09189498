#include "engine/device/ZylSampleFormat.h"

#include "decoding/SampleFold.h"
#include "decoding/VxPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kScale8 = 128.0f;
constexpr float kScale16 = 32768.0f;
constexpr float kScale24 = 8388608.0f;
constexpr double kScale32 = 2147483648.0;

void Store24(uint8_t* p, int32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
}

template <class T> void Store(uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

long Quantise(float value, float scale, long lowest, long highest) {
    return std::clamp(std::lrint(value * scale), lowest, highest);
}

} // namespace

bool ZylSampleTypeOf(uint16_t formatTag, uint16_t bitsPerSample, TZylSampleType* type) {
    if (formatTag == kZylWaveFormatFloat && bitsPerSample == 32) {
        *type = TZylSampleType::F32;
        return true;
    }
    if (formatTag != kWaveFormatPcm)
        return false;
    switch (bitsPerSample) {
    case 8:
        *type = TZylSampleType::U8;
        return true;
    case 16:
        *type = TZylSampleType::S16;
        return true;
    case 24:
        *type = TZylSampleType::S24;
        return true;
    case 32:
        *type = TZylSampleType::S32;
        return true;
    default:
        return false;
    }
}

uint32_t ZylSampleBytes(TZylSampleType type) {
    switch (type) {
    case TZylSampleType::U8:
        return 1;
    case TZylSampleType::S16:
        return 2;
    case TZylSampleType::S24:
        return 3;
    default:
        return 4;
    }
}

uint8_t ZylSilenceByte(TZylSampleType type) {
    return type == TZylSampleType::U8 ? 0x80 : 0;
}

void ZylPcmToFloat(const uint8_t* pcm, TZylSampleType type, uint32_t samples, float* out) {
    const uint16_t tag = type == TZylSampleType::F32 ? kZylWaveFormatFloat : kWaveFormatPcm;
    PcmToFloat(pcm, tag, static_cast<uint16_t>(8 * ZylSampleBytes(type)), samples, out);
}

void ZylFloatToPcm(const float* in, uint32_t samples, TZylSampleType type, uint8_t* pcm) {
    switch (type) {
    case TZylSampleType::U8:
        for (uint32_t i = 0; i < samples; ++i)
            pcm[i] = static_cast<uint8_t>(Quantise(in[i], kScale8, -128, 127) + 128);
        break;
    case TZylSampleType::S16:
        for (uint32_t i = 0; i < samples; ++i)
            Store(pcm + 2 * i, static_cast<int16_t>(Quantise(in[i], kScale16, -32768, 32767)));
        break;
    case TZylSampleType::S24:
        for (uint32_t i = 0; i < samples; ++i)
            Store24(pcm + 3 * i,
                    static_cast<int32_t>(Quantise(in[i], kScale24, -8388608L, 8388607L)));
        break;
    case TZylSampleType::S32:
        for (uint32_t i = 0; i < samples; ++i) {
            const double scaled = std::clamp(in[i] * kScale32, -kScale32, kScale32 - 1.0);
            Store(pcm + 4 * i, static_cast<int32_t>(std::lrint(scaled)));
        }
        break;
    case TZylSampleType::F32:
        std::memcpy(pcm, in, static_cast<size_t>(samples) * sizeof(float));
        break;
    }
}
