#include "engine/device/ZylServerBackend.h"

#include "engine/device/ZylDeviceDigest.h"
#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylMixer.h"

TZylDeviceId ZylServerSinkId(const char* serverName, const std::string& sinkName) {
    return ZylDigestDevice(serverName, sinkName.c_str());
}

ZylResult TZylServerBackend::Start(const TZylDeviceId* id) {
    if (!Connected()) {
        ZylSetDeviceReason("The %s server is not running.", ServerName);
        return DSERR_NODRIVER;
    }
    if (id == nullptr)
        return DS_OK;
    for (const std::string& name : SinkNames())
        if (ZylSameDevice(ZylServerSinkId(ServerName, name), *id))
            TargetSink = name;
    if (!TargetSink.empty())
        return DS_OK;
    ZylSetDeviceReason("%s has no such output now: the chosen device is missing. Choose another "
                       "one in the options.",
                       ServerName);
    return DSERR_NODRIVER;
}

ZylResult TZylServerBackend::Open(const TWaveFormatEx& format, TZylMixer* mixer) {
    Close();
    if (!Connected()) {
        ZylSetDeviceReason("The %s server has gone away.", ServerName);
        return DSERR_NODRIVER;
    }
    Mixer = mixer;
    Channels = format.nChannels;
    const uint32_t rate = ServerRate() != 0 ? ServerRate() : FallbackRate;
    Mixer->SetStream(TZylSampleType::F32, rate);
    if (!ConnectStream(Channels, rate)) {
        Close();
        return DSERR_GENERIC;
    }
    Streaming.store(true);
    return DS_OK;
}

bool TZylServerBackend::HasFailed() {
    return Streaming.load() && (StreamFailed.load() || ConnectionLost());
}
