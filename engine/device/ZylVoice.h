// One secondary buffer as the mixer sees it: its memory, its PCM format and
// the control state that the engine writes and the mixer reads.
//
// Control state travels between threads only through atomics. Cursor,
// playing and looping flags and a generation count share one 64-bit word so
// that a jump, a stop or a play is seen whole; each of those bumps the
// generation, which tells the mixer that the transport cut the waveform. The
// mixer commits its advance of the cursor with a compare-and-swap, so an
// engine write made meanwhile always wins.
//
// What the mixer plays: at the device rate the samples themselves, untouched
// (with volume 100, balance centred and no level gain the device receives
// the buffer's PCM exactly); at any other frequency the converter's output. A converter that
// takes over from the untouched copy starts primed with the frames just
// played, so a pitch move neither steps nor jumps in phase; back at the device
// rate, the converter runs on until its phase is on a whole source frame, so
// the return is as clean. Where the transport cuts (play, stop, a jump, the
// end of a one-shot buffer) the level ramps over 2.5 ms; the first frame
// after a jump is still the requested one.
#pragma once

#include "engine/device/ZylDS.h"
#include "engine/device/ZylDSResult.h"
#include "engine/device/ZylFade.h"
#include "engine/device/ZylLaws.h"
#include "engine/device/ZylSampleFormat.h"

#include <atomic>
#include <cstdint>
#include <memory>

typedef struct SRC_STATE_tag SRC_STATE;
class TZylKeyLock;

struct TZylPcmFormat {
    uint32_t SampleRate = 0;
    uint16_t Channels = 0;
    uint16_t BitsPerSample = 0;
    uint16_t BlockAlign = 0;
    TZylSampleType Type = TZylSampleType::S16;
};

class TZylVoice {
public:
    // Everything the mixer will need is allocated here, never in the
    // callback. The memory starts as silence. On failure *result says why.
    static std::unique_ptr<TZylVoice> Create(const TZylPcmFormat& format, uint32_t sizeBytes,
                                             int converterType, ZylResult* result);
    ~TZylVoice();
    TZylVoice(const TZylVoice&) = delete;
    TZylVoice& operator=(const TZylVoice&) = delete;

    // Engine side: one caller at a time (the player system's lock).
    uint8_t* Memory() { return Data.get(); }
    void PublishWrites();
    void Play(bool looping);
    void Stop();
    void SetCursor(uint32_t offset);
    uint32_t GetCursor() const;
    bool IsPlaying() const;
    // 0 means the buffer's own rate; other values are clamped to
    // kZylMinFrequency..kZylMaxFrequency.
    void SetFrequency(uint32_t hz);
    uint32_t GetFrequency() const;
    void SetDeviceVolume(int32_t hundredthsOfDb);
    void SetDevicePan(int32_t pan);
    // The gain that levels the song, linear, applied with the volume and
    // pan; exactly 1 leaves the samples untouched. A change moves in a
    // straight line across one render pass, like the volume.
    void SetLevelGain(float gain);
    // Takes effect at the next render pass.
    void SetFold(TZylFold fold);
    // Key lock (see ZylKeyLock.h): created at the first switch on, kept
    // until the voice goes. threaded: the stretcher runs on a thread of its
    // own; otherwise the caller services it by hand. False when the stretcher
    // could not be created.
    bool SetKeyLock(bool on, bool threaded, uint32_t deviceRate);
    TZylKeyLock* KeyLock() { return KeyLockOwned.get(); }
    // Before the engine writes [offset, offset + length) bytes: a write that
    // does not continue the last one may land where the stretcher reads.
    void BeginWrite(uint32_t offset);
    void EndWrite(uint32_t endOffset);

    // What the stretcher reads, from any thread.
    const TZylPcmFormat& PcmFormat() const { return Format; }
    uint32_t Frames() const { return TotalFrames; }
    const uint8_t* Samples() const { return Data.get(); }
    uint32_t DeviceRateSeen() const { return DeviceRate.load(std::memory_order_relaxed); }

