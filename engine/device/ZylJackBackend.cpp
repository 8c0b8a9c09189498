#include "engine/device/ZylJackBackend.h"

#include "engine/device/ZylRenderThread.h"

#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylMixer.h"

#include <jack/jack.h>

#include <algorithm>
#include <chrono>

namespace {

// Periods without a process call after which the server counts as gone,
// and the least time that takes: a loaded machine may delay a few periods.
constexpr int64_t kStallPeriods = 8;
constexpr int64_t kLeastStallNs = 500'000'000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr char kClientName[] = "Vexaline";
constexpr const char* kPortNames[2] = {"out_1", "out_2"};

// While the server is away every attempt to reach it would print several
// lines; the loss and the return are reported by the output instead.
void Silent(const char*) {}

} // namespace

std::unique_ptr<TZylJackBackend> TZylJackBackend::Create(ZylResult* result) {
    jack_set_error_function(&Silent);
    jack_set_info_function(&Silent);
    std::unique_ptr<TZylJackBackend> backend(new TZylJackBackend());
    backend->Client = jack_client_open(kClientName, JackNoStartServer, nullptr);
    if (backend->Client == nullptr) {
        ZylSetDeviceReason("The JACK server is not running.");
        *result = DSERR_NODRIVER;
        return nullptr;
    }
    if (!backend->SetUpClient()) {
        ZylSetDeviceReason("The JACK server refused the player's output ports.");
        *result = DSERR_GENERIC;
        return nullptr;
    }
    *result = DS_OK;
    return backend;
}

bool TZylJackBackend::SetUpClient() {
    for (int i = 0; i < 2; ++i) {
        Ports[i] =
            jack_port_register(Client, kPortNames[i], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
        if (Ports[i] == nullptr)
            return false;
    }
    if (jack_set_process_callback(Client, &Process, this) != 0)
        return false;
    jack_on_info_shutdown(Client, &Shutdown, this);
    return true;
}

TZylJackBackend::~TZylJackBackend() {
    Close();
    if (Client != nullptr)
        jack_client_close(Client);
}

ZylResult TZylJackBackend::Open(const TWaveFormatEx& format, TZylMixer* mixer) {
    Close();
    if (ServerGone.load()) {
        ZylSetDeviceReason("The JACK server has gone away.");
        return DSERR_NODRIVER;
    }
    Mixer = mixer;
    Channels = format.nChannels;
    Interleaved = std::make_unique<float[]>(kPassFrames * Channels);
    // The server's rate is the stream's: the mixer converts to it.
    const jack_nframes_t rate = jack_get_sample_rate(Client);
    Mixer->SetStream(TZylSampleType::F32, rate);
    StallNs = std::max<int64_t>(kLeastStallNs, kStallPeriods * 1'000'000'000LL *
                                                   jack_get_buffer_size(Client) / rate);
    LastProcessNs.store(NowNs());
    if (jack_activate(Client) != 0) {
        ZylSetDeviceReason("The JACK server refused to start the player's client.");
        return DSERR_GENERIC;
    }
    Active = true;
    ConnectToPlayback();
    return DS_OK;
}

// Like any JACK player: output 1 to the first playback port, 2 to the next.
// Without playback ports the outputs stay for others to connect.
void TZylJackBackend::ConnectToPlayback() {
    const char** playback = jack_get_ports(Client, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsPhysical | JackPortIsInput);
    if (playback == nullptr)
        return;
    for (int i = 0; i < 2 && playback[i] != nullptr; ++i)
        jack_connect(Client, jack_port_name(Ports[i]), playback[i]);
    jack_free(playback);
}

bool TZylJackBackend::HasFailed() {
    return ServerGone.load() || (Active && NowNs() - LastProcessNs.load() > StallNs);
}

void TZylJackBackend::Close() {
    if (!Active)
        return;
    jack_deactivate(Client);
    Active = false;
}

double TZylJackBackend::OutputLatency() {
    if (!Active)
        return 0.0;
    jack_latency_range_t range{};
    jack_port_get_latency_range(Ports[0], JackPlaybackLatency, &range);
    return static_cast<double>(range.max) / jack_get_sample_rate(Client);
}

int TZylJackBackend::Process(jack_nframes_t frames, void* self) {
    auto* backend = static_cast<TZylJackBackend*>(self);
    ZylFavourRenderThread();
    float* out[2] = {static_cast<float*>(jack_port_get_buffer(backend->Ports[0], frames)),
                     static_cast<float*>(jack_port_get_buffer(backend->Ports[1], frames))};
    const uint32_t channels = backend->Channels;
    const float* mixed = backend->Interleaved.get();
    for (jack_nframes_t done = 0; done < frames;) {
        const uint32_t pass = std::min<uint32_t>(kPassFrames, frames - done);
        backend->Gate.Render(backend->Mixer, backend->Interleaved.get(), pass, channels);
        // A mono stream plays on both ports.
        for (uint32_t i = 0; i < pass; ++i) {
            out[0][done + i] = mixed[i * channels];
            out[1][done + i] = mixed[i * channels + channels - 1];
        }
        done += pass;
    }
    backend->LastProcessNs.store(NowNs(), std::memory_order_relaxed);
    return 0;
}

void TZylJackBackend::Shutdown(jack_status_t, const char*, void* self) {
    static_cast<TZylJackBackend*>(self)->ServerGone.store(true);
}
