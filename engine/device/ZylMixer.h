// The software mixer: the set of voices the output plays, and the render
// call that the back end's callback (or a test's step) makes.
//
// The mix is limited to full scale before it is converted to the stream's
// layout (see ZylLimiter.h).
//
// Voices join and leave through a fixed table of atomic slots. Render marks
// each pass with an odd epoch while it runs; Remove empties the slot and then
// waits out a pass that may still hold the voice, so the caller can free the
// voice as soon as Remove returns. Render never allocates, locks or blocks.
//
// Quiet: Render counts the frames it has mixed since a voice last sounded
// (played, or faded out after a stop or jump). Once that reaches QuietFrames
// the output may stop the stream; Render then posts the quiet signal once
// (sem_post, which neither locks nor blocks). NoteActivity, which every Play
// calls before it wakes the stream, starts the count afresh.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/device/ZylLimiter.h"
#include "engine/device/ZylSampleFormat.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include <semaphore.h>

class TZylVoice;

class TZylMixer {
public:
    static constexpr uint32_t kMaxVoices = 32;
    // Frames mixed per pass; longer renders run in several passes.
    static constexpr uint32_t kPassFrames = 1024;

    TZylMixer();

    // The device format (1 or 2 channels, any sample layout the buffers
    // may have). The stream starts out in this format; a back end that
    // streams otherwise says so with SetStream. Only while no render runs:
    // before the stream starts or after it stopped.
    void SetFormat(const TWaveFormatEx& format);
    // The sample layout and rate the stream really runs at.
    void SetStream(TZylSampleType type, uint32_t rate);

    // Engine side. Add returns false when every slot is taken.
    bool Add(TZylVoice* voice);
    void Remove(TZylVoice* voice);

    // Render side, one thread at a time: writes frames frames in the
    // stream's layout to out.
    void Render(void* out, uint32_t frames);

    const TWaveFormatEx& Format() const { return DeviceFormat; }
    uint32_t StreamRate() const { return Rate; }
    TZylSampleType StreamType() const { return Type; }

    // How long the mix stays silent before the stream may stop: long enough
    // for the device to play out what it holds of the last sound.
    static constexpr uint32_t kQuietAfterMs = 300;
    // Posted from the render thread when the mix has just become quiet.
    // Set before the stream starts.
    void SetQuietSignal(sem_t* signal) { QuietSignal = signal; }
    // Engine side: a voice is about to sound.
    void NoteActivity() { SilentFrames.store(0); }
    // Whether anyone hears the mix. While nobody does (a silent clock stands
    // in for a lost device) the voices only move their positions on.
    void SetHeard(bool heard) { Heard.store(heard, std::memory_order_relaxed); }
    // True while the mix has been silent for QuietFrames or more.
    bool IsQuiet() const { return SilentFrames.load() >= QuietFrames.load(); }

private:
    void RenderPass(uint8_t* out, uint32_t frames);

    TWaveFormatEx DeviceFormat;
    TZylSampleType Type = TZylSampleType::S16;
    uint32_t Rate = 0;
    uint32_t FrameBytes = 0;
    std::array<std::atomic<TZylVoice*>, kMaxVoices> Slots{};
    std::atomic<uint64_t> Epoch{0};
    // Guards against two render threads at once (a lost device's stream
    // still finishing while its replacement clock starts): the second one
    // outputs silence instead of corrupting the voices' converter state.
    std::atomic<bool> Rendering{false};
    std::unique_ptr<float[]> Mix;
    TZylLimiter Limiter;
    std::atomic<bool> Heard{true};
    std::atomic<uint64_t> SilentFrames{0};
    std::atomic<uint64_t> QuietFrames{~0ull};
    sem_t* QuietSignal = nullptr;
};