    // Mixer side, one render thread at a time: adds frames frames of this
    // buffer, resampled to deviceRate, to the interleaved mix. True while
    // the voice sounds: it plays, or a stop or jump still fades out. A pass
    // nobody hears (heard false) only moves the position on.
    bool MixInto(float* mix, uint32_t frames, uint16_t mixChannels, uint32_t deviceRate,
                 bool heard);

private:
    struct TControl {
        uint32_t Cursor = 0;
        bool Playing = false;
        bool Looping = false;
        uint32_t Generation = 0;
    };
    // Where one render pass writes and how the level moves across it.
    struct TPass {
        float* Mix;
        uint32_t Frames;
        uint16_t MixChannels;
        uint32_t RampFrames; // the length of a transport ramp
        bool Looping;
        bool Heard;
        bool FadesOut = false; // falls to silence over the ramp
    };
    static uint64_t Pack(const TControl& control);
    static TControl Unpack(uint64_t word);
    template <class Change> void UpdateControl(Change change);

    TZylVoice(const TZylPcmFormat& format, uint32_t sizeBytes);
    void Restart(uint32_t frame);
    // Each renders into the pass from frame done (*done) on and returns
    // false once a one-shot buffer has played out.
    bool RenderDirect(const TPass& pass, uint32_t done);
    bool PassUnheard(const TPass& pass, double step);
    // At most limit frames at ratio, advancing *done.
    bool Convert(const TPass& pass, double ratio, uint32_t limit, uint32_t* done);
    bool GlideToWholeFrame(const TPass& pass, uint32_t* done);
    void RenderFadeOut(const TPass& pass);
    void Prime(double ratio, bool looping);
    uint32_t FillStage(uint32_t limit, double ratio);
    // Counts used frames offered by FillStage as fed.
    void AdvanceFed(uint32_t used, bool looping);
    void Remember(const float* frames, uint32_t count);
    void Snapshot(uint32_t rampFrames, double step, bool looping);
    // Key lock in the callback: whether this pass plays the stretcher's
    // output, switching over with a crossfade when that changes.
    bool KeyLockPlays(const TPass& pass, double step);
    void SwitchKeyLock(bool on, const TPass& pass, double step);
    void FadeOutPlainPath(const TPass& pass, double step);
    void RenderKeyLocked(const TPass& pass, double step);
    void SnapshotKeyLocked(uint32_t rampFrames);
    // Fills Envelope with the level of count frames from source position
    // from on, advancing step per frame: the fade-in after a cut and the
    // fade-out before the end of a one-shot buffer.
    void ShapeLevel(uint32_t count, double from, double step, const TPass& pass);
    void Accumulate(const float* in, uint32_t count, const TPass& pass, uint32_t done) const;
    double RatioFor(uint32_t deviceRate) const;

    const TZylPcmFormat Format;
    const uint32_t TotalFrames;
    std::unique_ptr<uint8_t[]> Data;
    std::unique_ptr<float[]> Stage;    // source frames offered to the converter
    std::unique_ptr<float[]> Out;      // frames before the gains
    std::unique_ptr<float[]> Envelope; // per-frame level of the ramps
    std::unique_ptr<float[]> History;  // the last source frames played untouched
    SRC_STATE* Converter = nullptr;
    uint32_t Lag = 0; // output frames the converter repeats after a reset
    TZylFade Fade;

    std::atomic<uint64_t> Control{0};
    std::atomic<uint32_t> Frequency;
    std::atomic<int32_t> DeviceVolume{0};
    std::atomic<int32_t> DevicePan{0};
    std::atomic<float> LevelGain{1.0f};
    std::atomic<uint8_t> FoldMode{0};
    std::atomic<uint32_t> WriteSequence{0};
    std::atomic<uint32_t> DeviceRate{0};
    std::unique_ptr<TZylKeyLock> KeyLockOwned;
    std::atomic<TZylKeyLock*> KeyLockShared{nullptr};
    uint32_t WrittenEnd = 0; // engine side: where the last write ended

    // Owned by the render thread.
    uint32_t HistoryGeneration = 0;
    double Position = 0.0;   // source frame of the next output frame
    uint32_t Fed = 0;        // next source frame offered to the converter
    uint32_t TailFed = 0;    // silence offered since a one-shot voice's end
    uint32_t Remembered = 0; // valid frames in History
    uint32_t FadeInDone = 0;
    uint32_t FadeOutDone = 0;
    bool Converting = false;
    bool Sounding = false;
    bool KeyLocked = false; // this pass plays the stretcher's output
    double ConverterRatio = 1.0;
    TZylFold Fold = TZylFold::None;
    TZylGains RampFrom;
    TZylGains RampTo;
};
