#include "engine/device/ZylDeviceDigest.h"

TZylDeviceId ZylDigestDevice(const char* hostApi, const char* name) {
    constexpr uint64_t kPrime = 0x100000001b3ull;
    uint64_t halves[2] = {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull};
    for (uint64_t& hash : halves) {
        auto feed = [&hash](const char* text) {
            for (const char* p = text; *p != '\0'; ++p)
                hash = (hash ^ static_cast<uint8_t>(*p)) * kPrime;
        };
        feed(hostApi);
        hash = (hash ^ 0x1f) * kPrime;
        feed(name);
    }
    TZylDeviceId id;
    std::memcpy(id.Bytes, halves, sizeof id.Bytes);
    return id;
}
