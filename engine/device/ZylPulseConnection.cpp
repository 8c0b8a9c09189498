#include "engine/device/ZylPulseConnection.h"

#include "engine/device/ZylServerSocket.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

struct TZylPulseConnection::TEvents {
    static void State(pa_context* context, void* self) {
        auto* connection = static_cast<TZylPulseConnection*>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY)
            connection->Ready = true;
        if (!PA_CONTEXT_IS_GOOD(state))
            connection->Lost.store(true);
        pa_threaded_mainloop_signal(connection->MainLoop, 0);
    }

    static void ServerInfo(pa_context*, const pa_server_info* info, void* self) {
        auto* connection = static_cast<TZylPulseConnection*>(self);
        if (info != nullptr)
            connection->Rate = info->sample_spec.rate;
        pa_threaded_mainloop_signal(connection->MainLoop, 0);
    }

    static void Sink(pa_context*, const pa_sink_info* info, int eol, void* self) {
        auto* connection = static_cast<TZylPulseConnection*>(self);
        if (eol == 0 && info != nullptr)
            connection->Sinks.push_back(
                {info->name, info->description != nullptr ? info->description : info->name});
        pa_threaded_mainloop_signal(connection->MainLoop, 0);
    }
};

TZylPulseConnection::TZylPulseConnection() {
    const std::string socket = ZylPulseSocketPath();
    if (!socket.empty() && !ZylSocketAnswers(socket)) {
        Lost.store(true);
        return;
    }
    MainLoop = pa_threaded_mainloop_new();
    if (MainLoop == nullptr)
        return;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Vexaline");
    ContextObject =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(MainLoop), "Vexaline", props);
    pa_proplist_free(props);
    if (ContextObject == nullptr || pa_threaded_mainloop_start(MainLoop) < 0)
        return;
    Lock();
    pa_context_set_state_callback(ContextObject, &TEvents::State, this);
    if (pa_context_connect(ContextObject, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        Lost.store(true);
    while (!Ready && !Lost.load())
        Wait();
    if (Connected())
        Await(pa_context_get_server_info(ContextObject, &TEvents::ServerInfo, this));
    Unlock();
}

TZylPulseConnection::~TZylPulseConnection() {
    if (MainLoop != nullptr)
        pa_threaded_mainloop_stop(MainLoop);
    if (ContextObject != nullptr) {
        pa_context_set_state_callback(ContextObject, nullptr, nullptr);
        pa_context_disconnect(ContextObject);
        pa_context_unref(ContextObject);
    }
    if (MainLoop != nullptr)
        pa_threaded_mainloop_free(MainLoop);
}

void TZylPulseConnection::Lock() {
    pa_threaded_mainloop_lock(MainLoop);
}

void TZylPulseConnection::Unlock() {
    pa_threaded_mainloop_unlock(MainLoop);
}

void TZylPulseConnection::Wait() {
    pa_threaded_mainloop_wait(MainLoop);
}

void TZylPulseConnection::Await(pa_operation* operation) {
    if (operation == nullptr)
        return;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING && !Lost.load())
        Wait();
    pa_operation_unref(operation);
}

std::vector<TZylPulseSink> TZylPulseConnection::ListSinks() {
    if (!Connected())
        return {};
    Lock();
    Sinks.clear();
    Await(pa_context_get_sink_info_list(ContextObject, &TEvents::Sink, this));
    std::vector<TZylPulseSink> sinks = std::move(Sinks);
    Unlock();
    std::sort(sinks.begin(), sinks.end(),
              [](const TZylPulseSink& a, const TZylPulseSink& b) { return a.Name < b.Name; });
    return sinks;
}
