// Processing stages: every chunk the stream buffer writes into the device
// buffer passes in place through an ordered list of stages. The end-of-song
// stage marks the blocks that lie after the song's last sample; the meter
// stage records per-block peaks for the VU meter and decides when stereo is
// folded down to one output channel. The fold itself happens where the
// balance is applied, in the device buffer, so that both act on what is
// heard at once rather than on audio written seconds ahead. Every call comes with the player
// system's lock held: Process and NotifyPosition from the worker, the rest from the window thread.
#pragma once

#include "engine/device/ZylSampleFormat.h"

#include <cstdint>
#include <vector>

class TZylSoundBufferTAG;

// Flag bits a stage returns from Flags(): which notifications it wants.
constexpr uint32_t kDspWantsVolume = 0x08;
constexpr uint32_t kDspWantsPan = 0x10;
constexpr uint32_t kDspWantsPosition = 0x20;

class TDSPTAG {
public:
    virtual ~TDSPTAG() = default;
    // A device buffer was created; arrays are sized to it.
    virtual void Start(TZylSoundBufferTAG* buffer, uint32_t chunkBytes) = 0;
    virtual void Stop() = 0;
    // data points at the region [offset, offset + length) of the device
    // buffer; its first validBytes hold the song, the rest is silence.
    virtual void Process(uint8_t* data, uint32_t reserved, uint32_t offset, uint32_t length,
                         uint32_t validBytes) = 0;
    virtual uint32_t Flags() { return 0; }
    virtual void NotifyPosition(uint32_t /*ms*/) {}
    virtual void NotifyVolume(uint32_t /*volume*/) {}
    virtual void NotifyPan(int /*pan*/) {}
};

// Marks the device-buffer blocks (up to 40 PCM frames each) written after
// the song's end with the current marker. A restart bumps the marker so that
// marks written before it no longer count. Blocks divide the chunk, so that
// the chunk being written never marks a block that the play cursor may be
// in: the chunk after it still holds the song's audio of the last lap.
class TVxControlDSPTAG final : public TDSPTAG {
public:
    static constexpr uint32_t MaxFramesPerBlock = 40;

    void Start(TZylSoundBufferTAG* buffer, uint32_t chunkBytes) override;
    void Stop() override;
    void Process(uint8_t* data, uint32_t reserved, uint32_t offset, uint32_t length,
                 uint32_t validBytes) override;
    uint32_t Flags() override { return kDspWantsPosition; }
    void NotifyPosition(uint32_t ms) override;

    // True when the play cursor lies in a block marked since the last restart.
    bool IsEndOfSong() const;

    uint32_t BlockBytes = 0;
    uint32_t BlockCount = 0;
    uint16_t Marker = 1;
    std::vector<uint16_t> Marks;
    TZylSoundBufferTAG* Buffer = nullptr;
};

// Level meter and the mono downmix's mode. The meter reads every sample
// layout a device buffer may have; with a downmix the folded side shows the
// average of both channels and the other side stays dark, as they sound.
class TVxVMetterDSPTAG final : public TDSPTAG {
public:
    enum : uint8_t { ModeNone = 0, ModeLeft = 1, ModeRight = 2 };
    // Even kinds are mono, odd kinds stereo.
    enum : uint8_t {
        Kind8Mono = 0,
        Kind8Stereo = 1,
        Kind16Mono = 2,
        Kind16Stereo = 3,
        Kind24Mono = 4,
        Kind24Stereo = 5,
        Kind32Mono = 6,
        Kind32Stereo = 7,
        KindFloatMono = 8,
        KindFloatStereo = 9,
    };

    void Start(TZylSoundBufferTAG* buffer, uint32_t chunkBytes) override;
    void Stop() override;
    void Process(uint8_t* data, uint32_t reserved, uint32_t offset, uint32_t length,
                 uint32_t validBytes) override;
    uint32_t Flags() override { return kDspWantsPosition | kDspWantsVolume | kDspWantsPan; }
    void NotifyPosition(uint32_t ms) override;
    void NotifyVolume(uint32_t volume) override;
    void NotifyPan(int pan) override;

    void SetDownmix(bool on);
    // Peak levels 0..255 of the audio between the previous call's play
    // cursor and the current one.
    void GetLevels(int& left, int& right);

    uint32_t BlockBytes = 0;
    uint32_t BlockCount = 0;
    uint32_t BlockFrames = 0;
    uint32_t SamplesPerBlock = 0;
    std::vector<uint8_t> LeftPeaks;
    std::vector<uint8_t> RightPeaks;
    std::vector<uint8_t> FoldedPeaks; // of the average of both channels
    uint32_t LastBlock = 0;
    uint8_t Mode = ModeNone;
    bool Downmix = false;
    uint8_t Kind = Kind16Stereo;
    uint32_t BytesPerFrame = 4;
    int Volume = 100;
    int LeftGain = 100;
    int RightGain = 100;
    float LeftScale = 255.0f;
    float RightScale = 255.0f;
    TZylSoundBufferTAG* Buffer = nullptr;

private:
    void Scan(const uint8_t* region, uint32_t offset, uint32_t length);
    // A sample at 16-bit scale, whatever the layout.
    int SampleAt(const uint8_t* p) const;
    void UpdateScales();

    TZylSampleType SampleType = TZylSampleType::S16;
};
