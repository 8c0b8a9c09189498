// The JACK side of the end-to-end test: records the program's output ports
// from a JACK server, as interleaved stereo floats, for a given length of
// audio time. Usage: vx_jack_record OUT.f32 SECONDS CLIENT-PREFIX [--from-start]
// It waits (up to a minute) for two output ports whose names start with
// CLIENT-PREFIX, connects them to its own inputs and records from the first
// period after the connection; with --from-start it records from its own
// start instead, silence until the ports appear, to time their coming.
// Exit status 0 once the length is recorded, 1 on any failure (no server,
// no ports, the server gone mid-way).
#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TRecorder {
    jack_port_t* Inputs[2] = {};
    std::vector<float> Frames; // interleaved, sized up front
    std::atomic<size_t> Filled{0};
    std::atomic<bool> Recording{false};
    std::atomic<bool> ServerGone{false};
    bool SourcesSeen = false; // the sources' ports were there, connected or not
};

int Process(jack_nframes_t frames, void* arg) {
    auto* recorder = static_cast<TRecorder*>(arg);
    if (!recorder->Recording.load())
        return 0;
    const auto* left = static_cast<const float*>(jack_port_get_buffer(recorder->Inputs[0], frames));
    const auto* right =
        static_cast<const float*>(jack_port_get_buffer(recorder->Inputs[1], frames));
    size_t at = recorder->Filled.load();
    for (jack_nframes_t i = 0; i < frames && at + 2 <= recorder->Frames.size(); ++i, at += 2) {
        recorder->Frames[at] = left[i];
        recorder->Frames[at + 1] = right[i];
    }
    recorder->Filled.store(at);
    return 0;
}

void Shutdown(void* arg) {
    static_cast<TRecorder*>(arg)->ServerGone.store(true);
}

bool ConnectSources(jack_client_t* client, TRecorder& recorder, const std::string& prefix) {
    const char** ports =
        jack_get_ports(client, (prefix + ".*").c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    if (ports == nullptr)
        return false;
    bool connected = false;
    recorder.SourcesSeen = recorder.SourcesSeen || (ports[0] != nullptr && ports[1] != nullptr);
    if (ports[0] != nullptr && ports[1] != nullptr)
        connected = jack_connect(client, ports[0], jack_port_name(recorder.Inputs[0])) == 0 &&
                    jack_connect(client, ports[1], jack_port_name(recorder.Inputs[1])) == 0;
    jack_free(ports);
    return connected;
}

} // namespace

int main(int argc, char** argv) {
    const bool fromStart = argc == 5 && std::strcmp(argv[4], "--from-start") == 0;
    if (argc != 4 && !fromStart) {
        std::fprintf(stderr,
                     "usage: vx_jack_record OUT.f32 SECONDS CLIENT-PREFIX [--from-start]\n");
        return 1;
    }
    jack_client_t* client = jack_client_open("vx_record", JackNoStartServer, nullptr);
    if (client == nullptr) {
        std::fprintf(stderr, "vx_jack_record: no JACK server\n");
        return 1;
    }
    TRecorder recorder;
    const double seconds = std::atof(argv[2]);
    recorder.Frames.assign(static_cast<size_t>(seconds * jack_get_sample_rate(client)) * 2, 0.0f);
    recorder.Inputs[0] =
        jack_port_register(client, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    recorder.Inputs[1] =
        jack_port_register(client, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    recorder.Recording.store(fromStart);
    jack_set_process_callback(client, &Process, &recorder);
    jack_on_shutdown(client, &Shutdown, &recorder);
    if (recorder.Inputs[0] == nullptr || recorder.Inputs[1] == nullptr || jack_activate(client)) {
        std::fprintf(stderr, "vx_jack_record: cannot set up the client\n");
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
    while (!ConnectSources(client, recorder, argv[3])) {
        if (Clock::now() > deadline || recorder.ServerGone.load()) {
            std::fprintf(stderr, "vx_jack_record: %s of %s%s\n",
                         recorder.SourcesSeen ? "no connection to the ports" : "no ports", argv[3],
                         recorder.ServerGone.load() ? " (the server went away)" : "");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    recorder.Recording.store(true);
    while (recorder.Filled.load() < recorder.Frames.size()) {
        if (recorder.ServerGone.load()) {
            std::fprintf(stderr, "vx_jack_record: the server went away\n");
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    jack_client_close(client);
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr)
        return 1;
    const size_t written =
        std::fwrite(recorder.Frames.data(), sizeof(float), recorder.Frames.size(), out);
    return std::fclose(out) == 0 && written == recorder.Frames.size() ? 0 : 1;
}
