#include "engine/device/ZylOutput.h"

#include "diag/Diag.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylNullBackend.h"
#include "engine/device/ZylPortAudioBackend.h"
#include "engine/device/ZylSampleFormat.h"

namespace {

constexpr std::chrono::milliseconds kReopenPeriod{1000};

} // namespace

bool ZylIsPlayableFormat(const TWaveFormatEx& format) {
    TZylSampleType type;
    return ZylSampleTypeOf(format.wFormatTag, format.wBitsPerSample, &type) &&
           (format.nChannels == 1 || format.nChannels == 2) &&
           format.nSamplesPerSec >= kZylMinFrequency && format.nSamplesPerSec <= kZylMaxFrequency &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

TZylOutput::TZylOutput(std::unique_ptr<TZylBackend> backend, const TZylAudioChoice& choice,
                       const TZylDeviceId* id, int converter)
    : Choice(choice), HasId(id != nullptr), Id(id != nullptr ? *id : TZylDeviceId{}),
      Converter(converter), MixerPart(new TZylMixer()), Backend(std::move(backend)) {}

TZylOutput::~TZylOutput() {
    Shutdown();
}

std::unique_ptr<TZylBackend> TZylOutput::MakeBackend(const TZylAudioChoice& choice,
                                                     const TZylDeviceId* id, ZylResult* result) {
    *result = DS_OK;
    if (choice.UseNull)
        return std::make_unique<TZylNullBackend>(choice.HandStepped, choice.CapturePath);
    return TZylPortAudioBackend::Create(id, choice.HostApi, result);
}

ZylResult TZylOutput::Create(const TZylDeviceId* id, std::shared_ptr<TZylOutput>* output) {
    const TZylAudioChoice choice = ZylCurrentAudioChoice();
    ZylResult result = DS_OK;
    std::unique_ptr<TZylBackend> backend = MakeBackend(choice, id, &result);
    if (backend == nullptr)
        return result;
    output->reset(new TZylOutput(std::move(backend), choice, id, ZylCurrentConverter()));
    return DS_OK;
}

ZylResult TZylOutput::SetFormat(const TWaveFormatEx& format) {
    if (!ZylIsPlayableFormat(format))
        return DSERR_BADFORMAT;
    std::lock_guard<std::mutex> lock(BackendMutex);
    if (Backend == nullptr)
        return DSERR_UNINITIALIZED;
    Backend->Close();
    Streaming = false;
    MixerPart->SetFormat(format);
    const ZylResult result = Backend->Open(format, MixerPart.get());
    Streaming = result == DS_OK;
    return result;
}

void TZylOutput::Shutdown() {
    Reopen.Stop();
    std::lock_guard<std::mutex> lock(BackendMutex);
    if (Backend != nullptr)
        Backend->Close();
    Backend.reset();
    Streaming = false;
}

double TZylOutput::OutputLatency() {
    std::lock_guard<std::mutex> lock(BackendMutex);
    return Backend != nullptr ? Backend->OutputLatency() : 0.0;
}

bool TZylOutput::CheckLost() {
    std::lock_guard<std::mutex> lock(BackendMutex);
    if (Lost || !Streaming || !Backend->HasFailed())
        return Lost;
    Lost = true;
    DIAG_REPORT(kDiagReported, "ZylAudio: Dispositivo de sonido perdido [%s]",
                ZylDSResultName(DSERR_BUFFERLOST));
    // The old stream goes first: a sound server lets a client reconnect only
    // once the dead connection is closed.
    Backend->Close();
    Backend.reset();
    Backend = std::make_unique<TZylNullBackend>(Choice.HandStepped, std::string());
    Streaming = Backend->Open(MixerPart->Format(), MixerPart.get()) == DS_OK;
    // The Null device cannot come back: its stand-in is all there is.
    if (!Choice.UseNull)
        Reopen.Start([this] { return TryReopen(); }, kReopenPeriod);
    return true;
}

bool TZylOutput::TryReopen() {
    ZylResult result = DS_OK;
    std::unique_ptr<TZylBackend> device = MakeBackend(Choice, HasId ? &Id : nullptr, &result);
    if (device == nullptr)
        return false;
    std::lock_guard<std::mutex> lock(BackendMutex);
    Backend->Close();
    if (device->Open(MixerPart->Format(), MixerPart.get()) != DS_OK) {
        Streaming = Backend->Open(MixerPart->Format(), MixerPart.get()) == DS_OK;
        return false;
    }
    Backend = std::move(device);
    Streaming = true;
    Lost = false;
    DIAG_REPORT(kDiagReported, "ZylAudio: Dispositivo de sonido recuperado");
    return true;
}
