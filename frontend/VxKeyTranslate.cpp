#include "frontend/VxKeyTranslate.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <unordered_map>

namespace {

// X11 key codes are the kernel's evdev codes plus 8.
constexpr std::uint32_t kX11KeyCodeOffset = 8;
// Up to here evdev codes are the scan codes of the main block and keypad.
constexpr std::uint32_t kLastMainBlockCode = 88; // F12

std::uint8_t FromExtendedEvdev(std::uint32_t evdev) {
    static const std::unordered_map<std::uint32_t, std::uint8_t> kExtended = {
        {96, 156},  // keypad Enter
        {97, 157},  // right Ctrl
        {98, 181},  // keypad divide
        {99, 183},  // Print Screen / SysRq
        {100, 184}, // right Alt
        {102, 199}, // Home
        {103, 200}, // Up
        {104, 201}, // Page Up
        {105, 203}, // Left
        {106, 205}, // Right
        {107, 207}, // End
        {108, 208}, // Down
        {109, 209}, // Page Down
        {110, 210}, // Insert
        {111, 211}, // Delete
        {113, 160}, // Mute
        {114, 174}, // Volume Down
        {115, 176}, // Volume Up
        {117, 141}, // keypad equals
        {119, 197}, // Pause
        {125, 219}, // left Windows
        {126, 220}, // right Windows
        {127, 221}, // Menu
    };
    const auto found = kExtended.find(evdev);
    return found != kExtended.end() ? found->second : 0;
}

const std::unordered_map<int, std::uint8_t>& KeypadKeys() {
    static const std::unordered_map<int, std::uint8_t> keys = {
        {Qt::Key_Enter, 156},   {Qt::Key_Return, 156},  {Qt::Key_0, 82},       {Qt::Key_Insert, 82},
        {Qt::Key_1, 79},        {Qt::Key_End, 79},      {Qt::Key_2, 80},       {Qt::Key_Down, 80},
        {Qt::Key_3, 81},        {Qt::Key_PageDown, 81}, {Qt::Key_4, 75},       {Qt::Key_Left, 75},
        {Qt::Key_5, 76},        {Qt::Key_Clear, 76},    {Qt::Key_6, 77},       {Qt::Key_Right, 77},
        {Qt::Key_7, 71},        {Qt::Key_Home, 71},     {Qt::Key_8, 72},       {Qt::Key_Up, 72},
        {Qt::Key_9, 73},        {Qt::Key_PageUp, 73},   {Qt::Key_Period, 83},  {Qt::Key_Comma, 83},
        {Qt::Key_Delete, 83},   {Qt::Key_Plus, 78},     {Qt::Key_Minus, 74},   {Qt::Key_Slash, 181},
        {Qt::Key_Asterisk, 55}, {Qt::Key_Equal, 141},   {Qt::Key_NumLock, 69},
    };
    return keys;
}

const std::unordered_map<int, std::uint8_t>& MainKeys() {
    static const std::unordered_map<int, std::uint8_t> keys = {
        {Qt::Key_Escape, 1},
        {Qt::Key_1, 2},
        {Qt::Key_Exclam, 2},
        {Qt::Key_2, 3},
        {Qt::Key_At, 3},
        {Qt::Key_3, 4},
        {Qt::Key_NumberSign, 4},
        {Qt::Key_4, 5},
        {Qt::Key_Dollar, 5},
        {Qt::Key_5, 6},
        {Qt::Key_Percent, 6},
        {Qt::Key_6, 7},
        {Qt::Key_AsciiCircum, 7},
        {Qt::Key_7, 8},
        {Qt::Key_Ampersand, 8},
        {Qt::Key_8, 9},
        {Qt::Key_Asterisk, 9},
        {Qt::Key_9, 10},
        {Qt::Key_ParenLeft, 10},
        {Qt::Key_0, 11},
        {Qt::Key_ParenRight, 11},
        {Qt::Key_Minus, 12},
        {Qt::Key_Underscore, 12},
        {Qt::Key_Equal, 13},
        {Qt::Key_Plus, 13},
        {Qt::Key_Backspace, 14},
        {Qt::Key_Tab, 15},
        {Qt::Key_Backtab, 15},
        {Qt::Key_Q, 16},
        {Qt::Key_W, 17},
        {Qt::Key_E, 18},
        {Qt::Key_R, 19},
        {Qt::Key_T, 20},
        {Qt::Key_Y, 21},
        {Qt::Key_U, 22},
        {Qt::Key_I, 23},
        {Qt::Key_O, 24},
        {Qt::Key_P, 25},
        {Qt::Key_BracketLeft, 26},
        {Qt::Key_BraceLeft, 26},
        {Qt::Key_BracketRight, 27},
        {Qt::Key_BraceRight, 27},
        {Qt::Key_Return, 28},
        {Qt::Key_Control, 29},
        {Qt::Key_A, 30},
        {Qt::Key_S, 31},
        {Qt::Key_D, 32},
        {Qt::Key_F, 33},
        {Qt::Key_G, 34},
        {Qt::Key_H, 35},
        {Qt::Key_J, 36},
        {Qt::Key_K, 37},
        {Qt::Key_L, 38},
        {Qt::Key_Semicolon, 39},
        {Qt::Key_Colon, 39},
        {Qt::Key_Apostrophe, 40},
        {Qt::Key_QuoteDbl, 40},
        {Qt::Key_QuoteLeft, 41},
        {Qt::Key_AsciiTilde, 41},
        {Qt::Key_Shift, 42},
        {Qt::Key_Backslash, 43},
        {Qt::Key_Bar, 43},
        {Qt::Key_Z, 44},
        {Qt::Key_X, 45},
        {Qt::Key_C, 46},
        {Qt::Key_V, 47},
        {Qt::Key_B, 48},
        {Qt::Key_N, 49},
        {Qt::Key_M, 50},
        {Qt::Key_Comma, 51},
        {Qt::Key_Less, 51},
        {Qt::Key_Period, 52},
        {Qt::Key_Greater, 52},
        {Qt::Key_Slash, 53},
        {Qt::Key_Question, 53},
        {Qt::Key_Alt, 56},
        {Qt::Key_Space, 57},
        {Qt::Key_CapsLock, 58},
        {Qt::Key_F1, 59},
        {Qt::Key_F2, 60},
        {Qt::Key_F3, 61},
        {Qt::Key_F4, 62},
        {Qt::Key_F5, 63},
        {Qt::Key_F6, 64},
        {Qt::Key_F7, 65},
        {Qt::Key_F8, 66},
        {Qt::Key_F9, 67},
        {Qt::Key_F10, 68},
        {Qt::Key_NumLock, 69},
        {Qt::Key_ScrollLock, 70},
        {Qt::Key_F11, 87},
        {Qt::Key_F12, 88},
        {Qt::Key_AltGr, 184},
        {Qt::Key_Print, 183},
        {Qt::Key_Pause, 197},
        {Qt::Key_Home, 199},
        {Qt::Key_Up, 200},
        {Qt::Key_PageUp, 201},
        {Qt::Key_Left, 203},
        {Qt::Key_Right, 205},
        {Qt::Key_End, 207},
        {Qt::Key_Down, 208},
        {Qt::Key_PageDown, 209},
        {Qt::Key_Insert, 210},
        {Qt::Key_Delete, 211},
        {Qt::Key_Meta, 219},
        {Qt::Key_Menu, 221},
        {Qt::Key_VolumeMute, 160},
        {Qt::Key_VolumeDown, 174},
        {Qt::Key_VolumeUp, 176},
    };
    return keys;
}

bool ServerGivesX11KeyCodes() {
    static const bool gives = QGuiApplication::platformName() == QLatin1String("xcb") ||
                              QGuiApplication::platformName() == QLatin1String("wayland");
    return gives;
}

} // namespace

std::uint8_t VxKeyFromX11KeyCode(std::uint32_t x11KeyCode) {
    if (x11KeyCode <= kX11KeyCodeOffset)
        return 0;
    const std::uint32_t evdev = x11KeyCode - kX11KeyCodeOffset;
    if (evdev <= kLastMainBlockCode)
        return static_cast<std::uint8_t>(evdev);
    return FromExtendedEvdev(evdev);
}

std::uint8_t VxKeyFromToolkitKey(int key, bool keypad) {
    const auto& table = keypad ? KeypadKeys() : MainKeys();
    const auto found = table.find(key);
    if (found != table.end())
        return found->second;
    // A keypad flag on a key the keypad does not have: the key itself.
    return keypad ? VxKeyFromToolkitKey(key, false) : 0;
}

std::uint8_t VxKeyFromEvent(const QKeyEvent& event) {
    if (ServerGivesX11KeyCodes() && event.nativeScanCode() > kX11KeyCodeOffset)
        return VxKeyFromX11KeyCode(event.nativeScanCode());
    return VxKeyFromToolkitKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
}
