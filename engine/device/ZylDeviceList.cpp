#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylPortAudioBackend.h"

#include <memory>

namespace {

constexpr char kDefaultDeviceText[] = "Default output device";
constexpr char kNullDeviceText[] = "Null output (no sound)";
constexpr char kJackDeviceText[] = "JACK: default server";

} // namespace

int EnumerateOutputDevices(TZylDeviceList& list) {
    // Identifiers of an earlier listing would otherwise leak with the items.
    FreeOutputDeviceList(list);
    list.clear();
    const TZylAudioChoice choice = ZylCurrentAudioChoice();
    if (choice.UseNull || choice.UseJack) {
        // One output each: no device to choose, and no PortAudio to start.
        list.push_back({choice.UseNull ? kNullDeviceText : kJackDeviceText, nullptr});
        return static_cast<int>(list.size());
    }
    auto session = std::make_unique<TZylPortAudioSession>();
    if (session->Result() != DS_OK)
        return 0;
    const std::vector<TZylPortAudioDevice> devices = ZylListPortAudioDevices();
    ZylKeepSessionForFirstOpen(std::move(session));
    if (devices.empty())
        return 0;
    list.push_back({kDefaultDeviceText, nullptr});
    for (const TZylPortAudioDevice& device : devices)
        list.push_back({device.Text, new TZylDeviceId(device.Id)});
    return static_cast<int>(list.size());
}

void FreeOutputDeviceList(TZylDeviceList& list) {
    for (auto item = list.rbegin(); item != list.rend(); ++item) {
        delete item->Object;
        item->Object = nullptr;
    }
}
