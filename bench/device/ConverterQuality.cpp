// The pitch converter's candidates side by side: libsamplerate's sinc
// converters (variable ratio), libsoxr's variable-rate mode and FFmpeg's
// swresample (a fixed ratio; it follows a pitch only by its drift
// compensation). For each case (a song frequency played on a device rate),
// every converter turns steady tones into the device rate in 512-frame calls,
// as the mixer does. Printed per converter: the worst signal-to-residual
// ratio of tones from 100 Hz to 16 kHz (the residual is what remains after
// fitting the ideal tone at the converted positions), the gain's spread over
// those tones, the gain at 18 and 19 kHz, how far a tone above the device's
// Nyquist after the pitch (aliasing) is held down, and the CPU time per
// second of stereo output.
// The figures are the best of three runs; run it on a quiet machine.
// usage: converter_quality
#include <samplerate.h>
#include <soxr.h>
extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 2;
constexpr size_t kCallFrames = 512;
constexpr double kSeconds = 6;

struct TCase {
    const char* Name;
    int SongHz; // the frequency the song plays at
    int DeviceHz;
};

class TConverter {
public:
    virtual ~TConverter() = default;
    virtual void Reset() = 0;
    // Converts from in (inFrames offered) into out (outFrames room).
    virtual void Run(const float* in, size_t inFrames, float* out, size_t outFrames, size_t* used,
                     size_t* made) = 0;
};

class TSamplerate : public TConverter {
public:
    TSamplerate(int type, double ratio) : Ratio(ratio) {
        int error = 0;
        State = src_new(type, kChannels, &error);
    }
    ~TSamplerate() override { src_delete(State); }
    void Reset() override { src_reset(State); }
    void Run(const float* in, size_t inFrames, float* out, size_t outFrames, size_t* used,
             size_t* made) override {
        SRC_DATA data{};
        data.data_in = in;
        data.data_out = out;
        data.input_frames = static_cast<long>(inFrames);
        data.output_frames = static_cast<long>(outFrames);
        data.src_ratio = Ratio;
        src_process(State, &data);
        *used = static_cast<size_t>(data.input_frames_used);
        *made = static_cast<size_t>(data.output_frames_gen);
    }

private:
    SRC_STATE* State = nullptr;
    double Ratio;
};

class TSoxrVariable : public TConverter {
public:
    explicit TSoxrVariable(double ratio) : IoRatio(1 / ratio) {
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_VR);
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        soxr_error_t error = nullptr;
        // The largest input-to-output ratio it will be asked for.
        State = soxr_create(4, 1, kChannels, &error, &io, &quality, nullptr);
        Reset();
    }
    ~TSoxrVariable() override { soxr_delete(State); }
    void Reset() override {
        soxr_clear(State);
        soxr_set_io_ratio(State, IoRatio, 0);
    }
    void Run(const float* in, size_t inFrames, float* out, size_t outFrames, size_t* used,
             size_t* made) override {
        soxr_process(State, in, inFrames, used, out, outFrames, made);
    }

private:
    soxr_t State = nullptr;
    double IoRatio;
};

class TSwresample : public TConverter {
public:
    TSwresample(int inHz, int outHz) : InHz(inHz), OutHz(outHz) { Reset(); }
    ~TSwresample() override { swr_free(&State); }
    void Reset() override {
        swr_free(&State);
        AVChannelLayout layout;
        av_channel_layout_default(&layout, kChannels);
        swr_alloc_set_opts2(&State, &layout, AV_SAMPLE_FMT_FLT, OutHz, &layout, AV_SAMPLE_FMT_FLT,
                            InHz, 0, nullptr);
        swr_init(State);
    }
    void Run(const float* in, size_t inFrames, float* out, size_t outFrames, size_t* used,
             size_t* made) override {
        // It buffers what it is given: offer little so that it never holds
        // more than the output has room for.
        const size_t offer = std::min<size_t>(inFrames, 64);
        const auto* from = reinterpret_cast<const uint8_t*>(in);
        auto* to = reinterpret_cast<uint8_t*>(out);
        const int got =
            swr_convert(State, &to, static_cast<int>(outFrames), &from, static_cast<int>(offer));
        *used = offer;
        *made = got < 0 ? 0 : static_cast<size_t>(got);
    }

private:
    SwrContext* State = nullptr;
    int InHz, OutHz;
};

// Runs the converter over the whole input; returns the frames made.
size_t Convert(TConverter& converter, const std::vector<float>& in, std::vector<float>& out) {
    converter.Reset();
    const size_t inFrames = in.size() / kChannels;
    const size_t outFrames = out.size() / kChannels;
    size_t taken = 0, made = 0;
    while (made < outFrames) {
        size_t used = 0, got = 0;
        converter.Run(in.data() + taken * kChannels, std::min(kCallFrames, inFrames - taken),
                      out.data() + made * kChannels, std::min(kCallFrames, outFrames - made), &used,
                      &got);
        taken += used;
        made += got;
        if (used == 0 && got == 0)
            break;
    }
    return made;
}

struct TToneFit {
    double Gain;
    double SignalToResidualDb;
    double LevelDb; // the output's level against the tone's
};

