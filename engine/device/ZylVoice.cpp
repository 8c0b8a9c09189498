#include "engine/device/ZylVoice.h"

#include "engine/device/ZylDS.h"
#include "engine/device/ZylKeyLock.h"
#include "engine/device/ZylSampleFormat.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace {

// Source frames offered to the converter per call, and output frames taken
// per call. Small offers keep the converter close to the play cursor.
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
// Recent frames a converter is primed with: more than one side of the
// widest sinc filter spans at the ratios a deck plays at.
constexpr uint32_t kHistoryFrames = 256;
// How far from the set pitch the converter may play while it moves its
// phase onto a whole frame: 0.05 % (under a cent), so half a frame takes
// 1,000 frames (23 ms at 44.1 kHz).
constexpr double kGlide = 0.0005;
// A phase this close to a whole frame counts as on it.
constexpr double kWholeEnough = 1e-6;
// libsamplerate's error number for a failed allocation (not in its header).
constexpr int kSrcMallocFailed = 1;

constexpr uint64_t kCursorMask = 0xffffffffull;
constexpr uint64_t kPlayingBit = 1ull << 32;
constexpr uint64_t kLoopingBit = 1ull << 33;
constexpr int kGenerationShift = 34;

} // namespace

uint32_t ZylTransportRampFrames(uint32_t deviceRate) {
    constexpr uint32_t kRampsPerSecond = 400;
    return std::max(1u, deviceRate / kRampsPerSecond);
}

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
    : Format(format), TotalFrames(sizeBytes / format.BlockAlign), Fade(format.Channels),
      Frequency(format.SampleRate) {}

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
    voice->Envelope.reset(new (std::nothrow) float[kOutFrames]);
    voice->History.reset(new (std::nothrow) float[kHistoryFrames * format.Channels]);
    if (!voice->Data || !voice->Stage || !voice->Out || !voice->Envelope || !voice->History ||
        !voice->Fade.Allocated()) {
        *result = DSERR_OUTOFMEMORY;
        return nullptr;
    }
    std::memset(voice->Data.get(), ZylSilenceByte(format.Type), sizeBytes);
    int error = 0;
    voice->Converter = src_new(converterType, format.Channels, &error);
    // The simple converters repeat their first input once after a reset:
    // their output runs one frame behind the sinc ones'.
    voice->Lag = converterType == SRC_LINEAR || converterType == SRC_ZERO_ORDER_HOLD ? 1 : 0;
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
    if (KeyLockOwned != nullptr)
        KeyLockOwned->Nudge();
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
    // The stretcher is ready at the new frame before the mixer sees it.
    if (KeyLockOwned != nullptr)
        KeyLockOwned->Restart(frame);
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

void TZylVoice::SetLevelGain(float gain) {
    LevelGain.store(gain, std::memory_order_relaxed);
}

void TZylVoice::SetFold(TZylFold fold) {
    FoldMode.store(static_cast<uint8_t>(fold), std::memory_order_relaxed);
}

bool TZylVoice::SetKeyLock(bool on, bool threaded, uint32_t deviceRate) {
    if (on && KeyLockOwned == nullptr) {
        KeyLockOwned =
            TZylKeyLock::Create(*this, ZylKeyLockEngineFromEnvironment(), deviceRate, threaded);
        if (KeyLockOwned == nullptr)
            return false;
        KeyLockOwned->PublishWritten(WrittenEnd / Format.BlockAlign);
        KeyLockShared.store(KeyLockOwned.get(), std::memory_order_release);
    }
    if (KeyLockOwned != nullptr)
        KeyLockOwned->Enable(on);
    return true;
}

void TZylVoice::BeginWrite(uint32_t offset) {
    const uint32_t size = TotalFrames * Format.BlockAlign;
    if (KeyLockOwned != nullptr && offset != (size == 0 ? 0 : WrittenEnd % size))
        KeyLockOwned->Suspend();
}

void TZylVoice::EndWrite(uint32_t endOffset) {
    WrittenEnd = endOffset;
    if (KeyLockOwned != nullptr)
        KeyLockOwned->PublishWritten(endOffset / Format.BlockAlign);
}

double TZylVoice::RatioFor(uint32_t deviceRate) const {
    // The converter's limits: frequencies beyond 256 times the device rate
    // either way play at the limit.
    constexpr double kMaxRatio = 256.0;
    const double ratio = static_cast<double>(deviceRate) / GetFrequency();
    return std::clamp(ratio, 1.0 / kMaxRatio, kMaxRatio);
}

