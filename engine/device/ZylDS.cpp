#include "engine/device/ZylDS.h"

#include "diag/Diag.h"
#include "engine/device/ZylDeviceReason.h"
#include "engine/device/ZylKeyLock.h"
#include "engine/device/ZylMixer.h"
#include "engine/device/ZylOutput.h"
#include "engine/device/ZylSampleFormat.h"
#include "engine/device/ZylVoice.h"

namespace {

// The platform's largest buffer, and the smallest one it accepts.
constexpr uint64_t kMaxBufferBytes = 0x0FFFFFFF;
constexpr uint64_t kMinBufferBytes = 4;

TZylPcmFormat PcmFormatOf(const TWaveFormatEx& format) {
    TZylPcmFormat pcm;
    pcm.SampleRate = format.nSamplesPerSec;
    pcm.Channels = format.nChannels;
    pcm.BitsPerSample = format.wBitsPerSample;
    pcm.BlockAlign = format.nBlockAlign;
    ZylSampleTypeOf(format.wFormatTag, format.wBitsPerSample, &pcm.Type);
    return pcm;
}

// The size a create asks for, after the millisecond and alignment flags.
uint64_t RequestedSize(const TWaveFormatEx& format, uint32_t size, uint32_t flags,
                       uint32_t alignment) {
    uint64_t bytes = size;
    if ((flags & kZylBufferSizeInMs) != 0) {
        bytes =
            bytes * format.nSamplesPerSec * (format.wBitsPerSample / 8) * format.nChannels / 1000;
        if (format.nBlockAlign != 0)
            bytes -= bytes % format.nBlockAlign;
    }
    if ((flags & kZylBufferAlignUp) != 0 && alignment != 0)
        bytes = (bytes + alignment - 1) / alignment * alignment;
    return bytes;
}

} // namespace

TWaveFormatEx ZylDefaultOutputFormat() {
    TWaveFormatEx format = MakePcmFormat(2, 44100, 16);
    format.cbSize = 0;
    return format;
}

// ---------------------------------------------------------------- device

TZylAudioTAG::~TZylAudioTAG() {
    Close();
}

int TZylAudioTAG::Open(const TZylAudioParams& params) {
    Close();
    Window = params.Window;
    Format = params.Format != nullptr ? *params.Format : ZylDefaultOutputFormat();
    const ZylResult created = TZylOutput::Create(params.DeviceId, &Device);
    if (created != DS_OK) {
        Device.reset();
        LogPrintf("Sound output: no device [%s]", ZylDSResultName(created));
        DIAG_REPORT(kDiagReported, "%s", ZylDeviceReason().c_str());
        return kDiagReported;
    }
    // No other program shares this mixer, so there is no priority level to
    // negotiate: the cooperative-level step cannot fail here.
    Primary = new TZylSoundBufferTAG();
    if (Primary->CreatePrimary(Device, &Format) != 0) {
        delete Primary;
        Primary = nullptr;
        Device->Shutdown();
        Device.reset();
        DIAG_REPORT(kDiagSilent, "%s", "");
        return kDiagSilent;
    }
    if ((params.Flags & kZylAudioPlayPrimary) != 0)
        Primary->Play();
    IsOpen = 1;
    return 0;
}

void TZylAudioTAG::Close() {
    if (IsOpen == 0)
        return;
    delete Primary;
    Primary = nullptr;
    Device->Shutdown();
    Device.reset();
    IsOpen = 0;
}

bool TZylAudioTAG::IsStale() const {
    return IsOpen != 0 && Device->LatencySetting() != ZylLatencySetting();
}

bool TZylAudioTAG::IsLost() {
    return IsOpen != 0 && Device->CheckLost();
}

// ---------------------------------------------------------------- buffers

TZylSoundBufferTAG::~TZylSoundBufferTAG() {
    Release();
}

