// Why the sound output could not start, in words a user can act on: the
// back end's name and its real reason ("The JACK server is not running").
// A back end that fails to connect or to open its stream says why here;
// the device layer puts the text into the message the user sees and keeps
// the result code for the log. Any thread but the audio callback.
#pragma once

#include "diag/Diag.h"

#include <string>

void ZylSetDeviceReason(const char* format, ...) VX_PRINTF_LIKE(1, 2);
// The last reason given, or a general one when none was.
std::string ZylDeviceReason();
// Forgets the last reason: called before each attempt to open a device.
void ZylClearDeviceReason();