bool TZylVoice::MixInto(float* mix, uint32_t frames, uint16_t mixChannels, uint32_t deviceRate,
                        bool heard) {
    const uint64_t seen = Control.load(std::memory_order_acquire);
    TControl control = Unpack(seen);
    RampTo = ZylGainsFor(DeviceVolume.load(std::memory_order_relaxed),
                         DevicePan.load(std::memory_order_relaxed));
    const float level = LevelGain.load(std::memory_order_relaxed);
    RampTo.Left *= level;
    RampTo.Right *= level;
    Fold = static_cast<TZylFold>(FoldMode.load(std::memory_order_relaxed));
    const TPass pass{mix,  frames, mixChannels, ZylTransportRampFrames(deviceRate), control.Looping,
                     heard};
    DeviceRate.store(deviceRate, std::memory_order_relaxed);
    if (TZylKeyLock* keyLock = KeyLockShared.load(std::memory_order_acquire))
        keyLock->SkipStale();
    if (control.Generation != HistoryGeneration) {
        // The transport cut the waveform: what was sounding fades out while
        // the new position fades in.
        HistoryGeneration = control.Generation;
        if (Sounding)
            Fade.Begin(pass.RampFrames);
        Sounding = false;
        RampFrom = RampTo;
        if (control.Playing)
            Restart(control.Cursor / Format.BlockAlign);
    }
    RenderFadeOut(pass);
    if (!control.Playing || TotalFrames == 0) {
        RampFrom = RampTo;
        return Fade.Active();
    }
    // Pairs with PublishWrites: the engine's writes before its last unlock
    // are visible from here on.
    WriteSequence.load(std::memory_order_acquire);

    bool playing = true;
    double step = static_cast<double>(GetFrequency()) / deviceRate;
    uint32_t done = 0;
    if (KeyLockPlays(pass, step)) {
        RenderKeyLocked(pass, step);
    } else if (!pass.Heard) {
        playing = PassUnheard(pass, step);
    } else if (GetFrequency() == deviceRate) {
        step = 1.0;
        playing = (!Converting || GlideToWholeFrame(pass, &done)) && RenderDirect(pass, done);
    } else {
        const double ratio = RatioFor(deviceRate);
        if (!Converting)
            Prime(ratio, pass.Looping);
        playing = Convert(pass, ratio, pass.Frames, &done);
        step = 1.0 / ratio;
    }
    RampFrom = RampTo;

    if (playing) {
        if (Position >= TotalFrames)
            Position -= TotalFrames;
        if (KeyLocked)
            SnapshotKeyLocked(pass.RampFrames);
        else
            Snapshot(pass.RampFrames, step, control.Looping);
        Sounding = true;
        control.Cursor = static_cast<uint32_t>(Position) * Format.BlockAlign;
    } else {
        // A one-shot buffer played out, its end already faded.
        Sounding = false;
        control.Playing = false;
        control.Cursor = 0;
    }
    uint64_t expected = seen;
    Control.compare_exchange_strong(expected, Pack(control), std::memory_order_acq_rel);
    // A one-shot buffer that just played out has faded already.
    return playing || Fade.Active();
}

void TZylVoice::Restart(uint32_t frame) {
    Position = frame;
    Converting = false;
    KeyLocked = false;
    Remembered = 0;
    FadeInDone = 0;
}

// The stretcher's output plays while key lock is on, the voice loops (the
// stream buffer) and the frequency differs from the buffer's own rate; at
// the buffer's own rate the samples play untouched. The queue is kept in
// step with the voice either way, so that either side can take over.
bool TZylVoice::KeyLockPlays(const TPass& pass, double step) {
    TZylKeyLock* keyLock = KeyLockShared.load(std::memory_order_acquire);
    const bool on = keyLock != nullptr && keyLock->Enabled() && pass.Looping;
    bool plays = false;
    if (on) {
        double at = Position;
        const bool ready = keyLock->Align(at, step) && keyLock->Available() >= pass.Frames;
        if (KeyLocked && !ready)
            keyLock->NoteUnderrun();
        plays = ready && GetFrequency() != Format.SampleRate;
        if (plays)
            Position = at;
    }
    if (plays != KeyLocked)
        SwitchKeyLock(plays, pass, step);
    return plays;
}

// A handover between the stretcher and the plain paths: they differ in
// pitch (or, at the buffer's own rate, slightly in waveform), so the one
// fades out while the other fades in, both within this pass. The plain path
// fades out as itself (its converter primed as it was), the stretcher's
// output from its queue.
void TZylVoice::SwitchKeyLock(bool on, const TPass& pass, double step) {
    if (Sounding && on) {
        FadeOutPlainPath(pass, step);
    } else if (Sounding) {
        Fade.Begin(pass.RampFrames);
        RenderFadeOut(pass);
    }
    FadeInDone = 0;
    KeyLocked = on;
    Converting = false;
    Remembered = 0;
    if (!on)
        Position = std::floor(Position + 0.5);
}

