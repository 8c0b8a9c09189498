// Figures of the device layer: what the mixer costs per converter, how
// closely each converter reproduces music at the buffer's own rate, and how
// long a play takes to reach the output.
//
//   device_bench --benchmark_filter=MixerCost    counters: x_realtime (audio
//       seconds mixed per CPU second; 100 / x_realtime is the % of one core),
//       per converter at +8 % (/1) and at pitch 0 (/0, the untouched copy)
//   device_bench --benchmark_filter=CutStep      counters: the largest step
//       between two output samples at a pause, a jump and a resume on
//       music-like material, and the music's own largest step
//   device_bench --benchmark_filter=Snr          counter: snr_db, on
//       music-like material (/0) and on white noise (/1)
//   device_bench --benchmark_filter=PlayToFirst  time per play; counter
//       stream_latency_ms (the stream's own output latency)
#include "engine/device/ZylDS.h"
#include "engine/device/ZylNull.h"
#include "engine/device/ZylOutput.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 44100;
const char* const kConverters[] = {"sinc-best", "sinc-medium", "sinc-fastest", "linear", "zoh"};

// Three sustained notes with harmonics falling to 15 kHz, over a noise bed
// low-passed twice so that, as in most music, little energy is left near
// the top of the band.
std::vector<int16_t> MusicLike(uint32_t frames) {
    std::vector<int16_t> pcm(frames * 2);
    const double notes[] = {110.0, 138.6, 164.8};
    uint32_t seed = 12345;
    double smooth[2][2] = {{0, 0}, {0, 0}};
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        for (int channel = 0; channel < 2; ++channel) {
            double value = 0;
            for (double note : notes)
                for (int k = 1; k * note < 15000; ++k)
                    value += std::sin(2 * std::numbers::pi * k * note * (1 + 0.001 * channel) * t) /
                             (k * 18.0);
            seed = seed * 1664525u + 1013904223u;
            const double white = static_cast<double>(seed >> 8) / (1 << 24) - 0.5;
            double* stage = smooth[channel];
            stage[0] = 0.9 * stage[0] + 0.1 * white;
            stage[1] = 0.9 * stage[1] + 0.1 * stage[0];
            value += 0.5 * stage[1];
            pcm[2 * i + channel] =
                static_cast<int16_t>(std::lrint(std::clamp(value, -1.0, 1.0) * 30000));
        }
    }
    return pcm;
}

// White noise at a quarter of full scale: the worst case, with as much
// energy at the top of the band as anywhere.
std::vector<int16_t> WhiteNoise(uint32_t frames) {
    std::vector<int16_t> pcm(frames * 2);
    uint32_t seed = 777;
    for (int16_t& sample : pcm) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<int16_t>(static_cast<int32_t>(seed >> 16) / 4 - 8192);
    }
    return pcm;
}

// A hand-stepped device with one looping buffer of pcm playing.
struct SteppedPlayer {
    SteppedPlayer(const char* converter, const std::vector<int16_t>& pcm, uint32_t frequency) {
        setenv("VEXALINE_RESAMPLER", converter, 1);
        ZylNullSetHandStepped(true);
        Ok = Audio.Open(TZylAudioParams{}) == 0;
        const TWaveFormatEx format = MakePcmFormat(2, kRate, 16);
        const auto bytes = static_cast<uint32_t>(pcm.size() * 2);
        void* data = nullptr;
        Ok = Ok && Buffer.Create(&Audio, &format, bytes, kZylBufferLooping, 0) == 0 &&
             Buffer.Lock(0, bytes, &data) == 0;
        if (Ok) {
            std::memcpy(data, pcm.data(), bytes);
            Buffer.Unlock();
            Buffer.SetFrequency(frequency);
            Buffer.Play();
        }
    }
    ~SteppedPlayer() {
        Buffer.Release();
        Audio.Close();
        ZylNullSetHandStepped(false);
        unsetenv("VEXALINE_RESAMPLER");
    }
    TZylAudioTAG Audio;
    TZylSoundBufferTAG Buffer;
    bool Ok = false;
};

void MixerCost(benchmark::State& state) {
    const char* converter = kConverters[state.range(0)];
    const bool pitched = state.range(1) != 0;
    state.SetLabel(std::string(converter) + (pitched ? " +8 %" : " pitch 0"));
    SteppedPlayer player(converter, MusicLike(3 * kRate), pitched ? 47628 : kRate);
    if (!player.Ok) {
        state.SkipWithError("device did not open");
        return;
    }
    constexpr uint32_t kBlock = 441; // 10 ms, a typical callback
    std::vector<uint8_t> out(kBlock * 4);
    for (auto _ : state) {
        ZylNullStep(kBlock, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
}
BENCHMARK(MixerCost)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}});

