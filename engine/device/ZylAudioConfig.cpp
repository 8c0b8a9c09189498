#include "engine/device/ZylAudioConfig.h"

#include <samplerate.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<bool> gHandStepped{false};

constexpr char kNullName[] = "null";
constexpr char kJackName[] = "jack";
constexpr char kCapturePrefix[] = "null:capture=";
constexpr char kHostApiPrefix[] = "portaudio:";

struct TConverterName {
    const char* Name;
    int Type;
};

constexpr TConverterName kConverters[] = {
    {"sinc-best", SRC_SINC_BEST_QUALITY}, {"sinc-medium", SRC_SINC_MEDIUM_QUALITY},
    {"sinc-fastest", SRC_SINC_FASTEST},   {"linear", SRC_LINEAR},
    {"zoh", SRC_ZERO_ORDER_HOLD},
};

} // namespace

TZylAudioChoice ZylParseAudioChoice(const char* value) {
    TZylAudioChoice choice;
    if (value == nullptr)
        return choice;
    if (std::strcmp(value, kNullName) == 0) {
        choice.UseNull = true;
    } else if (std::strcmp(value, kJackName) == 0) {
        choice.UseJack = true;
    } else if (std::strncmp(value, kCapturePrefix, sizeof kCapturePrefix - 1) == 0) {
        choice.UseNull = true;
        choice.CapturePath = value + sizeof kCapturePrefix - 1;
    } else if (std::strncmp(value, kHostApiPrefix, sizeof kHostApiPrefix - 1) == 0) {
        choice.HostApi = value + sizeof kHostApiPrefix - 1;
    }
    return choice;
}

TZylAudioChoice ZylCurrentAudioChoice() {
    if (gHandStepped.load()) {
        TZylAudioChoice choice;
        choice.UseNull = true;
        choice.HandStepped = true;
        return choice;
    }
    return ZylParseAudioChoice(std::getenv("VEXALINE_AUDIO"));
}

int ZylParseConverter(const char* value) {
    if (value != nullptr)
        for (const TConverterName& converter : kConverters)
            if (std::strcmp(value, converter.Name) == 0)
                return converter.Type;
    return SRC_SINC_MEDIUM_QUALITY;
}

int ZylCurrentConverter() {
    return ZylParseConverter(std::getenv("VEXALINE_RESAMPLER"));
}

void ZylSetHandSteppedOverride(bool on) {
    gHandStepped.store(on);
}