void TZylVoice::FadeOutPlainPath(const TPass& pass, double step) {
    TPass fade = pass;
    fade.Frames = std::min(pass.Frames, pass.RampFrames);
    fade.FadesOut = true;
    const double position = Position;
    const uint32_t fadeIn = FadeInDone;
    FadeInDone = pass.RampFrames;
    FadeOutDone = 0;
    if (step == 1.0) {
        RenderDirect(fade, 0);
    } else {
        const double ratio = std::clamp(1.0 / step, 1.0 / 256.0, 256.0);
        if (!Converting)
            Prime(ratio, fade.Looping);
        uint32_t done = 0;
        Convert(fade, ratio, fade.Frames, &done);
    }
    Position = position;
    FadeInDone = fadeIn;
}

void TZylVoice::RenderKeyLocked(const TPass& pass, double step) {
    TZylKeyLock* keyLock = KeyLockShared.load(std::memory_order_acquire);
    uint32_t done = 0;
    while (done < pass.Frames) {
        const uint32_t count = std::min(pass.Frames - done, kOutFrames);
        keyLock->Read(Out.get(), count, step, Position);
        ShapeLevel(count, Position, step, pass);
        Accumulate(Out.get(), count, pass, done);
        done += count;
    }
}

void TZylVoice::SnapshotKeyLocked(uint32_t rampFrames) {
    TZylKeyLock* keyLock = KeyLockShared.load(std::memory_order_acquire);
    const uint32_t wanted = Fade.SnapshotFrames(rampFrames, 1.0);
    float* to = Fade.SnapshotData();
    const uint32_t got = keyLock->Peek(to, wanted);
    std::fill(to + static_cast<size_t>(got) * Format.Channels,
              to + static_cast<size_t>(wanted) * Format.Channels, 0.0f);
    Fade.Commit(wanted, 0.0, 1.0);
}

bool TZylVoice::RenderDirect(const TPass& pass, uint32_t done) {
    while (done < pass.Frames) {
        auto frame = static_cast<uint32_t>(Position);
        if (frame >= TotalFrames) {
            if (!pass.Looping)
                return false;
            frame = 0;
        }
        const uint32_t count = std::min({pass.Frames - done, kOutFrames, TotalFrames - frame});
        ZylPcmToFloat(Data.get() + static_cast<size_t>(frame) * Format.BlockAlign, Format.Type,
                      count * Format.Channels, Out.get());
        Remember(Out.get(), count);
        ShapeLevel(count, frame, 1.0, pass);
        Accumulate(Out.get(), count, pass, done);
        Position = frame + count;
        done += count;
    }
    return pass.Looping || Position < TotalFrames;
}

// Nobody hears this pass (the device is lost and a silent clock stands in):
// the position moves on as if it had played, without the converter's work.
// Whatever is heard next starts afresh, with the usual fade-in.
bool TZylVoice::PassUnheard(const TPass& pass, double step) {
    Position += pass.Frames * step;
    Converting = false;
    Remembered = 0;
    FadeInDone = 0;
    if (!pass.Looping)
        return Position < TotalFrames;
    Position = std::fmod(Position, TotalFrames);
    return true;
}

void TZylVoice::Remember(const float* frames, uint32_t count) {
    const uint16_t channels = Format.Channels;
    if (count >= kHistoryFrames) {
        std::memcpy(History.get(), frames + static_cast<size_t>(count - kHistoryFrames) * channels,
                    sizeof(float) * kHistoryFrames * channels);
        Remembered = kHistoryFrames;
        return;
    }
    const uint32_t keep = std::min(Remembered, kHistoryFrames - count);
    std::memmove(History.get(), History.get() + static_cast<size_t>(Remembered - keep) * channels,
                 sizeof(float) * keep * channels);
    std::memcpy(History.get() + static_cast<size_t>(keep) * channels, frames,
                sizeof(float) * count * channels);
    Remembered = keep + count;
}

