#include "engine/device/ZylPipeWireBackend.h"

#include "engine/device/ZylRenderThread.h"

#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylMixer.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

constexpr char kBackendName[] = "PipeWire";
constexpr char kNodeName[] = "Vexaline";
// The graph rate when the daemon does not say.
constexpr uint32_t kFallbackRate = 48000;
// How long the daemon may take to set the stream up.
constexpr int kSetUpSeconds = 2;

// The stream's latency in frames at rate, for node.latency.
uint32_t LatencyFrames(const TZylPipeWireConnection& connection, uint32_t rate) {
    const double serverMs =
        connection.ClockQuantum() != 0 ? connection.ClockQuantum() * 1000.0 / rate : 0.0;
    const double ms = ZylChooseLatencyMs(ZylLatencySetting(), serverMs);
    return std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(ms * rate / 1000.0)));
}

} // namespace

struct TZylPipeWireBackend::TStreamHook {
    pw_stream_events Events{};
    spa_hook Hook{};
    std::string Error;
    bool Settled = false;
};

// The loop thread's side. Process runs on the daemon's real-time data
// thread: it only renders the mixer into the buffer the daemon hands over.
struct TZylPipeWireBackend::TEvents {
    static void StateChanged(void* self, pw_stream_state, pw_stream_state state,
                             const char* error) {
        auto* backend = static_cast<TZylPipeWireBackend*>(self);
        TStreamHook& hook = *backend->Hook;
        if (state == PW_STREAM_STATE_ERROR ||
            (state == PW_STREAM_STATE_UNCONNECTED && backend->Streaming.load())) {
            hook.Error = error != nullptr ? error : "the stream ended";
            backend->StreamFailed.store(true);
        }
        if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING ||
            state == PW_STREAM_STATE_ERROR) {
            hook.Settled = true;
            pw_thread_loop_signal(backend->Connection.Loop(), false);
        }
    }

    static void Process(void* self) {
        auto* backend = static_cast<TZylPipeWireBackend*>(self);
        ZylFavourRenderThread();
        pw_buffer* buffer = pw_stream_dequeue_buffer(backend->Stream);
        if (buffer == nullptr)
            return;
        spa_data& data = buffer->buffer->datas[0];
        if (data.data != nullptr) {
            const uint32_t stride = sizeof(float) * backend->Channels;
            uint64_t frames = data.maxsize / stride;
            if (buffer->requested != 0)
                frames = std::min<uint64_t>(frames, buffer->requested);
            backend->Gate.Render(backend->Mixer, static_cast<float*>(data.data),
                                 static_cast<uint32_t>(frames), backend->Channels);
            data.chunk->offset = 0;
            data.chunk->stride = static_cast<int32_t>(stride);
            data.chunk->size = static_cast<uint32_t>(frames) * stride;
        }
        pw_stream_queue_buffer(backend->Stream, buffer);
    }
};

bool TZylPipeWireBackend::ServerAnswers() {
    return TZylPipeWireConnection().Connected();
}

std::vector<TZylPipeWireSink> ZylListPipeWireSinks() {
    return TZylPipeWireConnection().ListSinks();
}

TZylDeviceId ZylPipeWireDeviceId(const TZylPipeWireSink& sink) {
    return ZylServerSinkId(kBackendName, sink.NodeName);
}

std::unique_ptr<TZylPipeWireBackend> TZylPipeWireBackend::Create(const TZylDeviceId* id,
                                                                 ZylResult* result) {
    std::unique_ptr<TZylPipeWireBackend> backend(new TZylPipeWireBackend());
    *result = backend->Start(id);
    if (*result != DS_OK)
        backend.reset();
    return backend;
}

TZylPipeWireBackend::TZylPipeWireBackend() : TZylServerBackend(kBackendName, kFallbackRate) {}

TZylPipeWireBackend::~TZylPipeWireBackend() {
    Close();
}

std::vector<std::string> TZylPipeWireBackend::SinkNames() {
    std::vector<std::string> names;
    for (const auto& sink : Connection.ListSinks())
        names.push_back(sink.NodeName);
    return names;
}

bool TZylPipeWireBackend::ConnectStream(uint32_t channels, uint32_t rate) {
    pw_properties* props = pw_properties_new(
        PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE, "Music",
        PW_KEY_APP_NAME, kNodeName, PW_KEY_NODE_NAME, kNodeName, nullptr);
    pw_properties_setf(props, PW_KEY_NODE_LATENCY, "%u/%u", LatencyFrames(Connection, rate), rate);
    if (!TargetSink.empty())
        pw_properties_set(props, PW_KEY_TARGET_OBJECT, TargetSink.c_str());

    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = rate;
    info.channels = channels;
    info.position[0] = channels == 1 ? SPA_AUDIO_CHANNEL_MONO : SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    uint8_t podBytes[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(podBytes, sizeof podBytes);
    const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};

    Hook = std::make_unique<TStreamHook>();
    Hook->Events.version = PW_VERSION_STREAM_EVENTS;
    Hook->Events.state_changed = &TEvents::StateChanged;
    Hook->Events.process = &TEvents::Process;
    StreamFailed.store(false);

    pw_thread_loop* loop = Connection.Loop();
    pw_thread_loop_lock(loop);
    Stream = pw_stream_new(Connection.CoreProxy(), kNodeName, props);
    int error = Stream == nullptr ? -errno : 0;
    if (Stream != nullptr) {
        pw_stream_add_listener(Stream, &Hook->Hook, &Hook->Events, this);
        const auto flags = static_cast<pw_stream_flags>(
            PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
        error = pw_stream_connect(Stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1);
    }
    while (error == 0 && !Hook->Settled && !Connection.HasLost())
        if (pw_thread_loop_timed_wait(loop, kSetUpSeconds) != 0)
            break;
    const bool settled = error == 0 && Hook->Settled && !StreamFailed.load();
    const std::string refusal = error != 0             ? std::strerror(-error)
                                : !Hook->Error.empty() ? Hook->Error
                                                       : "no answer in time";
    pw_thread_loop_unlock(loop);
    if (!settled)
        ZylSetDeviceReason("PipeWire refused the stream: %s.", refusal.c_str());
    return settled;
}

void TZylPipeWireBackend::Close() {
    Streaming.store(false);
    if (Stream == nullptr)
        return;
    pw_thread_loop_lock(Connection.Loop());
    pw_stream_disconnect(Stream);
    spa_hook_remove(&Hook->Hook);
    pw_stream_destroy(Stream);
    Stream = nullptr;
    pw_thread_loop_unlock(Connection.Loop());
}

// An inactive stream is left out of the graph's cycles: its data thread's
// process callback no longer runs.
bool TZylPipeWireBackend::Pause() {
    return Stream != nullptr && SetActive(false);
}

bool TZylPipeWireBackend::Resume() {
    return Stream == nullptr || (SetActive(true) && TZylServerBackend::Resume());
}

bool TZylPipeWireBackend::SetActive(bool active) {
    pw_thread_loop_lock(Connection.Loop());
    const bool done = pw_stream_set_active(Stream, active) == 0;
    pw_thread_loop_unlock(Connection.Loop());
    return done;
}

double TZylPipeWireBackend::OutputLatency() {
    if (Stream == nullptr)
        return 0.0;
    pw_time time{};
    if (pw_stream_get_time_n(Stream, &time, sizeof time) != 0 || time.rate.denom == 0)
        return 0.0;
    return static_cast<double>(time.delay) * time.rate.num / time.rate.denom;
}
