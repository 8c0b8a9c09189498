// The system keyboard as an immediate-state device: one process-wide table of
// 256 key states in DirectInput key codes (a byte with its high bit set means
// pressed), fed by the main window's key press and release messages, and the
// device object that reads it.
//
// The device counts as acquirable only while the window has the keyboard
// focus. Losing the focus behaves like a lost device: an acquired device
// reports DIERR_INPUTLOST on its next reading and has to be acquired again.
// Keys released while another window had the focus are never seen, so a
// focus loss also forgets every key.
//
// Window thread only.
#pragma once

#include <cstddef>
#include <cstdint>

// DirectInput result codes (HRESULTs as unsigned 32-bit values).
using VxResult = std::uint32_t;
constexpr VxResult kDiOk = 0;
constexpr VxResult kDiNotAttached = 1; // also "already acquired"
constexpr VxResult kDierrOtherAppHasPrio = 0x80070005;
constexpr VxResult kDierrNotAcquired = 0x8007000C;
constexpr VxResult kDierrInputLost = 0x8007001E;
constexpr VxResult kDierrInvalidParam = 0x80070057;

constexpr bool VxSucceeded(VxResult result) {
    return (result & 0x80000000u) == 0;
}

constexpr std::size_t kVxKeyTableSize = 256;
constexpr std::uint8_t kVxKeyPressed = 0x80;

// The window's side: what its key messages and focus changes tell.
void VxKeyboardSetKey(std::uint8_t code, bool pressed);
void VxKeyboardSetFocus(bool focused);
bool VxKeyboardHasFocus();
// Forgets every key and the focus; for a fresh start (tests).
void VxKeyboardReset();

// The keyboard device as the reader uses it.
class TVxKeyboardDevice {
public:
    // A null window is refused, as the platform refuses a cooperative level
    // for no window.
    VxResult SetCooperativeLevel(const void* window);
    VxResult Acquire();
    void Unacquire();
    // table holds kVxKeyTableSize bytes.
    VxResult GetDeviceState(std::uint8_t* table);

private:
    bool acquired_ = false;
    // The focus loss count seen when the device was acquired; a different
    // count later means the focus was lost in between.
    std::uint64_t acquiredEpoch_ = 0;
};
