// A device's 16-byte identifier: the same from run to run, and across sound
// server restarts, for the same back end and device name.
#pragma once

#include "engine/device/ZylDS.h"

#include <cstring>

// FNV-1a over the back end's (or host API's) name, a separator and the
// device's stable name, twice with different offsets.
TZylDeviceId ZylDigestDevice(const char* backend, const char* name);

inline bool ZylSameDevice(const TZylDeviceId& a, const TZylDeviceId& b) {
    return std::memcmp(a.Bytes, b.Bytes, sizeof a.Bytes) == 0;
}
