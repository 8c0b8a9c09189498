// Measurements of a recording made by vx_jack_record (interleaved stereo
// floats), for the end-to-end test:
//   vx_audio_check match SONG.wav REC.f32  finds where the recording lies in
//       the song (16-bit stereo PCM) and prints the largest difference, in
//       16-bit steps, over the whole recording from one second after the
//       sound started; exit 0 when it is at most 1.
//   vx_audio_check freq REC.f32 RATE  prints the left channel's frequency
//       from its rising zero crossings, after the first half second of sound.
//   vx_audio_check rms REC.f32  prints the left channel's RMS level.
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

constexpr size_t kMatchFrames = 512;

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

int Match(const char* songPath, const char* recordingPath) {
    const std::vector<float> song = ReadWav16(songPath);
    const std::vector<float> rec = ReadRecording(recordingPath);
    const size_t start = FirstSound(rec) + 44100; // past the start's ramp
    if (2 * (start + kMatchFrames) > rec.size()) {
        std::printf("no sound recorded\n");
        return 1;
    }
    const size_t songFrames = song.size() / 2;
    for (size_t offset = 0; offset + kMatchFrames <= songFrames; ++offset) {
        bool same = true;
        for (size_t i = 0; i < 2 * kMatchFrames && same; ++i)
            same = std::fabs(rec[2 * start + i] - song[2 * offset + i]) <= 1.0f / 32768;
        if (!same)
            continue;
        const size_t frames = std::min(rec.size() / 2 - start, songFrames - offset);
        double worst = 0.0;
        for (size_t i = 0; i < 2 * frames; ++i)
            worst = std::max(worst, std::fabs(double(rec[2 * start + i]) - song[2 * offset + i]));
        std::printf("matched %zu frames at song frame %zu; largest difference %.3f steps\n",
                    frames, offset, worst * 32768);
        return worst * 32768 <= 1.0 ? 0 : 1;
    }
    std::printf("the recording is nowhere in the song\n");
    return 1;
}

int Frequency(const char* recordingPath, double rate) {
    const std::vector<float> rec = ReadRecording(recordingPath);
    const size_t start = FirstSound(rec) + static_cast<size_t>(rate / 2);
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (size_t i = start + 1; i < rec.size() / 2; ++i) {
        const float a = rec[2 * (i - 1)], b = rec[2 * i];
        if (a < 0.0f && b >= 0.0f) {
            const double at = double(i - 1) + a / double(a - b);
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) {
        std::printf("0\n");
        return 1;
    }
    std::printf("%.2f\n", (crossings - 1) * rate / (last - first));
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

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "match" && argc == 4)
        return Match(argv[2], argv[3]);
    if (command == "freq" && argc == 4)
        return Frequency(argv[2], std::atof(argv[3]));
    if (command == "rms" && argc == 3)
        return Rms(argv[2]);
    std::fprintf(stderr, "usage: vx_audio_check match SONG.wav REC.f32 | freq REC.f32 RATE | "
                         "rms REC.f32\n");
    return 2;
}
