// The keyboard reader: turns the difference between two readings of the
// keyboard's state table into key events for a watched list of keys.
//
// Results: 0 success, -1 a failure reported here, -2 a failure reported
// further down. Every failure is reported once through the diagnostics with
// the prefix "VxInput:" and the device's result code by name.
//
// Window thread only.
#pragma once

#include "frontend/VxKeyboard.h"

#include <cstdint>

constexpr int kVxMaxWatchedKeys = 50;

struct TVxKeyEvent {
    std::uint32_t Key = 0;
    // High bit set: pressed; 0: released.
    std::uint32_t State = 0;
    // Millisecond tick count.
    std::uint32_t Time = 0;
};

int VxInputStart(const void* instance, const void* window);
void VxInputStop();
// keys ends with 0; codes beyond the 50th, and codes above 255, are dropped.
void VxInputWatch(const std::uint32_t* keys);
// The watched keys whose state changed since the last reading, in watch-list
// order, at most capacity of them.
int VxInputRead(TVxKeyEvent* events, int* count, int capacity);
// A release event for every watched key that the last reading saw pressed;
// the readings are left as they are.
int VxInputReleaseAll(TVxKeyEvent* events, int* count, int capacity);
int VxInputReacquire();
// The device result code's name; "(Generic)" for codes not in the table.
const char* VxInputErrorName(VxResult result);
