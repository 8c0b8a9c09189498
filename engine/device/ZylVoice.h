// One secondary buffer as the mixer sees it: its memory, its PCM format and
// the control state that the engine writes and the mixer reads.
//
// Control state travels between threads only through atomics. Cursor,
// playing and looping flags and a generation count share one 64-bit word so
// that a jump, a stop or a play is seen whole; each of those bumps the
// generation, which tells the mixer to forget the converter's history. The
// mixer commits its advance of the cursor with a compare-and-swap, so an
// engine write made meanwhile always wins.
#pragma once

#include "engine/device/ZylDSResult.h"
#include "engine/device/ZylLaws.h"

#include <atomic>
#include <cstdint>
#include <memory>

typedef struct SRC_STATE_tag SRC_STATE;

struct TZylPcmFormat {
    uint32_t SampleRate = 0;
    uint16_t Channels = 0;
    uint16_t BitsPerSample = 0;
    uint16_t BlockAlign = 0;
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
    // 0 means the buffer's own rate; other values are clamped to 100..200000.
    void SetFrequency(uint32_t hz);
    uint32_t GetFrequency() const;
    void SetDeviceVolume(int32_t hundredthsOfDb);
    void SetDevicePan(int32_t pan);

    // Mixer side, one render thread at a time: adds frames frames of this
    // buffer, resampled to deviceRate, to the interleaved mix.
    void MixInto(float* mix, uint32_t frames, uint16_t mixChannels, uint32_t deviceRate);

private:
    struct TControl {
        uint32_t Cursor = 0;
        bool Playing = false;
        bool Looping = false;
        uint32_t Generation = 0;
    };
    static uint64_t Pack(const TControl& control);
    static TControl Unpack(uint64_t word);
    template <class Change> void UpdateControl(Change change);

    TZylVoice(const TZylPcmFormat& format, uint32_t sizeBytes);
    void Accumulate(float* mix, uint32_t frames, uint16_t mixChannels, uint32_t rampIndex,
                    uint32_t rampLength) const;
    double RatioFor(uint32_t deviceRate) const;
    uint32_t FillStage(uint32_t frame, uint32_t limit, double ratio);

    const TZylPcmFormat Format;
    const uint32_t TotalFrames;
    std::unique_ptr<uint8_t[]> Data;
    std::unique_ptr<float[]> Stage; // source frames offered to the converter
    std::unique_ptr<float[]> Out;   // converter output before the gains
    SRC_STATE* Converter = nullptr;

    std::atomic<uint64_t> Control{0};
    std::atomic<uint32_t> Frequency;
    std::atomic<int32_t> DeviceVolume{0};
    std::atomic<int32_t> DevicePan{0};
    std::atomic<uint32_t> WriteSequence{0};

    // Owned by the render thread.
    uint32_t HistoryGeneration = 0;
    uint32_t TailFed = 0; // silence offered since a one-shot voice's end
    TZylGains RampFrom;
    TZylGains RampTo;
};
