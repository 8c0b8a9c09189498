// From the toolkit's key messages to DirectInput key codes (keyboard scan
// codes, extended keys at 0x80 + code).
#pragma once

#include <cstdint>

class QKeyEvent;

// An X11 key code (evdev code + 8): the evdev code equals the scan code in
// the main block; the extended keys sit elsewhere in evdev. 0: no such key.
std::uint8_t VxKeyFromX11KeyCode(std::uint32_t x11KeyCode);

// The toolkit's key with its keypad flag, on a US layout; for messages
// without a native scan code. 0: no such key.
std::uint8_t VxKeyFromToolkitKey(int key, bool keypad);

// The message's key: the native scan code where the display server gives
// X11 key codes, else the toolkit's key.
std::uint8_t VxKeyFromEvent(const QKeyEvent& event);
