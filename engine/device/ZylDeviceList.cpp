#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylBackendProbe.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylPipeWireBackend.h"
#include "engine/device/ZylPortAudioBackend.h"
#include "engine/device/ZylPulseBackend.h"

#include <memory>

namespace {

constexpr char kDefaultDeviceText[] = "Default output device";
constexpr char kNullDeviceText[] = "Null output (no sound)";
constexpr char kJackDeviceText[] = "JACK: default server";

// The server's default output first, then each sink under the server's own
// name for it; the identifier digests the sink's stable name, so an entry
// keeps its place and meaning across server restarts.
template <typename TSink>
void ListSinks(TZylDeviceList& list, const char* defaultText, const std::vector<TSink>& sinks,
               TZylDeviceId (*idOf)(const TSink&)) {
    list.push_back({defaultText, nullptr});
    for (const TSink& sink : sinks)
        list.push_back({sink.Description, new TZylDeviceId(idOf(sink))});
}

void ListPortAudio(TZylDeviceList& list) {
    auto session = std::make_unique<TZylPortAudioSession>();
    if (session->Result() != DS_OK)
        return;
    const std::vector<TZylPortAudioDevice> devices = ZylListPortAudioDevices();
    ZylKeepSessionForFirstOpen(std::move(session));
    if (devices.empty())
        return;
    list.push_back({kDefaultDeviceText, nullptr});
    for (const TZylPortAudioDevice& device : devices)
        list.push_back({device.Text, new TZylDeviceId(device.Id)});
}

} // namespace

int EnumerateOutputDevices(TZylDeviceList& list) {
    // Identifiers of an earlier listing would otherwise leak with the items.
    FreeOutputDeviceList(list);
    list.clear();
    switch (ZylResolveBackend(ZylCurrentAudioChoice().Kind)) {
    case TZylBackendKind::Null:
        // One output each: no device to choose.
        list.push_back({kNullDeviceText, nullptr});
        break;
    case TZylBackendKind::Jack:
        list.push_back({kJackDeviceText, nullptr});
        break;
    case TZylBackendKind::PipeWire:
        ListSinks(list, "PipeWire: default output", ZylListPipeWireSinks(), &ZylPipeWireDeviceId);
        break;
    case TZylBackendKind::Pulse:
        ListSinks(list, "PulseAudio: default output", ZylListPulseSinks(), &ZylPulseDeviceId);
        break;
    default:
        ListPortAudio(list);
        break;
    }
    return static_cast<int>(list.size());
}

void FreeOutputDeviceList(TZylDeviceList& list) {
    for (auto item = list.rbegin(); item != list.rend(); ++item) {
        delete item->Object;
        item->Object = nullptr;
    }
}
