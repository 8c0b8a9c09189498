#include "engine/device/ZylAudioConfig.h"

#include <samplerate.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<bool> gHandStepped{false};
std::atomic<int> gLatencySetting{0};

constexpr double kLeastAutomaticMs = 10.0;

constexpr char kCapturePrefix[] = "null:capture=";
constexpr char kHostApiPrefix[] = "portaudio:";

struct TBackendName {
    const char* Name;
    TZylBackendKind Kind;
};

constexpr TBackendName kBackends[] = {
    {"pipewire", TZylBackendKind::PipeWire},   {"pulse", TZylBackendKind::Pulse},
    {"portaudio", TZylBackendKind::PortAudio}, {"jack", TZylBackendKind::Jack},
    {"null", TZylBackendKind::Null},
};

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
    for (const TBackendName& backend : kBackends)
        if (std::strcmp(value, backend.Name) == 0)
            choice.Kind = backend.Kind;
    if (std::strncmp(value, kCapturePrefix, sizeof kCapturePrefix - 1) == 0) {
        choice.Kind = TZylBackendKind::Null;
        choice.CapturePath = value + sizeof kCapturePrefix - 1;
    } else if (std::strncmp(value, kHostApiPrefix, sizeof kHostApiPrefix - 1) == 0) {
        choice.Kind = TZylBackendKind::PortAudio;
        choice.HostApi = value + sizeof kHostApiPrefix - 1;
    }
    return choice;
}

TZylAudioChoice ZylCurrentAudioChoice() {
    if (gHandStepped.load()) {
        TZylAudioChoice choice;
        choice.Kind = TZylBackendKind::Null;
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

void ZylSetLatencySetting(int milliseconds) {
    // A hand-edited store may hold anything: what the options do not offer
    // counts as automatic.
    const bool offered = std::find(std::begin(kZylLatencyChoices), std::end(kZylLatencyChoices),
                                   milliseconds) != std::end(kZylLatencyChoices);
    gLatencySetting.store(offered ? milliseconds : 0);
}

int ZylLatencySetting() {
    return gLatencySetting.load();
}

double ZylChooseLatencyMs(int setting, double serverMs) {
    if (setting > 0)
        return setting;
    return std::max(kLeastAutomaticMs, serverMs);
}
