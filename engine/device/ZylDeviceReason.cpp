#include "engine/device/ZylDeviceReason.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

std::mutex gReasonMutex;
std::string gReason;

} // namespace

void ZylSetDeviceReason(const char* format, ...) {
    char text[kDiagTextSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(gReasonMutex);
    gReason = text;
}

std::string ZylDeviceReason() {
    std::lock_guard<std::mutex> lock(gReasonMutex);
    return gReason.empty() ? std::string("The sound output could not be opened.") : gReason;
}

void ZylClearDeviceReason() {
    std::lock_guard<std::mutex> lock(gReasonMutex);
    gReason.clear();
}