int TZylSoundBufferTAG::Create(TZylAudioTAG* audio, const TWaveFormatEx* format, uint32_t size,
                               uint32_t flags, uint32_t alignment) {
    Release();
    ZylResult result = DS_OK;
    uint64_t bytes = 0;
    if (audio == nullptr || audio->IsOpen == 0) {
        result = DSERR_UNINITIALIZED;
    } else if (format == nullptr || !ZylIsPlayableFormat(*format)) {
        result = DSERR_BADFORMAT;
    } else {
        bytes = RequestedSize(*format, size, flags, alignment);
        if (bytes < kMinBufferBytes || bytes > kMaxBufferBytes)
            result = DSERR_INVALIDPARAM;
    }
    std::unique_ptr<TZylVoice> voice;
    if (result == DS_OK)
        voice = TZylVoice::Create(PcmFormatOf(*format), static_cast<uint32_t>(bytes),
                                  audio->Device->ConverterType(), &result);
    if (voice != nullptr && !audio->Device->Mixer().Add(voice.get()))
        result = DSERR_ALLOCATED;
    if (result == DSERR_BADFORMAT && format != nullptr) {
        DIAG_REPORT(kDiagReported,
                    "ZylSoundBuffer: Cannot play sound of %u channel(s), %u Hz, %u-bit%s: "
                    "not a format the mixer plays",
                    format->nChannels, format->nSamplesPerSec, format->wBitsPerSample,
                    format->wFormatTag == kZylWaveFormatFloat ? " float" : "");
        return kDiagReported;
    }
    if (result != DS_OK) {
        DIAG_REPORT(kDiagReported, "ZylSoundBuffer: Cannot create the sound buffer: %s",
                    ZylDSResultReason(result));
        return kDiagReported;
    }

    SizeBytes = static_cast<uint32_t>(bytes);
    TakeFormat(*format);
    PlayFlags = (flags & kZylBufferLooping) != 0 ? kZylPlayLooping : 0;
    Muted = 0;
    Audio = audio;
    Volume = 100;
    Pan = 0;
    LevelDb = 0;
    Played = false;
    Interface = voice.release();
    Output = audio->Device;
    Active = 1;
    return 0;
}

int TZylSoundBufferTAG::CreatePrimary(const std::shared_ptr<TZylOutput>& device,
                                      const TWaveFormatEx* format) {
    Release();
    if (device == nullptr) {
        DIAG_REPORT(kDiagReported, "ZylSoundBuffer: Cannot create the output buffer: %s",
                    ZylDSResultReason(DSERR_UNINITIALIZED));
        return kDiagReported;
    }
    const ZylResult result =
        format != nullptr ? device->SetFormat(*format) : static_cast<ZylResult>(DSERR_INVALIDPARAM);
    if (result != DS_OK) {
        LogPrintf("Sound output: no stream [%s]", ZylDSResultName(result));
        DIAG_REPORT(kDiagReported, "%s", ZylDeviceReason().c_str());
        return kDiagReported;
    }
    SizeBytes = 0;
    TakeFormat(*format);
    PlayFlags = kZylPlayLooping;
    Muted = 0;
    Volume = 100;
    Pan = 0;
    Output = device;
    Active = 1;
    return 0;
}

void TZylSoundBufferTAG::TakeFormat(const TWaveFormatEx& format) {
    FormatTag = format.wFormatTag;
    SampleRate = format.nSamplesPerSec;
    BitsPerSample = format.wBitsPerSample;
    Channels = format.nChannels;
    BytesPerSecond = Channels * SampleRate * BitsPerSample / 8;
    BytesPerFrame = static_cast<uint16_t>(Channels * BitsPerSample / 8);
}

void TZylSoundBufferTAG::Release() {
    if (Active == 0)
        return;
    if (Interface != nullptr) {
        Interface->Stop();
        Output->Mixer().Remove(Interface);
        delete Interface;
        Interface = nullptr;
    }
    Output.reset();
    LockPtr1 = LockPtr2 = nullptr;
    LockBytes1 = LockBytes2 = 0;
    Active = 0;
}

int TZylSoundBufferTAG::Lock(uint32_t offset, uint32_t length, void** data) {
    *data = nullptr;
    // Computed wide: offset + length must not wrap around to a small value.
    // A buffer without memory (inactive, or the primary) has nothing to lock.
    if (Active == 0 || Interface == nullptr || static_cast<uint64_t>(offset) + length > SizeBytes) {
        DIAG_REPORT(kDiagReported, "ZylSoundBuffer: Write outside the sound buffer refused");
        return kDiagReported;
    }
    Interface->BeginWrite(offset);
    LockPtr1 = Interface->Memory() + offset;
    LockBytes1 = length;
    LockPtr2 = nullptr;
    LockBytes2 = 0;
    *data = LockPtr1;
    return 0;
}

