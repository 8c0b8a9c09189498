// The Null back end as tests drive it: no sound and no clock of its own; the
// test renders the output itself, frame by frame.
//
// Threads: these calls may come from any thread. A step runs the mixer just
// as a sound card's callback would, so the engine may create, play and
// release buffers while another thread steps.
#pragma once

#include "decoding/VxPlayer.h"

#include <cstdint>
#include <vector>

// While on, every device opened afterwards uses the hand-stepped Null back
// end, whatever VEXALINE_AUDIO says. Devices already open keep theirs.
void ZylNullSetHandStepped(bool on);

// Renders frames frames of the most recently opened hand-stepped device into
// out (frames * block alignment bytes in the device's format; null discards
// them). Returns the frames rendered: 0 when no such device is open.
uint32_t ZylNullStep(uint32_t frames, void* out);

// As ZylNullStep, for a 16-bit device: the interleaved samples rendered
// (empty when no hand-stepped device is open).
std::vector<int16_t> ZylNullStepSamples(uint32_t frames);

// The output format of the open hand-stepped device (all zero when none).
TWaveFormatEx ZylNullFormat();

// True while the output has quieted the open hand-stepped device because
// nothing plays (see TZylOutput): a step then writes silence without
// running the mixer, as a stopped stream would.
bool ZylNullIsQuiet();

// Makes the open hand-stepped device behave as a device unplugged while
// playing: its stream counts as failed from now on. The device layer then
// reports the loss and carries on with a fresh hand-stepped stream, which
// ZylNullStep drives as before.
void ZylNullSimulateDeviceLoss();
