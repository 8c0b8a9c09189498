#include "engine/device/ZylOutput.h"

#include "diag/Diag.h"
#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylNullBackend.h"
#include "engine/device/ZylPortAudioBackend.h"

bool ZylIsPlayableFormat(const TWaveFormatEx& format) {
    return format.wFormatTag == kWaveFormatPcm &&
           (format.nChannels == 1 || format.nChannels == 2) &&
           (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
           format.nSamplesPerSec >= kZylMinFrequency && format.nSamplesPerSec <= kZylMaxFrequency &&
           format.nBlockAlign == format.nChannels * format.wBitsPerSample / 8;
}

TZylOutput::TZylOutput(std::unique_ptr<TZylBackend> backend, int converter, bool handStepped)
    : Backend(std::move(backend)), MixerPart(new TZylMixer()), Converter(converter),
      HandStepped(handStepped) {}

TZylOutput::~TZylOutput() {
    Shutdown();
}

ZylResult TZylOutput::Create(const TZylDeviceId* id, std::shared_ptr<TZylOutput>* output) {
    const TZylAudioChoice choice = ZylCurrentAudioChoice();
    std::unique_ptr<TZylBackend> backend;
    ZylResult result = DS_OK;
    if (choice.UseNull)
        backend = std::make_unique<TZylNullBackend>(choice.HandStepped, choice.CapturePath);
    else
        backend = TZylPortAudioBackend::Create(id, &result);
    if (backend == nullptr)
        return result;
    output->reset(new TZylOutput(std::move(backend), ZylCurrentConverter(), choice.HandStepped));
    return DS_OK;
}

ZylResult TZylOutput::SetFormat(const TWaveFormatEx& format) {
    if (!ZylIsPlayableFormat(format))
        return DSERR_BADFORMAT;
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
    if (Backend != nullptr)
        Backend->Close();
    Backend.reset();
    Streaming = false;
}

double TZylOutput::OutputLatency() {
    return Backend != nullptr ? Backend->OutputLatency() : 0.0;
}

bool TZylOutput::CheckLost() {
    if (Lost || !Streaming || !Backend->HasFailed())
        return Lost;
    Lost = true;
    DIAG_REPORT(kDiagReported, "ZylAudio: Dispositivo de sonido perdido [%s]",
                ZylDSResultName(DSERR_BUFFERLOST));
    Backend->Close();
    Backend = std::make_unique<TZylNullBackend>(HandStepped, std::string());
    Streaming = Backend->Open(MixerPart->Format(), MixerPart.get()) == DS_OK;
    return true;
}