// Fits the tone at hz, converted by step source frames per output frame, to
// the left channel of out (leaving out the converter's start and end).
TToneFit FitTone(const std::vector<float>& out, size_t made, double hz, double songHz, double step,
                 double amplitude) {
    const double w = 2 * std::numbers::pi * hz / songHz * step;
    const size_t from = 4096, to = made - 256;
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0, yy = 0;
    for (size_t n = from; n < to; ++n) {
        const double s = std::sin(w * n), c = std::cos(w * n), y = out[n * kChannels];
        ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c, yy += y * y;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double residual = 0;
    for (size_t n = from; n < to; ++n) {
        const double e = out[n * kChannels] - a * std::sin(w * n) - b * std::cos(w * n);
        residual += e * e;
    }
    const double fitted = (a * a + b * b) / 2 * static_cast<double>(to - from);
    const double level = yy / static_cast<double>(to - from) / (amplitude * amplitude / 2);
    return {std::hypot(a, b) / amplitude, 10 * std::log10(fitted / residual),
            10 * std::log10(level)};
}

std::vector<float> Tone(double hz, double songHz, double amplitude) {
    std::vector<float> in(static_cast<size_t>(kSeconds * songHz) * kChannels);
    for (size_t i = 0; i < in.size() / kChannels; ++i)
        for (int c = 0; c < kChannels; ++c)
            in[i * kChannels + c] = static_cast<float>(
                amplitude * std::sin(2 * std::numbers::pi * hz / songHz * i + c));
    return in;
}

std::vector<float> OutputFor(const TCase& c) {
    const double frames = kSeconds * c.DeviceHz - 2048;
    return std::vector<float>(static_cast<size_t>(frames) * kChannels);
}

void ReportQuality(TConverter& converter, const TCase& c) {
    constexpr double kAmplitude = 0.5;
    const double step = static_cast<double>(c.SongHz) / c.DeviceHz;
    std::vector<float> out = OutputFor(c);
    double worst = 1e9, lowest = 1e9, highest = 0;
    for (const double hz : {100.0, 997.0, 3001.0, 7919.0, 12007.0, 16001.0}) {
        const TToneFit fit = FitTone(out, Convert(converter, Tone(hz, c.SongHz, kAmplitude), out),
                                     hz, c.SongHz, step, kAmplitude);
        worst = std::min(worst, fit.SignalToResidualDb);
        lowest = std::min(lowest, fit.Gain);
        highest = std::max(highest, fit.Gain);
    }
    std::printf(" %8.1f %9.4f", worst, 20 * std::log10(highest / lowest));
    for (const double hz : {18000.0, 19000.0}) {
        const TToneFit fit = FitTone(out, Convert(converter, Tone(hz, c.SongHz, kAmplitude), out),
                                     hz, c.SongHz, step, kAmplitude);
        std::printf(" %8.2f", 20 * std::log10(fit.Gain));
    }
    // A tone 5 % above the device's Nyquist that the song still holds: all
    // of it would alias.
    const double above = 0.525 * c.DeviceHz;
    if (above < 0.5 * c.SongHz) {
        const TToneFit fit =
            FitTone(out, Convert(converter, Tone(above, c.SongHz, kAmplitude), out), above,
                    c.SongHz, step, kAmplitude);
        std::printf(" %9.1f", fit.LevelDb);
    } else {
        std::printf(" %9s", "-");
    }
}

void ReportCost(TConverter& converter, const TCase& c) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.01f, 0.01f);
    std::vector<float> in = Tone(441.3, c.SongHz, 0.3);
    for (float& sample : in)
        sample += noise(random);
    std::vector<float> out = OutputFor(c);
    constexpr int kRounds = 3;
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const std::clock_t start = std::clock();
        const size_t made = Convert(converter, in, out);
        const double ms = 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        best = std::min(best, ms / (static_cast<double>(made) / c.DeviceHz));
    }
    std::printf(" %8.2f\n", best);
}

} // namespace

int main() {
    const TCase cases[] = {{"+8 % on a 44.1 kHz device", 47628, 44100},
                           {"pitch 0, 44.1 kHz song on a 48 kHz device", 44100, 48000},
                           {"+8 % on a 48 kHz device", 47628, 48000},
                           {"-8 % on a 44.1 kHz device", 40572, 44100}};
    for (const TCase& c : cases) {
        const double ratio = static_cast<double>(c.DeviceHz) / c.SongHz;
        std::printf("\n%s\n%-24s %8s %9s %8s %8s %9s %8s\n", c.Name, "converter", "SNR dB",
                    "spread dB", "18k dB", "19k dB", "alias dB", "ms/s");
        struct TEntry {
            std::string Name;
            std::unique_ptr<TConverter> Converter;
        };
        TEntry entries[] = {
            {"libsamplerate sinc-best",
             std::make_unique<TSamplerate>(SRC_SINC_BEST_QUALITY, ratio)},
            {"libsamplerate sinc-medium",
             std::make_unique<TSamplerate>(SRC_SINC_MEDIUM_QUALITY, ratio)},
            {"libsamplerate sinc-fastest", std::make_unique<TSamplerate>(SRC_SINC_FASTEST, ratio)},
            {"libsoxr variable rate", std::make_unique<TSoxrVariable>(ratio)},
            {"swresample (fixed)", std::make_unique<TSwresample>(c.SongHz, c.DeviceHz)},
        };
        for (TEntry& entry : entries) {
            std::printf("%-26s", entry.Name.c_str());
            ReportQuality(*entry.Converter, c);
            ReportCost(*entry.Converter, c);
        }
    }
    return 0;
}
