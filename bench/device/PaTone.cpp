// The trivial PortAudio client the JACK measurement compares the deck with:
// plays a quiet 440 Hz tone on PortAudio's default output for the given
// number of seconds. Usage: vx_pa_tone SECONDS
#include <portaudio.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
             PaStreamCallbackFlags, void* user) {
    auto* phase = static_cast<double*>(user);
    auto* out = static_cast<float*>(output);
    for (unsigned long i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(0.2 * std::sin(*phase));
        out[2 * i] = out[2 * i + 1] = value;
        *phase += 2 * std::numbers::pi * 440 / 44100;
    }
    return paContinue;
}

} // namespace

int main(int argc, char** argv) {
    const long seconds = argc > 1 ? std::atol(argv[1]) : 60;
    double phase = 0;
    PaStream* stream = nullptr;
    if (Pa_Initialize() != paNoError ||
        Pa_OpenDefaultStream(&stream, 0, 2, paFloat32, 44100, paFramesPerBufferUnspecified,
                             &Callback, &phase) != paNoError ||
        Pa_StartStream(stream) != paNoError)
        return 1;
    Pa_Sleep(seconds * 1000);
    Pa_StopStream(stream);
    Pa_CloseStream(stream);
    Pa_Terminate();
    return 0;
}
