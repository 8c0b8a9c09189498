// Measurements of a recording made by vx_jack_record (interleaved stereo
// floats), for the end-to-end test:
//   vx_audio_check match SONG.wav REC.f32  checks that every period of the
//       recording, from one second after the sound started, is a piece of
//       the song (16-bit stereo PCM) within one 16-bit step, following on
//       from the one before except where the server lost periods; exit 0
//       when all are and such jumps stay rare.
//   vx_audio_check freq REC.f32 RATE  prints the left channel's frequency
//       from its rising zero crossings, after the first half second of sound.
//   vx_audio_check rms REC.f32  prints the left channel's RMS level.
//   vx_audio_check onset REC.f32 RATE  prints the seconds before the first
//       sound; exit 1 when there is none.
//   vx_audio_check breaks REC.f32 RATE HZ  counts the breaks in a steady
//       sine of HZ in the left channel (a dropout, a repeated or lost piece,
//       a click), from half a second after the sound started to the end;
//       exit 0 when there is none.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The server's period: what a missed deadline drops or repeats.
constexpr size_t kPeriodFrames = 256;

std::vector<char> ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<float> ReadRecording(const char* path) {
    const std::vector<char> bytes = ReadAll(path);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// The samples of a canonical 16-bit PCM WAV file, as floats.
std::vector<float> ReadWav16(const char* path) {
    const std::vector<char> bytes = ReadAll(path);
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        uint32_t size;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            const size_t count = std::min<size_t>(size, bytes.size() - at - 8) / 2;
            std::vector<float> samples(count);
            for (size_t i = 0; i < count; ++i) {
                int16_t value;
                std::memcpy(&value, bytes.data() + at + 8 + 2 * i, 2);
                samples[i] = value / 32768.0f;
            }
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

size_t FirstSound(const std::vector<float>& samples) {
    size_t i = 0;
    while (i < samples.size() && samples[i] == 0.0f)
        ++i;
    return i / 2;
}

// Whether the period of the recording at frame at equals the song from
// song frame offset on, within one 16-bit step.
bool PeriodMatches(const std::vector<float>& rec, size_t at, const std::vector<float>& song,
                   size_t offset) {
    if (2 * (offset + kPeriodFrames) > song.size())
        return false;
    for (size_t i = 0; i < 2 * kPeriodFrames; ++i)
        if (std::fabs(double(rec[2 * at + i]) - song[2 * offset + i]) > 1.0 / 32768)
            return false;
    return true;
}

// Where in the song the period at frame at lies: next to where the last one
// did (the usual case, or a lost period or two), else anywhere.
bool FindPeriod(const std::vector<float>& rec, size_t at, const std::vector<float>& song,
                size_t* offset) {
    for (long k = 1; k <= 8; ++k)
        for (long sign : {1L, -1L}) {
            const long guess = long(*offset) + sign * k * long(kPeriodFrames);
            if (guess >= 0 && PeriodMatches(rec, at, song, size_t(guess))) {
                *offset = size_t(guess);
                return true;
            }
        }
    for (size_t guess = 0; 2 * (guess + kPeriodFrames) <= song.size(); ++guess)
        if (PeriodMatches(rec, at, song, guess)) {
            *offset = guess;
            return true;
        }
    return false;
}

// The recording, period by period, is the song's own samples. A server that
// misses a deadline on a loaded machine drops or repeats whole periods; such
// a jump is counted, not failed, but every period must be exact.
int Match(const char* songPath, const char* recordingPath) {
    const std::vector<float> song = ReadWav16(songPath);
    const std::vector<float> rec = ReadRecording(recordingPath);
    // Past the start's ramp, on a period boundary: the recording began with
    // one of the server's periods.
    const size_t start =
        (FirstSound(rec) + 44100 + kPeriodFrames - 1) / kPeriodFrames * kPeriodFrames;
    size_t offset = 0;
    size_t exact = 0, jumps = 0, periods = 0;
    bool placed = false;
    for (size_t at = start; 2 * (at + kPeriodFrames) <= rec.size(); at += kPeriodFrames) {
        ++periods;
        const size_t expected = offset + kPeriodFrames;
        if (placed && PeriodMatches(rec, at, song, expected)) {
            offset = expected;
            ++exact;
        } else if (FindPeriod(rec, at, song, &offset)) {
            jumps += placed ? 1 : 0;
            placed = true;
            ++exact;
        }
    }
    std::printf("%zu of %zu periods are the song's samples within one step; %zu jumps\n", exact,
                periods, jumps);
    return periods >= 100 && exact == periods && jumps * 20 <= periods ? 0 : 1;
}

// The frequency of the rising zero crossings in frames [from, to), or 0.
double CrossingRate(const std::vector<float>& rec, size_t from, size_t to, double rate) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        const float a = rec[2 * (i - 1)], b = rec[2 * i];
        if (a < 0.0f && b >= 0.0f) {
            const double at = double(i - 1) + a / double(a - b);
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (last - first);
}

// The median over tenths of a second: a period the server lost or repeated
// disturbs only the tenth it falls in.
int Frequency(const char* recordingPath, double rate) {
    const std::vector<float> rec = ReadRecording(recordingPath);
    const size_t window = static_cast<size_t>(rate / 10);
    std::vector<double> rates;
    for (size_t from = FirstSound(rec) + static_cast<size_t>(rate / 2);
         from + window <= rec.size() / 2; from += window)
        rates.push_back(CrossingRate(rec, from, from + window, rate));
    if (rates.empty()) {
        std::printf("0\n");
        return 1;
    }
    std::sort(rates.begin(), rates.end());
    std::printf("%.2f\n", rates[rates.size() / 2]);
    return 0;
}

int Rms(const char* recordingPath) {
    const std::vector<float> rec = ReadRecording(recordingPath);
    double sum = 0.0;
    for (size_t i = 0; i < rec.size(); i += 2)
        sum += double(rec[i]) * rec[i];
    std::printf("%.5f\n", rec.empty() ? 0.0 : std::sqrt(sum / (rec.size() / 2)));
    return 0;
}

int Onset(const char* recordingPath, double rate) {
    const std::vector<float> rec = ReadRecording(recordingPath);
    const size_t first = FirstSound(rec);
    std::printf("%.3f\n", first / rate);
    return 2 * first < rec.size() ? 0 : 1;
}

// A sine obeys x[n+1] = 2 cos(w) x[n] - x[n-1] exactly; whatever breaks its
// course leaves a residual far above the rounding of a float stream.
int Breaks(const char* recordingPath, double rate, double hz) {
    constexpr double kBreakLevel = 0.02;
    const std::vector<float> rec = ReadRecording(recordingPath);
    const double twoCos = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    const size_t frames = rec.size() / 2;
    size_t breaks = 0;
    size_t lastBreak = 0;
    const size_t from = FirstSound(rec) + static_cast<size_t>(rate / 2);
    for (size_t n = from + 1; n + 1 < frames; ++n) {
        const double residual = rec[2 * (n + 1)] - twoCos * rec[2 * n] + rec[2 * (n - 1)];
        if (std::fabs(residual) <= kBreakLevel)
            continue;
        // One break disturbs a few neighbouring samples: count it once.
        if (breaks == 0 || n > lastBreak + 3)
            ++breaks;
        lastBreak = n;
    }
    std::printf("%zu breaks in %.1f s\n", breaks, from < frames ? (frames - from) / rate : 0.0);
    return breaks == 0 && from + static_cast<size_t>(rate) < frames ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "match" && argc == 4)
        return Match(argv[2], argv[3]);
    if (command == "freq" && argc == 4)
        return Frequency(argv[2], std::atof(argv[3]));
    if (command == "rms" && argc == 3)
        return Rms(argv[2]);
    if (command == "onset" && argc == 4)
        return Onset(argv[2], std::atof(argv[3]));
    if (command == "breaks" && argc == 5)
        return Breaks(argv[2], std::atof(argv[3]), std::atof(argv[4]));
    std::fprintf(stderr, "usage: vx_audio_check match SONG.wav REC.f32 | freq REC.f32 RATE | "
                         "rms REC.f32 | onset REC.f32 RATE | breaks REC.f32 RATE HZ\n");
    return 2;
}
