// The environment's choice of back end and converter.
//
// VEXALINE_AUDIO: unset, empty or "portaudio" plays through PortAudio;
// "portaudio:HOST" makes the default device that of the PortAudio host API
// whose name contains HOST (any case; "portaudio:jack" plays on the JACK
// server named by JACK_DEFAULT_SERVER); "jack" plays on that server through a
// JACK client of the player's own, which comes back by itself when the
// server restarts; "null" plays nothing in real time;
// "null:capture=PATH" also records the output to the WAV file PATH.
// Anything else falls back to PortAudio.
// VEXALINE_RESAMPLER: "sinc-best", "sinc-medium" (default), "sinc-fastest",
// "linear" or "zoh"; anything else gives the default.
#pragma once

#include <string>

struct TZylAudioChoice {
    bool UseNull = false;
    bool UseJack = false;
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
