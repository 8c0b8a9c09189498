#include "engine/device/ZylPortAudioBackend.h"

#include "engine/device/ZylRenderThread.h"

#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDeviceDigest.h"
#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylQuietStderr.h"
#include "engine/device/ZylServerSocket.h"

#include <portaudio.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>

namespace {

// A stream whose callback has not run for this long has stalled: a device
// that vanished without PortAudio noticing.
constexpr int64_t kStallNs = 2'000'000'000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ZylResult ResultFromPaError(PaError error) {
    switch (error) {
    case paNoError:
        return DS_OK;
    case paNotInitialized:
        return DSERR_UNINITIALIZED;
    case paInvalidChannelCount:
    case paInvalidSampleRate:
    case paSampleFormatNotSupported:
        return DSERR_BADFORMAT;
    case paInvalidDevice:
        return DSERR_NODRIVER;
    case paDeviceUnavailable:
        return DSERR_ALLOCATED;
    case paInsufficientMemory:
        return DSERR_OUTOFMEMORY;
    case paInvalidFlag:
    case paBadStreamPtr:
    case paBadIODeviceCombination:
        return DSERR_INVALIDPARAM;
    default:
        return DSERR_GENERIC;
    }
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
    auto lower = [](std::string value) {
        std::transform(value.begin(), value.end(), value.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return value;
    };
    return lower(text).find(lower(part)) != std::string::npos;
}

PaDeviceIndex DefaultOutputOf(const std::string& hostApi) {
    for (PaHostApiIndex api = 0; api < Pa_GetHostApiCount(); ++api) {
        const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
        if (info != nullptr && ContainsIgnoringCase(info->name, hostApi))
            return info->defaultOutputDevice;
    }
    return paNoDevice;
}

// ALSA's plugin devices ("default", "pulse", "pipewire") feed a sound
// server through a buffer of their own: below the host's default high
// latency they break up, and they drag the server's period down for
// everyone. Hardware devices ("(hw:0,0)") take what the options ask.
bool IsAlsaPlugin(const PaDeviceInfo& info) {
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info.hostApi);
    return host != nullptr && host->type == paALSA && std::strstr(info.name, "(hw:") == nullptr;
}

// The desktop servers answering now, which an ALSA plugin device plays
// through. Which one it is, only ALSA's configuration knows: a stream lost
// with them waits for all of them to be back.
std::vector<std::string> AnsweringServers() {
    std::vector<std::string> servers;
    for (const std::string& socket : {ZylPipeWireSocketPath(), ZylPulseSocketPath()})
        if (ZylSocketAnswers(socket))
            servers.push_back(socket);
    return servers;
}

// In seconds.
double SuggestedLatency(const PaDeviceInfo& info) {
    const double asked =
        ZylChooseLatencyMs(ZylLatencySetting(), info.defaultLowOutputLatency * 1000) / 1000;
    return IsAlsaPlugin(info) ? std::max(asked, info.defaultHighOutputLatency) : asked;
}

std::mutex gKeptMutex;
std::unique_ptr<TZylPortAudioSession> gKept;
bool gFirstOpenDone = false;

void ReleaseKeptSession() {
    std::lock_guard<std::mutex> lock(gKeptMutex);
    gFirstOpenDone = true;
    gKept.reset();
}

} // namespace

void ZylKeepSessionForFirstOpen(std::unique_ptr<TZylPortAudioSession> session) {
    std::lock_guard<std::mutex> lock(gKeptMutex);
    if (!gFirstOpenDone && gKept == nullptr)
        gKept = std::move(session);
}

TZylPortAudioSession::TZylPortAudioSession() {
    TZylQuietStderr quiet;
    InitResult = ResultFromPaError(Pa_Initialize());
}

TZylPortAudioSession::~TZylPortAudioSession() {
    if (InitResult == DS_OK)
        Pa_Terminate();
}

std::vector<TZylPortAudioDevice> ZylListPortAudioDevices() {
    std::vector<TZylPortAudioDevice> devices;
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex index = 0; index < count; ++index) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
        if (info == nullptr || info->maxOutputChannels <= 0)
            continue;
        const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
        const char* hostName = host != nullptr ? host->name : "";
        TZylPortAudioDevice device;
        device.Index = index;
        device.Text = std::string(hostName) + ": " + info->name;
        device.Id = ZylDigestDevice(hostName, info->name);
        devices.push_back(std::move(device));
    }
    return devices;
}

