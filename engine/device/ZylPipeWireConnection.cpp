#include "engine/device/ZylPipeWireConnection.h"

#include "engine/device/ZylServerSocket.h"

#include <pipewire/pipewire.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

// How long a request may take before the daemon counts as not answering.
constexpr int kAnswerSeconds = 2;

uint32_t NumberProp(const spa_dict* props, const char* key) {
    const char* value = props != nullptr ? spa_dict_lookup(props, key) : nullptr;
    return value != nullptr ? static_cast<uint32_t>(std::strtoul(value, nullptr, 10)) : 0;
}

} // namespace

void ZylPipeWireInit() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

// The loop thread's side: every callback runs there with the loop locked.
struct TZylPipeWireEvents {
    static void Info(void* self, const pw_core_info* info) {
        auto* connection = static_cast<TZylPipeWireConnection*>(self);
        if (const uint32_t rate = NumberProp(info->props, "default.clock.rate"))
            connection->Rate.store(rate);
        if (const uint32_t quantum = NumberProp(info->props, "default.clock.quantum"))
            connection->Quantum.store(quantum);
    }

    static void Done(void* self, uint32_t id, int seq) {
        auto* connection = static_cast<TZylPipeWireConnection*>(self);
        if (id == PW_ID_CORE && seq == connection->PendingSeq) {
            connection->SyncDone = true;
            pw_thread_loop_signal(connection->ThreadLoop, false);
        }
    }

    static void Error(void* self, uint32_t id, int, int res, const char*) {
        // Only an error on the core itself ends the connection; a stream's
        // errors reach its own listener.
        if (id == PW_ID_CORE && res == -EPIPE)
            static_cast<TZylPipeWireConnection*>(self)->NoteLoss();
    }

    static void Global(void* self, uint32_t, uint32_t, const char* type, uint32_t,
                       const spa_dict* props) {
        if (props == nullptr || std::strcmp(type, PW_TYPE_INTERFACE_Node) != 0)
            return;
        const char* mediaClass = spa_dict_lookup(props, PW_KEY_MEDIA_CLASS);
        const char* name = spa_dict_lookup(props, PW_KEY_NODE_NAME);
        if (mediaClass == nullptr || name == nullptr || std::strcmp(mediaClass, "Audio/Sink") != 0)
            return;
        const char* description = spa_dict_lookup(props, PW_KEY_NODE_DESCRIPTION);
        auto* connection = static_cast<TZylPipeWireConnection*>(self);
        connection->Sinks.push_back({name, description != nullptr ? description : name});
    }
};

struct TZylPipeWireConnection::TListeners {
    pw_core_events CoreEvents{};
    spa_hook CoreHook{};
    pw_registry_events RegistryEvents{};
};

TZylPipeWireConnection::TZylPipeWireConnection() {
    const std::string socket = ZylPipeWireSocketPath();
    if (!socket.empty() && !ZylSocketAnswers(socket))
        return;
    ZylPipeWireInit();
    Hooks = new TListeners();
    Hooks->CoreEvents.version = PW_VERSION_CORE_EVENTS;
    Hooks->CoreEvents.info = &TZylPipeWireEvents::Info;
    Hooks->CoreEvents.done = &TZylPipeWireEvents::Done;
    Hooks->CoreEvents.error = &TZylPipeWireEvents::Error;
    Hooks->RegistryEvents.version = PW_VERSION_REGISTRY_EVENTS;
    Hooks->RegistryEvents.global = &TZylPipeWireEvents::Global;
    ThreadLoop = pw_thread_loop_new("vexaline-pipewire", nullptr);
    if (ThreadLoop == nullptr)
        return;
    // The real-time client configuration: the stream's data thread asks for
    // real-time scheduling, as the daemon's own players do.
    Context = pw_context_new(pw_thread_loop_get_loop(ThreadLoop),
                             pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    if (Context == nullptr || pw_thread_loop_start(ThreadLoop) != 0)
        return;
    pw_thread_loop_lock(ThreadLoop);
    Core = pw_context_connect(Context, nullptr, 0);
    if (Core != nullptr) {
        pw_core_add_listener(Core, &Hooks->CoreHook, &Hooks->CoreEvents, this);
        // The first answer brings the daemon's clock settings with it.
        if (!Sync()) {
            spa_hook_remove(&Hooks->CoreHook);
            pw_core_disconnect(Core);
            Core = nullptr;
        }
    }
    pw_thread_loop_unlock(ThreadLoop);
}

TZylPipeWireConnection::~TZylPipeWireConnection() {
    if (ThreadLoop != nullptr)
        pw_thread_loop_stop(ThreadLoop);
    if (Core != nullptr) {
        spa_hook_remove(&Hooks->CoreHook);
        pw_core_disconnect(Core);
    }
    if (Context != nullptr)
        pw_context_destroy(Context);
    if (ThreadLoop != nullptr)
        pw_thread_loop_destroy(ThreadLoop);
    delete Hooks;
}

// With the loop locked.
bool TZylPipeWireConnection::Sync() {
    SyncDone = false;
    PendingSeq = pw_core_sync(Core, PW_ID_CORE, 0);
    while (!SyncDone && !Lost.load())
        if (pw_thread_loop_timed_wait(ThreadLoop, kAnswerSeconds) != 0)
            return false;
    return SyncDone;
}

void TZylPipeWireConnection::NoteLoss() {
    Lost.store(true);
    pw_thread_loop_signal(ThreadLoop, false);
}

std::vector<TZylPipeWireSink> TZylPipeWireConnection::ListSinks() {
    if (!Connected())
        return {};
    pw_thread_loop_lock(ThreadLoop);
    Sinks.clear();
    pw_registry* registry = pw_core_get_registry(Core, PW_VERSION_REGISTRY, 0);
    spa_hook hook{};
    if (registry != nullptr) {
        pw_registry_add_listener(registry, &hook, &Hooks->RegistryEvents, this);
        Sync();
        spa_hook_remove(&hook);
        pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
    }
    std::vector<TZylPipeWireSink> sinks = std::move(Sinks);
    pw_thread_loop_unlock(ThreadLoop);
    std::sort(sinks.begin(), sinks.end(), [](const TZylPipeWireSink& a, const TZylPipeWireSink& b) {
        return a.NodeName < b.NodeName;
    });
    return sinks;
}
