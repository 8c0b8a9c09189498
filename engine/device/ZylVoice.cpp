#include "engine/device/ZylVoice.h"

#include "engine/device/ZylDS.h"
#include "engine/device/ZylSampleFormat.h"

#include <samplerate.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Source frames offered to the converter per call, and output frames taken
// per call. Small offers keep the play cursor close to what is audible.
constexpr uint32_t kStageFrames = 512;
constexpr uint32_t kOutFrames = 512;
// Extra source frames offered beyond the ratio's estimate, so that a sinc
// converter can fill its look-ahead in a few calls.
constexpr uint32_t kOfferSlack = 64;
// Calls in a row that may produce no output before the voice gives up for
// this render (a converter that keeps swallowing input without output).
constexpr int kMaxIdleCalls = 64;
// Silence fed after the end of a one-shot voice so that the converter
// delivers the last frames it holds (more when it is downsampling, where
// its filter spans more source frames).
constexpr uint32_t kTailFrames = kOfferSlack + kStageFrames;
// libsamplerate's error number for a failed allocation (not in its header).
constexpr int kSrcMallocFailed = 1;

constexpr uint64_t kCursorMask = 0xffffffffull;
constexpr uint64_t kPlayingBit = 1ull << 32;
constexpr uint64_t kLoopingBit = 1ull << 33;
constexpr int kGenerationShift = 34;

} // namespace

uint64_t TZylVoice::Pack(const TControl& control) {
    return control.Cursor | (control.Playing ? kPlayingBit : 0) |
           (control.Looping ? kLoopingBit : 0) |
           (static_cast<uint64_t>(control.Generation) << kGenerationShift);
}

TZylVoice::TControl TZylVoice::Unpack(uint64_t word) {
    TControl control;
    control.Cursor = static_cast<uint32_t>(word & kCursorMask);
    control.Playing = (word & kPlayingBit) != 0;
    control.Looping = (word & kLoopingBit) != 0;
    control.Generation = static_cast<uint32_t>(word >> kGenerationShift);
    return control;
}

template <class Change> void TZylVoice::UpdateControl(Change change) {
    uint64_t word = Control.load(std::memory_order_acquire);
    uint64_t next;
    do {
        TControl control = Unpack(word);
        change(control);
        next = Pack(control);
    } while (!Control.compare_exchange_weak(word, next, std::memory_order_acq_rel));
}

TZylVoice::TZylVoice(const TZylPcmFormat& format, uint32_t sizeBytes)
    : Format(format), TotalFrames(sizeBytes / format.BlockAlign), Frequency(format.SampleRate) {}

std::unique_ptr<TZylVoice> TZylVoice::Create(const TZylPcmFormat& format, uint32_t sizeBytes,
                                             int converterType, ZylResult* result) {
    std::unique_ptr<TZylVoice> voice(new (std::nothrow) TZylVoice(format, sizeBytes));
    if (voice == nullptr) {
        *result = DSERR_OUTOFMEMORY;
        return nullptr;
    }
    voice->Data.reset(new (std::nothrow) uint8_t[sizeBytes]);
    voice->Stage.reset(new (std::nothrow) float[kStageFrames * format.Channels]);
    voice->Out.reset(new (std::nothrow) float[kOutFrames * format.Channels]);
    if (!voice->Data || !voice->Stage || !voice->Out) {
        *result = DSERR_OUTOFMEMORY;
        return nullptr;
    }
    std::memset(voice->Data.get(), format.BitsPerSample == 8 ? 0x80 : 0, sizeBytes);
    int error = 0;
    voice->Converter = src_new(converterType, format.Channels, &error);
    if (voice->Converter == nullptr) {
        *result = error == kSrcMallocFailed ? DSERR_OUTOFMEMORY : DSERR_UNSUPPORTED;
        return nullptr;
    }
    *result = DS_OK;
    return voice;
}

TZylVoice::~TZylVoice() {
    if (Converter != nullptr)
        src_delete(Converter);
}

void TZylVoice::PublishWrites() {
    WriteSequence.fetch_add(1, std::memory_order_release);
}

void TZylVoice::Play(bool looping) {
    UpdateControl([looping](TControl& control) {
        if (!control.Playing)
            ++control.Generation;
        control.Playing = true;
        control.Looping = looping;
    });
}

void TZylVoice::Stop() {
    UpdateControl([](TControl& control) {
        if (control.Playing)
            ++control.Generation;
        control.Playing = false;
    });
}

void TZylVoice::SetCursor(uint32_t offset) {
    const uint32_t frame = TotalFrames == 0 ? 0 : (offset / Format.BlockAlign) % TotalFrames;
    UpdateControl([this, frame](TControl& control) {
        control.Cursor = frame * Format.BlockAlign;
        ++control.Generation;
    });
}

uint32_t TZylVoice::GetCursor() const {
    return Unpack(Control.load(std::memory_order_acquire)).Cursor;
}

bool TZylVoice::IsPlaying() const {
    return Unpack(Control.load(std::memory_order_acquire)).Playing;
}

void TZylVoice::SetFrequency(uint32_t hz) {
    const uint32_t frequency =
        hz == 0 ? Format.SampleRate : std::clamp(hz, kZylMinFrequency, kZylMaxFrequency);
    Frequency.store(frequency, std::memory_order_relaxed);
}