int TZylSoundBufferTAG::Unlock() {
    if (Active == 0 || Interface == nullptr)
        return 0;
    if (LockPtr1 != nullptr)
        Interface->EndWrite(
            static_cast<uint32_t>(static_cast<uint8_t*>(LockPtr1) - Interface->Memory()) +
            LockBytes1);
    Interface->PublishWrites();
    LockPtr1 = LockPtr2 = nullptr;
    LockBytes1 = LockBytes2 = 0;
    return 0;
}

void TZylSoundBufferTAG::ReportIfLost() {
    Output->CheckLost();
}

void TZylSoundBufferTAG::Play() {
    if (Active == 0 || Interface == nullptr)
        return;
    ReportIfLost();
    Played = true;
    Interface->Play((PlayFlags & kZylPlayLooping) != 0);
    // A stream quieted while nothing played starts again before Play
    // returns; a device that went away meanwhile is found now.
    if (Output->Wake())
        ReportIfLost();
}

void TZylSoundBufferTAG::Stop() {
    if (Active != 0 && Interface != nullptr)
        Interface->Stop();
}

void TZylSoundBufferTAG::SetPlayCursor(uint32_t offset) {
    if (Active != 0 && Interface != nullptr)
        Interface->SetCursor(offset);
}

uint32_t TZylSoundBufferTAG::GetPlayCursor() {
    if (Active == 0 || Interface == nullptr)
        return 0;
    ReportIfLost();
    return Interface->GetCursor();
}

bool TZylSoundBufferTAG::IsPlaying() {
    return Active != 0 && Interface != nullptr && Interface->IsPlaying();
}

void TZylSoundBufferTAG::SetVolume(uint32_t volume) {
    if (Active == 0)
        return;
    Volume = volume > 100 ? 100 : volume;
    if (Muted == 0 && Interface != nullptr)
        Interface->SetDeviceVolume(ZylVolumeLaw(Volume));
}

void TZylSoundBufferTAG::SetPan(int32_t pan) {
    if (Active == 0)
        return;
    Pan = pan < -100 ? -100 : (pan > 100 ? 100 : pan);
    if (Interface != nullptr)
        Interface->SetDevicePan(ZylPanLaw(Pan));
}

void TZylSoundBufferTAG::SetLevel(double gainDb) {
    if (Active == 0 || Interface == nullptr)
        return;
    LevelDb = gainDb;
    Interface->SetLevelGain(ZylLevelGain(gainDb));
}

void TZylSoundBufferTAG::SetFold(TZylFold fold) {
    if (Active != 0 && Interface != nullptr)
        Interface->SetFold(fold);
}

void TZylSoundBufferTAG::SetFrequency(uint32_t hz) {
    if (Active != 0 && Interface != nullptr)
        Interface->SetFrequency(hz);
}

uint32_t TZylSoundBufferTAG::GetFrequency() {
    return Active != 0 && Interface != nullptr ? Interface->GetFrequency() : 0;
}

bool TZylSoundBufferTAG::SetKeyLock(bool on, bool threaded) {
    if (Active == 0 || Interface == nullptr)
        return !on;
    return Interface->SetKeyLock(on, threaded, Output->Mixer().StreamRate());
}

void TZylSoundBufferTAG::ServiceKeyLock() {
    if (Active != 0 && Interface != nullptr && Interface->KeyLock() != nullptr)
        Interface->KeyLock()->Service();
}

uint32_t TZylSoundBufferTAG::KeyLockLatencyFrames() {
    if (Active == 0 || Interface == nullptr || Interface->KeyLock() == nullptr)
        return 0;
    return Interface->KeyLock()->LatencyFrames();
}

void TZylSoundBufferTAG::MuteOn() {
    if (Active == 0 || Muted != 0)
        return;
    if (Interface != nullptr)
        Interface->SetDeviceVolume(ZylVolumeLaw(MuteLevel));
    Muted = 1;
}

void TZylSoundBufferTAG::MuteOff() {
    if (Active == 0 || Muted == 0)
        return;
    if (Interface != nullptr)
        Interface->SetDeviceVolume(ZylVolumeLaw(Volume));
    Muted = 0;
}

uint32_t TZylSoundBufferTAG::GetEffectiveVolume() {
    if (Active == 0)
        return 0;
    return Muted != 0 ? MuteLevel : Volume;
}

int32_t TZylSoundBufferTAG::GetPan() {
    return Active != 0 ? Pan : 0;
}