// Starts the converter at Position as if it had been converting all along:
// it is fed the frames that just played untouched, and the output they
// produce is dropped, so its filter is full when the first frame is heard.
// The priming runs at ratio 1, where output frame n stands exactly at source
// frame n (n + Lag): once as many frames came out as were remembered (the
// last ones need a few frames from Position on), the converter's phase is
// Position itself, not the nearest output step of the new ratio.
void TZylVoice::Prime(double ratio, bool looping) {
    src_reset(Converter);
    src_set_ratio(Converter, 1.0);
    Converting = true;
    Fed = static_cast<uint32_t>(Position);
    TailFed = 0;
    uint32_t offered = 0;
    uint32_t dropped = 0;
    const uint32_t toDrop = Remembered + Lag;
    while (dropped < toDrop) {
        SRC_DATA data{};
        const bool fromHistory = offered < Remembered;
        if (fromHistory) {
            data.data_in = History.get() + static_cast<size_t>(offered) * Format.Channels;
            data.input_frames = Remembered - offered;
        } else {
            data.data_in = Stage.get();
            data.input_frames = FillStage(kOfferSlack, 1.0);
        }
        data.data_out = Out.get();
        data.output_frames = std::min(kOutFrames, toDrop - dropped);
        data.src_ratio = 1.0;
        if (src_process(Converter, &data) != 0 ||
            (data.input_frames_used == 0 && data.output_frames_gen == 0))
            break;
        const auto used = static_cast<uint32_t>(data.input_frames_used);
        if (fromHistory)
            offered += used;
        else
            AdvanceFed(used, looping);
        dropped += static_cast<uint32_t>(data.output_frames_gen);
    }
    Remembered = 0;
    src_set_ratio(Converter, ratio);
    ConverterRatio = ratio;
}

void TZylVoice::AdvanceFed(uint32_t used, bool looping) {
    if (Fed >= TotalFrames) {
        TailFed += used;
        return;
    }
    Fed += used;
    if (Fed >= TotalFrames && looping)
        Fed = 0;
}

// Back at the buffer's own rate with the converter still running, most
// likely between two source frames: rounding the position there would jump
// by up to half a frame. Instead the converter carries on, at a pitch at
// most kGlide away from the set one, until its phase stands on a whole
// frame, and the untouched copy continues from there. False once a one-shot
// buffer has played out.
bool TZylVoice::GlideToWholeFrame(const TPass& pass, uint32_t* done) {
    while (*done < pass.Frames) {
        const double whole = std::round(Position);
        const double left = whole - Position;
        if (std::fabs(left) < kWholeEnough) {
            Position = whole;
            Converting = false;
            return true;
        }
        const double frames = std::ceil(std::fabs(left) / kGlide);
        const uint32_t before = *done;
        const auto limit = static_cast<uint32_t>(std::min<double>(frames, pass.Frames - *done));
        if (!Convert(pass, 1.0 / (1.0 + left / frames), limit, done))
            return false;
        if (*done == before)
            break; // the converter gave nothing: the rest of the pass is silent
    }
    return true;
}

// Fills Stage with up to limit source frames from Fed on. Past the end of a
// one-shot voice it offers silence instead, enough to flush what the
// converter still holds. Returns the frames offered: 0 once that is done.
uint32_t TZylVoice::FillStage(uint32_t limit, double ratio) {
    if (Fed < TotalFrames) {
        const uint32_t offer = std::min({TotalFrames - Fed, kStageFrames, limit});
        ZylPcmToFloat(Data.get() + static_cast<size_t>(Fed) * Format.BlockAlign, Format.Type,
                      offer * Format.Channels, Stage.get());
        return offer;
    }
    const auto tail = static_cast<uint32_t>(kTailFrames * std::max(1.0, 1.0 / ratio));
    if (TailFed >= tail)
        return 0;
    const uint32_t offer = std::min({tail - TailFed, kStageFrames, limit});
    std::fill_n(Stage.get(), offer * Format.Channels, 0.0f);
    return offer;
}

bool TZylVoice::Convert(const TPass& pass, double ratio, uint32_t limit, uint32_t* done) {
    if (ratio != ConverterRatio) {
        // A step, not the converter's own glide: the positions counted
        // below stay exact.
        src_set_ratio(Converter, ratio);
        ConverterRatio = ratio;
    }
    const double step = 1.0 / ratio;
    const uint32_t end = *done + limit;
    int idleCalls = 0;
    while (*done < end && idleCalls < kMaxIdleCalls) {
        const uint32_t wanted = std::min(end - *done, kOutFrames);
        const auto estimate = static_cast<uint32_t>(wanted * step) + kOfferSlack;
        const uint32_t offer = FillStage(estimate, ratio);
        if (offer == 0)
            return false;
        SRC_DATA data{};
        data.data_in = Stage.get();
        data.data_out = Out.get();
        data.input_frames = offer;
        data.output_frames = wanted;
        data.src_ratio = ratio;
        if (src_process(Converter, &data) != 0)
            break;
        AdvanceFed(static_cast<uint32_t>(data.input_frames_used), pass.Looping);
        const auto produced = static_cast<uint32_t>(data.output_frames_gen);
        uint32_t count = produced;
        if (!pass.Looping) {
            const double left = std::ceil((TotalFrames - Position) * ratio);
            count = static_cast<uint32_t>(std::min<double>(count, std::max(0.0, left)));
        }
        ShapeLevel(count, Position, step, pass);
        Accumulate(Out.get(), count, pass, *done);
        Position += count * step;
        if (pass.Looping && Position >= TotalFrames)
            Position -= TotalFrames;
        else if (!pass.Looping && Position >= TotalFrames)
            return false;
        *done += count;
        idleCalls = produced == 0 ? idleCalls + 1 : 0;
    }
    return true;
}

