// The fade that ends a voice's sound without a click. After every render
// pass the voice snapshots the source frames it would play next; when the
// transport then stops or jumps, the fade plays that snapshot out over a few
// milliseconds, falling to silence, while the voice itself has already moved
// on. The snapshot keeps the fade off the buffer memory, which the engine
// may be rewriting by then.
//
// Render thread only; the storage is allocated at construction.
#pragma once

#include <cstdint>
#include <memory>

class TZylFade {
public:
    // Source frames a snapshot holds at most: a fade of the longest ramp at
    // the highest pitch the mixer plays a buffer at without running short.
    static constexpr uint32_t kCapacity = 2048;

    explicit TZylFade(uint16_t channels);
    // False when the storage could not be allocated.
    bool Allocated() const { return Snapshot && Fading; }

    // The frames the next snapshot wants: rampFrames output frames at step
    // source frames per output frame, and one more to interpolate against.
    uint32_t SnapshotFrames(uint32_t rampFrames, double step) const;
    // Where a snapshot goes: SnapshotFrames frames, interleaved.
    float* SnapshotData() { return Snapshot.get(); }
    // Commits a snapshot of frames frames that starts fraction of a frame
    // before its first output and advances step frames per output frame.
    void Commit(uint32_t frames, double fraction, double step);
    // Forgets the snapshot: nothing was sounding.
    void Forget() { Frames = 0; }

    // Starts fading out the committed snapshot over rampFrames frames.
    void Begin(uint32_t rampFrames);
    bool Active() const { return Done < Length; }
    // Writes the next frames of the fade (at most count) to out as
    // interleaved frames and their gains to envelope; returns the frames.
    uint32_t Next(uint32_t count, float* out, float* envelope);

private:
    const uint16_t Channels;
    // The snapshot being taken and the one fading out: a new snapshot may be
    // taken while an older one still fades.
    std::unique_ptr<float[]> Snapshot;
    std::unique_ptr<float[]> Fading;
    uint32_t Frames = 0;
    double Fraction = 0.0;
    double Step = 1.0;
    double FadingFraction = 0.0;
    double FadingStep = 1.0;
    uint32_t Length = 0;
    uint32_t Done = 0;
};