std::unique_ptr<TZylPortAudioBackend> TZylPortAudioBackend::Create(const TZylDeviceId* id,
                                                                   const std::string& hostApi,
                                                                   ZylResult* result) {
    std::unique_ptr<TZylPortAudioBackend> backend(new TZylPortAudioBackend());
    ReleaseKeptSession();
    *result = backend->Session.Result();
    if (*result != DS_OK) {
        ZylSetDeviceReason("PortAudio could not start the sound system.");
        return nullptr;
    }
    const std::vector<TZylPortAudioDevice> devices = ZylListPortAudioDevices();
    if (id == nullptr) {
        // Without a default, the first output the system offers stands in.
        backend->DeviceIndex =
            hostApi.empty() ? Pa_GetDefaultOutputDevice() : DefaultOutputOf(hostApi);
        if (backend->DeviceIndex == paNoDevice && !devices.empty())
            backend->DeviceIndex = devices.front().Index;
    } else {
        for (const TZylPortAudioDevice& device : devices)
            if (ZylSameDevice(device.Id, *id))
                backend->DeviceIndex = device.Index;
    }
    if (backend->DeviceIndex == paNoDevice) {
        ZylSetDeviceReason(id != nullptr ? "PortAudio has no such output now: the chosen device is "
                                           "missing. Choose another one in the options."
                                         : "PortAudio found no sound output.");
        *result = DSERR_NODRIVER;
        return nullptr;
    }
    return backend;
}

TZylPortAudioBackend::~TZylPortAudioBackend() {
    Close();
}

ZylResult TZylPortAudioBackend::Open(const TWaveFormatEx& format, TZylMixer* mixer) {
    Close();
    const PaDeviceInfo* info = Pa_GetDeviceInfo(DeviceIndex);
    if (info == nullptr)
        return DSERR_NODRIVER;
    PaStreamParameters output{};
    output.device = DeviceIndex;
    output.channelCount = format.nChannels;
    Channels = format.nChannels;
    // The mixer works in float: a float stream hands the device every bit
    // the buffers carry, 24-bit sources included.
    output.sampleFormat = paFloat32;
    output.suggestedLatency = SuggestedLatency(*info);
    Mixer = mixer;
    TZylQuietStderr quiet;
    // A device that refuses the asked rate plays at its own; the mixer
    // converts, so pitch stays right.
    PaError error = StartStream(output, format.nSamplesPerSec);
    if (error == paInvalidSampleRate && info->defaultSampleRate > 0)
        error = StartStream(output, static_cast<uint32_t>(info->defaultSampleRate));
    if (error != paNoError)
        ZylSetDeviceReason("PortAudio could not open %s: %s.", info->name, Pa_GetErrorText(error));
    Servers = IsAlsaPlugin(*info) ? AnsweringServers() : std::vector<std::string>{};
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
    OnJack = host != nullptr && host->type == paJACK;
    Paused = ResumeFailed = false;
    return ResultFromPaError(error);
}

PaError TZylPortAudioBackend::StartStream(const PaStreamParameters& output, uint32_t rate) {
    PaError error = Pa_IsFormatSupported(nullptr, &output, rate);
    if (error != paFormatIsSupported)
        return error;
    Mixer->SetStream(TZylSampleType::F32, rate);
    StreamFinished.store(false);
    LastCallbackNs.store(NowNs());
    error = Pa_OpenStream(&Stream, nullptr, &output, rate, paFramesPerBufferUnspecified, paNoFlag,
                          &Callback, this);
    if (error == paNoError)
        error = Pa_SetStreamFinishedCallback(Stream, &Finished);
    if (error == paNoError)
        error = Pa_StartStream(Stream);
    if (error != paNoError) {
        if (Stream != nullptr)
            Pa_CloseStream(Stream);
        Stream = nullptr;
    }
    return error;
}

void TZylPortAudioBackend::Close() {
    if (Stream == nullptr)
        return;
    Pa_AbortStream(Stream);
    Pa_CloseStream(Stream);
    Stream = nullptr;
}

bool TZylPortAudioBackend::Pause() {
    if (Stream == nullptr || OnJack || Paused)
        return false;
    if (Pa_AbortStream(Stream) != paNoError)
        return false;
    Paused = true;
    return true;
}

bool TZylPortAudioBackend::Resume() {
    if (Stream == nullptr || !Paused)
        return true;
    Paused = false;
    StreamFinished.store(false);
    LastCallbackNs.store(NowNs());
    TZylQuietStderr quiet;
    ResumeFailed = Pa_StartStream(Stream) != paNoError;
    return !ResumeFailed;
}

bool TZylPortAudioBackend::HasFailed() {
    if (Stream == nullptr)
        return false;
    if (ResumeFailed)
        return true;
    if (Paused)
        return false;
    return StreamFinished.load() || Pa_IsStreamActive(Stream) != 1 ||
           NowNs() - LastCallbackNs.load() > kStallNs;
}

double TZylPortAudioBackend::OutputLatency() {
    const PaStreamInfo* info = Stream != nullptr ? Pa_GetStreamInfo(Stream) : nullptr;
    return info != nullptr ? info->outputLatency : 0.0;
}

int TZylPortAudioBackend::Callback(const void*, void* output, unsigned long frames,
                                   const PaStreamCallbackTimeInfo*, unsigned long, void* self) {
    auto* backend = static_cast<TZylPortAudioBackend*>(self);
    ZylFavourRenderThread();
    backend->Gate.Render(backend->Mixer, static_cast<float*>(output), static_cast<uint32_t>(frames),
                         backend->Channels);
    backend->LastCallbackNs.store(NowNs(), std::memory_order_relaxed);
    return paContinue;
}

void TZylPortAudioBackend::Finished(void* self) {
    static_cast<TZylPortAudioBackend*>(self)->StreamFinished.store(true);
}
