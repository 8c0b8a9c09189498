// Which back end "automatic" means on this system right now: PipeWire when
// a PipeWire daemon answers, else PulseAudio when a PulseAudio server (or
// PipeWire's PulseAudio service) answers, else PortAudio. An output keeps
// the back end it started on, so that a restarting server never sends it
// to another path meanwhile.
#pragma once

#include "engine/device/ZylAudioConfig.h"

TZylBackendKind ZylResolveBackend(TZylBackendKind kind);