void TZylVoice::RenderFadeOut(const TPass& pass) {
    uint32_t done = 0;
    while (done < pass.Frames && Fade.Active()) {
        const uint32_t count =
            Fade.Next(std::min(pass.Frames - done, kOutFrames), Out.get(), Envelope.get());
        Accumulate(Out.get(), count, pass, done);
        done += count;
    }
}

// Keeps a copy of the source frames that would play next, for the fade-out
// should the transport cut before the next pass.
void TZylVoice::Snapshot(uint32_t rampFrames, double step, bool looping) {
    const uint32_t wanted = Fade.SnapshotFrames(rampFrames, step);
    float* to = Fade.SnapshotData();
    auto frame = static_cast<uint32_t>(Position);
    uint32_t filled = 0;
    while (filled < wanted) {
        if (frame >= TotalFrames && !looping) {
            std::fill_n(to + static_cast<size_t>(filled) * Format.Channels,
                        (wanted - filled) * Format.Channels, 0.0f);
            break;
        }
        if (frame >= TotalFrames)
            frame = 0;
        const uint32_t count = std::min(wanted - filled, TotalFrames - frame);
        ZylPcmToFloat(Data.get() + static_cast<size_t>(frame) * Format.BlockAlign, Format.Type,
                      count * Format.Channels, to + static_cast<size_t>(filled) * Format.Channels);
        filled += count;
        frame += count;
    }
    Fade.Commit(wanted, Position - std::floor(Position), step);
}

void TZylVoice::ShapeLevel(uint32_t count, double from, double step, const TPass& pass) {
    const auto ramp = static_cast<float>(pass.RampFrames);
    for (uint32_t i = 0; i < count; ++i) {
        float level = 1.0f;
        if (FadeInDone < pass.RampFrames)
            level = static_cast<float>(++FadeInDone) / ramp;
        if (pass.FadesOut)
            level *= std::max(0.0f, 1.0f - static_cast<float>(++FadeOutDone) / ramp);
        if (!pass.Looping) {
            const double left = (TotalFrames - (from + i * step)) / step;
            if (left < pass.RampFrames)
                level *= static_cast<float>(std::max(0.0, left) / pass.RampFrames);
        }
        Envelope[i] = level;
    }
}

// Adds count frames of in, times Envelope, to the mix from frame done on;
// the gains move in a straight line from RampFrom to RampTo over the pass.
void TZylVoice::Accumulate(const float* in, uint32_t count, const TPass& pass,
                           uint32_t done) const {
    const bool steady = RampFrom.Left == RampTo.Left && RampFrom.Right == RampTo.Right;
    float* mix = pass.Mix + static_cast<size_t>(done) * pass.MixChannels;
    for (uint32_t i = 0; i < count; ++i) {
        float left = RampTo.Left;
        float right = RampTo.Right;
        if (!steady) {
            const float t = static_cast<float>(done + i + 1) / pass.Frames;
            left = RampFrom.Left + (RampTo.Left - RampFrom.Left) * t;
            right = RampFrom.Right + (RampTo.Right - RampFrom.Right) * t;
        }
        const float* frame = in + static_cast<size_t>(i) * Format.Channels;
        float l = frame[0];
        float r = Format.Channels == 2 ? frame[1] : frame[0];
        if (Fold != TZylFold::None) {
            const float m = 0.5f * (l + r);
            l = Fold == TZylFold::ToLeft ? m : 0.0f;
            r = Fold == TZylFold::ToLeft ? 0.0f : m;
        }
        l *= left * Envelope[i];
        r *= right * Envelope[i];
        if (pass.MixChannels == 2) {
            mix[2 * i] += l;
            mix[2 * i + 1] += r;
        } else {
            mix[i] += 0.5f * (l + r);
        }
    }
}
