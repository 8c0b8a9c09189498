#include "engine/device/ZylPulseBackend.h"

#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylRenderThread.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

constexpr char kBackendName[] = "PulseAudio";
constexpr char kStreamName[] = "Vexaline";
constexpr uint32_t kFallbackRate = 44100;
// The buffer a PulseAudio server keeps by default: four fragments of 25 ms
// (its default-fragments and default-fragment-size-msec). Automatic latency
// never asks for less: its clients are not scheduled in real time, and a
// shorter buffer underruns on a busy machine.
constexpr double kServerPreferredMs = 100.0;
} // namespace

// The loop thread's side. Write runs with the loop locked: it renders the
// mixer straight into the memory the server lends.
struct TZylPulseBackend::TEvents {
    static void State(pa_stream* stream, void* self) {
        auto* backend = static_cast<TZylPulseBackend*>(self);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY)
            ZylFavourRenderThread();
        if (!PA_STREAM_IS_GOOD(state))
            backend->StreamFailed.store(true);
        pa_threaded_mainloop_signal(backend->Connection.Loop(), 0);
    }

    static void Write(pa_stream* stream, size_t bytes, void* self) {
        auto* backend = static_cast<TZylPulseBackend*>(self);
        const size_t stride = sizeof(float) * backend->Channels;
        while (bytes >= stride) {
            void* data = nullptr;
            size_t granted = bytes;
            if (pa_stream_begin_write(stream, &data, &granted) < 0 || data == nullptr)
                return;
            const size_t frames = granted / stride;
            backend->Gate.Render(backend->Mixer, static_cast<float*>(data),
                                 static_cast<uint32_t>(frames), backend->Channels);
            pa_stream_write(stream, data, frames * stride, nullptr, 0, PA_SEEK_RELATIVE);
            bytes -= std::min(bytes, frames * stride);
            if (frames == 0)
                return;
        }
    }
};

bool TZylPulseBackend::ServerAnswers() {
    return TZylPulseConnection().Connected();
}

std::vector<TZylPulseSink> ZylListPulseSinks() {
    return TZylPulseConnection().ListSinks();
}

TZylDeviceId ZylPulseDeviceId(const TZylPulseSink& sink) {
    return ZylServerSinkId(kBackendName, sink.Name);
}

std::unique_ptr<TZylPulseBackend> TZylPulseBackend::Create(const TZylDeviceId* id,
                                                           ZylResult* result) {
    std::unique_ptr<TZylPulseBackend> backend(new TZylPulseBackend());
    *result = backend->Start(id);
    if (*result != DS_OK)
        backend.reset();
    return backend;
}

TZylPulseBackend::TZylPulseBackend() : TZylServerBackend(kBackendName, kFallbackRate) {}

TZylPulseBackend::~TZylPulseBackend() {
    Close();
}

std::vector<std::string> TZylPulseBackend::SinkNames() {
    std::vector<std::string> names;
    for (const auto& sink : Connection.ListSinks())
        names.push_back(sink.Name);
    return names;
}

bool TZylPulseBackend::ConnectStream(uint32_t channels, uint32_t rate) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, rate, static_cast<uint8_t>(channels)};
    pa_channel_map map;
    pa_channel_map_init_auto(&map, channels, PA_CHANNEL_MAP_DEFAULT);
    const double ms = ZylChooseLatencyMs(ZylLatencySetting(), kServerPreferredMs);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength =
        static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(ms * 1000), &spec));
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    StreamFailed.store(false);

    Connection.Lock();
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    Stream = pa_stream_new_with_proplist(Connection.Context(), kStreamName, &spec, &map, props);
    pa_proplist_free(props);
    bool ready = false;
    if (Stream != nullptr) {
        pa_stream_set_state_callback(Stream, &TEvents::State, this);
        pa_stream_set_write_callback(Stream, &TEvents::Write, this);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
        if (pa_stream_connect_playback(Stream, TargetSink.empty() ? nullptr : TargetSink.c_str(),
                                       &attr, flags, nullptr, nullptr) == 0) {
            while (pa_stream_get_state(Stream) == PA_STREAM_CREATING && !Connection.HasLost())
                Connection.Wait();
            ready = pa_stream_get_state(Stream) == PA_STREAM_READY;
        }
    }
    const std::string refusal = pa_strerror(pa_context_errno(Connection.Context()));
    Connection.Unlock();
    if (!ready)
        ZylSetDeviceReason("PulseAudio refused the stream: %s.", refusal.c_str());
    return ready;
}

void TZylPulseBackend::Close() {
    Streaming.store(false);
    if (Stream == nullptr)
        return;
    Connection.Lock();
    pa_stream_set_state_callback(Stream, nullptr, nullptr);
    pa_stream_set_write_callback(Stream, nullptr, nullptr);
    pa_stream_disconnect(Stream);
    pa_stream_unref(Stream);
    Stream = nullptr;
    Connection.Unlock();
}

// Corked, the server asks for nothing. What it still holds is silence:
// Resume drops it before uncorking, so that the refill it asks for, which the
// mixer renders with the voice just played, is what is heard first.
bool TZylPulseBackend::Pause() {
    if (Stream == nullptr)
        return false;
    Connection.Lock();
    pa_operation* cork = pa_stream_cork(Stream, 1, nullptr, nullptr);
    Connection.Unlock();
    if (cork == nullptr)
        return false;
    pa_operation_unref(cork);
    return true;
}

bool TZylPulseBackend::Resume() {
    if (Stream == nullptr)
        return true;
    Connection.Lock();
    pa_operation* flush = pa_stream_flush(Stream, nullptr, nullptr);
    pa_operation* uncork = pa_stream_cork(Stream, 0, nullptr, nullptr);
    Connection.Unlock();
    if (flush != nullptr)
        pa_operation_unref(flush);
    if (uncork != nullptr)
        pa_operation_unref(uncork);
    return uncork != nullptr && TZylServerBackend::Resume();
}

double TZylPulseBackend::OutputLatency() {
    if (Stream == nullptr)
        return 0.0;
    Connection.Lock();
    pa_usec_t usec = 0;
    int negative = 0;
    const bool known = pa_stream_get_latency(Stream, &usec, &negative) == 0 && negative == 0;
    Connection.Unlock();
    return known ? usec / 1e6 : 0.0;
}
