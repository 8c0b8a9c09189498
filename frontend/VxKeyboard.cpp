#include "frontend/VxKeyboard.h"

#include <cstring>

namespace {

struct TKeySource {
    std::uint8_t Keys[kVxKeyTableSize] = {};
    bool Focused = false;
    std::uint64_t FocusLosses = 0;
};

TKeySource& Source() {
    static TKeySource source;
    return source;
}

} // namespace

void VxKeyboardSetKey(std::uint8_t code, bool pressed) {
    if (code != 0)
        Source().Keys[code] = pressed ? kVxKeyPressed : 0;
}

void VxKeyboardSetFocus(bool focused) {
    TKeySource& source = Source();
    if (source.Focused && !focused) {
        ++source.FocusLosses;
        std::memset(source.Keys, 0, sizeof source.Keys);
    }
    source.Focused = focused;
}

bool VxKeyboardHasFocus() {
    return Source().Focused;
}

void VxKeyboardReset() {
    TKeySource& source = Source();
    std::memset(source.Keys, 0, sizeof source.Keys);
    source.Focused = false;
    ++source.FocusLosses;
}

VxResult TVxKeyboardDevice::SetCooperativeLevel(const void* window) {
    return window != nullptr ? kDiOk : kDierrInvalidParam;
}

VxResult TVxKeyboardDevice::Acquire() {
    const TKeySource& source = Source();
    // Another window has the keyboard: the platform's "another application
    // has priority".
    if (!source.Focused)
        return kDierrOtherAppHasPrio;
    const bool already = acquired_ && acquiredEpoch_ == source.FocusLosses;
    acquired_ = true;
    acquiredEpoch_ = source.FocusLosses;
    return already ? kDiNotAttached : kDiOk;
}

void TVxKeyboardDevice::Unacquire() {
    acquired_ = false;
}

VxResult TVxKeyboardDevice::GetDeviceState(std::uint8_t* table) {
    const TKeySource& source = Source();
    if (!acquired_)
        return kDierrNotAcquired;
    if (!source.Focused || acquiredEpoch_ != source.FocusLosses) {
        acquired_ = false;
        return kDierrInputLost;
    }
    std::memcpy(table, source.Keys, kVxKeyTableSize);
    return kDiOk;
}