uint32_t TZylVoice::GetFrequency() const {
    return Frequency.load(std::memory_order_relaxed);
}

void TZylVoice::SetDeviceVolume(int32_t hundredthsOfDb) {
    DeviceVolume.store(hundredthsOfDb, std::memory_order_relaxed);
}

void TZylVoice::SetDevicePan(int32_t pan) {
    DevicePan.store(pan, std::memory_order_relaxed);
}

double TZylVoice::RatioFor(uint32_t deviceRate) const {
    // The converter's limits: frequencies beyond 256 times the device rate
    // either way play at the limit.
    constexpr double kMaxRatio = 256.0;
    const double ratio = static_cast<double>(deviceRate) / GetFrequency();
    return std::clamp(ratio, 1.0 / kMaxRatio, kMaxRatio);
}

// Adds Out's frames to the mix, the gains moving in a straight line from
// RampFrom to RampTo over the render's rampLength frames.
void TZylVoice::Accumulate(float* mix, uint32_t frames, uint16_t mixChannels, uint32_t rampIndex,
                           uint32_t rampLength) const {
    const bool steady = RampFrom.Left == RampTo.Left && RampFrom.Right == RampTo.Right;
    for (uint32_t i = 0; i < frames; ++i) {
        float left = RampTo.Left;
        float right = RampTo.Right;
        if (!steady) {
            const float t = static_cast<float>(rampIndex + i + 1) / rampLength;
            left = RampFrom.Left + (RampTo.Left - RampFrom.Left) * t;
            right = RampFrom.Right + (RampTo.Right - RampFrom.Right) * t;
        }
        const float* in = Out.get() + i * Format.Channels;
        const float l = in[0] * left;
        const float r = (Format.Channels == 2 ? in[1] : in[0]) * right;
        if (mixChannels == 2) {
            mix[2 * i] += l;
            mix[2 * i + 1] += r;
        } else {
            mix[i] += 0.5f * (l + r);
        }
    }
}

// Fills Stage with up to limit source frames from frame on. Past the end of
// a one-shot voice it offers silence instead, enough to flush what the
// converter still holds. Returns the frames offered: 0 once a one-shot voice
// has played out.
uint32_t TZylVoice::FillStage(uint32_t frame, uint32_t limit, double ratio) {
    if (frame < TotalFrames) {
        const uint32_t offer = std::min({TotalFrames - frame, kStageFrames, limit});
        ZylPcmToFloat(Data.get() + static_cast<size_t>(frame) * Format.BlockAlign,
                      Format.BitsPerSample, offer * Format.Channels, Stage.get());
        return offer;
    }
    const auto tail = static_cast<uint32_t>(kTailFrames * std::max(1.0, 1.0 / ratio));
    if (TailFed >= tail)
        return 0;
    const uint32_t offer = std::min({tail - TailFed, kStageFrames, limit});
    std::fill_n(Stage.get(), offer * Format.Channels, 0.0f);
    return offer;
}

void TZylVoice::MixInto(float* mix, uint32_t frames, uint16_t mixChannels, uint32_t deviceRate) {
    const uint64_t seen = Control.load(std::memory_order_acquire);
    TControl control = Unpack(seen);
    if (!control.Playing || TotalFrames == 0)
        return;
    RampTo = ZylGainsFor(DeviceVolume.load(std::memory_order_relaxed),
                         DevicePan.load(std::memory_order_relaxed));
    if (control.Generation != HistoryGeneration) {
        src_reset(Converter);
        HistoryGeneration = control.Generation;
        RampFrom = RampTo;
        TailFed = 0;
    }
    // Pairs with PublishWrites: the engine's writes before its last unlock
    // are visible from here on.
    WriteSequence.load(std::memory_order_acquire);
    const double ratio = RatioFor(deviceRate);

    uint32_t frame = control.Cursor / Format.BlockAlign;
    uint32_t done = 0;
    int idleCalls = 0;
    while (done < frames && idleCalls < kMaxIdleCalls) {
        if (frame >= TotalFrames && control.Looping)
            frame = 0;
        const uint32_t wanted = std::min(frames - done, kOutFrames);
        const uint32_t estimate = static_cast<uint32_t>(wanted / ratio) + kOfferSlack;
        const uint32_t offer = FillStage(frame, estimate, ratio);
        if (offer == 0) {
            control.Playing = false;
            frame = 0;
            break;
        }
        SRC_DATA data{};
        data.data_in = Stage.get();
        data.data_out = Out.get();
        data.input_frames = offer;
        data.output_frames = wanted;
        data.src_ratio = ratio;
        if (src_process(Converter, &data) != 0)
            break;
        const auto used = static_cast<uint32_t>(data.input_frames_used);
        if (frame < TotalFrames)
            frame += used;
        else
            TailFed += used;
        const auto produced = static_cast<uint32_t>(data.output_frames_gen);
        Accumulate(mix + static_cast<size_t>(done) * mixChannels, produced, mixChannels, done,
                   frames);
        done += produced;
        idleCalls = produced == 0 ? idleCalls + 1 : 0;
    }
    RampFrom = RampTo;

    if (frame >= TotalFrames && control.Looping)
        frame = 0;
    control.Cursor = frame * Format.BlockAlign;
    uint64_t expected = seen;
    Control.compare_exchange_strong(expected, Pack(control), std::memory_order_acq_rel);
}
