// The environment's choice of back end and converter, and the latency the
// options ask for.
//
// VEXALINE_AUDIO: unset, empty or anything not below picks the back end by
// itself: PipeWire when a PipeWire daemon answers, else PulseAudio when a
// PulseAudio server (or PipeWire's PulseAudio service) answers, else
// PortAudio. "pipewire", "pulse" and "portaudio" name one back end;
// "portaudio:HOST" makes the default device that of the PortAudio host API
// whose name contains HOST (any case; "portaudio:jack" plays on the JACK
// server named by JACK_DEFAULT_SERVER); "jack" plays on that server through
// a JACK client of the player's own; "null" plays nothing in real time;
// "null:capture=PATH" also records the output to the WAV file PATH.
// VEXALINE_RESAMPLER: "sinc-best", "sinc-medium" (default), "sinc-fastest",
// "linear" or "zoh"; anything else gives the default.
#pragma once

#include <string>

enum class TZylBackendKind { Auto, PipeWire, Pulse, PortAudio, Jack, Null };

struct TZylAudioChoice {
    TZylBackendKind Kind = TZylBackendKind::Auto;
    bool HandStepped = false;
    std::string CapturePath; // empty: no capture
    std::string HostApi;     // empty: PortAudio's own default device
};

TZylAudioChoice ZylParseAudioChoice(const char* value);
// The choice for the next device: the hand-stepped override, else the
// environment.
TZylAudioChoice ZylCurrentAudioChoice();

// A libsamplerate converter type.
int ZylParseConverter(const char* value);
int ZylCurrentConverter();

// Set by ZylNullSetHandStepped.
void ZylSetHandSteppedOverride(bool on);

// The output latency the options ask for, in milliseconds: 5, 10, 20 or 40,
// or 0 (the default) for "automatic"; any other value counts as automatic.
// Read when a device opens.
void ZylSetLatencySetting(int milliseconds);
int ZylLatencySetting();

// What a back end asks its server for, in milliseconds: the setting, or
// when automatic 10 ms or the server's own preference (serverMs, 0 when
// unknown) when that is larger, so the player never drags other clients'
// periods below what the server chose for them.
double ZylChooseLatencyMs(int setting, double serverMs);
// The settings the options offer, automatic first.
constexpr int kZylLatencyChoices[] = {0, 5, 10, 20, 40};
