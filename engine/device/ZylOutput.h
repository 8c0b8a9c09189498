// An opened output: the mixer and the back end that pulls from it. The
// audio object and every buffer created on it share ownership, so a buffer
// that outlives its audio object still releases its voice safely.
//
// Threads: everything here runs under the player system's lock, except the
// back end's render thread, which only ever touches the mixer.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/device/ZylDSResult.h"

#include <atomic>
#include <memory>

class TZylBackend;
class TZylMixer;
struct TZylDeviceId;

class TZylOutput {
public:
    // Finds the device (null: the default one) on the back end that the
    // environment or the hand-stepped override selects.
    static ZylResult Create(const TZylDeviceId* id, std::shared_ptr<TZylOutput>* output);
    ~TZylOutput();
    TZylOutput(const TZylOutput&) = delete;
    TZylOutput& operator=(const TZylOutput&) = delete;

    // Starts the stream at format, replacing any stream running before.
    ZylResult SetFormat(const TWaveFormatEx& format);
    // Stops the stream for good; voices stay registered but no longer move.
    void Shutdown();

    TZylMixer& Mixer() { return *MixerPart; }
    int ConverterType() const { return Converter; }
    double OutputLatency();

    // True once the stream has died. The first call that sees it reports the
    // loss and moves the mixer onto a silent clock (in tests: a hand-stepped
    // stream), so that play cursors keep moving and the engine keeps running.
    bool CheckLost();

private:
    TZylOutput(std::unique_ptr<TZylBackend> backend, int converter, bool handStepped);

    std::unique_ptr<TZylBackend> Backend;
    std::unique_ptr<TZylMixer> MixerPart;
    const int Converter;
    const bool HandStepped; // a lost stream is replaced by a hand-stepped one
    bool Streaming = false;
    bool Lost = false;
};

// True when format is one the mixer can play or output: PCM, one or two
// channels, 8 or 16 bits, 100..200000 Hz, consistent block alignment.
bool ZylIsPlayableFormat(const TWaveFormatEx& format);
