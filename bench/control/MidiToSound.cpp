// Measures how long a controller's play note takes to become sound at the
// player's JACK output: one JACK client sends the note on its MIDI port and
// listens to the player's output ports, so both ends are on the server's
// frame clock. Each round: the play note in one period, then the first
// sample above -40 dBFS; the play note again pauses, and the next round
// waits for silence. Prints every latency in milliseconds and the median.
// Usage: vx_midi_to_sound ROUNDS
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

enum TStep { kWaitSilence, kSendNote, kWaitSound, kPause };

struct TBench {
    jack_client_t* Client = nullptr;
    jack_port_t* Midi = nullptr;
    jack_port_t* Inputs[2] = {};
    std::atomic<int> Step{kWaitSilence};
    jack_nframes_t SentAt = 0;
    int QuietPeriods = 0;
    int NoteOffDue = 0; // periods until the note off
    std::vector<double> Latencies;
    std::atomic<int> Done{0};
};

bool Loud(const float* samples, jack_nframes_t frames, jack_nframes_t& at) {
    for (jack_nframes_t i = 0; i < frames; ++i)
        if (std::fabs(samples[i]) > 0.01f) {
            at = i;
            return true;
        }
    return false;
}

int Process(jack_nframes_t frames, void* arg) {
    auto* bench = static_cast<TBench*>(arg);
    void* midi = jack_port_get_buffer(bench->Midi, frames);
    jack_midi_clear_buffer(midi);
    const auto* left = static_cast<const float*>(jack_port_get_buffer(bench->Inputs[0], frames));
    const jack_nframes_t now = jack_last_frame_time(bench->Client);
    jack_midi_data_t on[3] = {0x90, 11, 127}, off[3] = {0x80, 11, 0};
    if (bench->NoteOffDue > 0 && --bench->NoteOffDue == 0)
        jack_midi_event_write(midi, 0, off, 3);
    jack_nframes_t at = 0;
    const bool loud = Loud(left, frames, at);
    switch (bench->Step.load()) {
    case kWaitSilence:
        bench->QuietPeriods = loud ? 0 : bench->QuietPeriods + 1;
        // A quarter of a second of silence, whatever the period.
        if (bench->QuietPeriods * frames > 11025)
            bench->Step = kSendNote;
        break;
    case kSendNote:
        jack_midi_event_write(midi, 0, on, 3);
        bench->NoteOffDue = 2;
        bench->SentAt = now;
        bench->Step = kWaitSound;
        break;
    case kWaitSound:
        if (loud) {
            const double ms =
                1000.0 * (now + at - bench->SentAt) / jack_get_sample_rate(bench->Client);
            bench->Latencies.push_back(ms);
            bench->Step = kPause;
        }
        break;
    case kPause:
        if (bench->NoteOffDue == 0) {
            jack_midi_event_write(midi, 0, on, 3);
            bench->NoteOffDue = 2;
            bench->QuietPeriods = 0;
            bench->Done.fetch_add(1);
            bench->Step = kWaitSilence;
        }
        break;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    TBench bench;
    bench.Client = jack_client_open("vx-bench-pad", JackNoStartServer, nullptr);
    if (bench.Client == nullptr) {
        std::fprintf(stderr, "vx_midi_to_sound: no JACK server\n");
        return 1;
    }
    bench.Midi =
        jack_port_register(bench.Client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    bench.Inputs[0] =
        jack_port_register(bench.Client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    bench.Inputs[1] =
        jack_port_register(bench.Client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    bench.Latencies.reserve(rounds + 1);
    jack_set_process_callback(bench.Client, &Process, &bench);
    if (jack_activate(bench.Client) != 0 ||
        jack_connect(bench.Client, "Vexaline:out_1", jack_port_name(bench.Inputs[0])) != 0 ||
        jack_connect(bench.Client, "Vexaline:out_2", jack_port_name(bench.Inputs[1])) != 0) {
        std::fprintf(stderr, "vx_midi_to_sound: the player's output ports are not there\n");
        return 1;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5 + rounds * 2);
    while (bench.Done.load() < rounds && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    jack_deactivate(bench.Client);
    std::vector<double> latencies = bench.Latencies;
    for (double ms : latencies)
        std::printf("%.2f ", ms);
    std::sort(latencies.begin(), latencies.end());
    if (latencies.empty()) {
        std::fprintf(stderr, "\nvx_midi_to_sound: no sound ever came\n");
        return 1;
    }
    std::printf("\nmedian %.2f ms, worst %.2f ms over %zu rounds at %u frames per period\n",
                latencies[latencies.size() / 2], latencies.back(), latencies.size(),
                jack_get_buffer_size(bench.Client));
    jack_client_close(bench.Client);
    return 0;
}