float LargestStep(const std::vector<int16_t>& out, size_t from, size_t to) {
    float step = 0;
    for (size_t i = from + 2; i < to && i < out.size(); ++i)
        step = std::max(step, std::fabs(float(out[i]) - float(out[i - 2])));
    return step / 32768;
}

// The steepest output step within 10 ms after each cut of the transport,
// against the music's own steepest step over the same stretch played
// uninterrupted.
void CutStep(benchmark::State& state) {
    const std::vector<int16_t> music = MusicLike(2 * kRate);
    constexpr uint32_t kAround = 441;
    for (auto _ : state) {
        SteppedPlayer player("sinc-medium", music, kRate);
        ZylNullStepSamples(kRate / 2);
        std::vector<int16_t> out = ZylNullStepSamples(kAround);
        state.counters["music_own"] = LargestStep(out, 0, out.size());
        player.Buffer.Stop(); // pause
        out = ZylNullStepSamples(kAround);
        state.counters["pause"] = LargestStep(out, 0, out.size());
        player.Buffer.Play(); // resume
        out = ZylNullStepSamples(kAround);
        state.counters["resume"] = LargestStep(out, 0, out.size());
        player.Buffer.SetPlayCursor(kRate / 3 * 4); // a seek or a cue while playing
        out = ZylNullStepSamples(kAround);
        state.counters["jump"] = LargestStep(out, 0, out.size());
    }
}
BENCHMARK(CutStep)->Iterations(1);

// Signal-to-difference ratio of the output against the source, at the best
// whole-frame alignment, after the converter has settled.
void Snr(benchmark::State& state) {
    const char* converter = kConverters[state.range(0)];
    const bool noise = state.range(1) != 0;
    state.SetLabel(std::string(converter) + (noise ? " white noise" : " music-like"));
    const uint32_t frames = 2 * kRate;
    const std::vector<int16_t> source = noise ? WhiteNoise(frames) : MusicLike(frames);
    double snr = 0;
    for (auto _ : state) {
        SteppedPlayer player(converter, source, kRate);
        const std::vector<int16_t> out = ZylNullStepSamples(frames);
        double best = 0;
        for (int delay = -8; delay <= 8; ++delay) {
            double signal = 0;
            double noise = 0;
            for (uint32_t i = 4096; i + 4096 < frames; ++i)
                for (int channel = 0; channel < 2; ++channel) {
                    const double s = source[2 * i + channel];
                    const double o = out[2 * (i + delay) + channel];
                    signal += s * s;
                    noise += (o - s) * (o - s);
                }
            best = std::max(best, 10 * std::log10(signal / std::max(noise, 1e-9)));
        }
        snr = best;
    }
    state.counters["snr_db"] = snr;
}
BENCHMARK(Snr)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Iterations(1);

// From play to the first frame the mixer takes from the buffer, which
// happens in the render that outputs it. Plays on the default device when
// one exists, else on the Null back end's real-time clock.
void PlayToFirstSample(benchmark::State& state) {
    if (std::getenv("VEXALINE_AUDIO") == nullptr) {
        TZylDeviceList devices;
        if (EnumerateOutputDevices(devices) == 0)
            setenv("VEXALINE_AUDIO", "null", 1);
        FreeOutputDeviceList(devices);
    }
    state.SetLabel(std::getenv("VEXALINE_AUDIO") != nullptr ? std::getenv("VEXALINE_AUDIO")
                                                            : "portaudio default");
    TZylAudioTAG audio;
    TZylSoundBufferTAG buffer;
    const TWaveFormatEx format = MakePcmFormat(2, kRate, 16);
    if (audio.Open(TZylAudioParams{}) != 0 ||
        buffer.Create(&audio, &format, kRate * 4, kZylBufferLooping, 0) != 0) {
        state.SkipWithError("device did not open");
        return;
    }
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        buffer.Stop();
        buffer.SetPlayCursor(0);
        const Clock::time_point start = Clock::now();
        buffer.Play();
        while (buffer.GetPlayCursor() == 0) {
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["stream_latency_ms"] = audio.Device->OutputLatency() * 1000;
}
BENCHMARK(PlayToFirstSample)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

} // namespace
