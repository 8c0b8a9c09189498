// Key lock for one voice: a time stretcher that plays the voice's buffer at
// its playback frequency's tempo while the music keeps its key.
//
// The stretcher works in bursts of a few hundred frames and costs far more
// than a render pass may take, so it never runs in the audio callback. A
// producer (a thread of its own, or the engine's tick when the device is
// stepped by hand) reads the buffer memory ahead of the play cursor, up to
// what the engine has written, stretches it and queues the result at the
// device rate in a ring that the callback reads. Every queued frame carries
// the source frame it stands for, so the play cursor, and with it the
// song's position, keeps following the source exactly.
//
// Positions stay exact across cuts: a restart resets the stretcher, feeds it
// the padding it asks for, drops the output frames of its start delay, and
// queues at once enough output that the first frame the callback reads after
// the cut is the requested source frame. Frames queued before the restart
// are skipped by the callback, not replayed.
//
// Threads: Enable, Restart, Suspend, PublishWritten and Service run on the
// engine side (the player system's lock or the producer thread); they share
// a mutex the callback never takes. Align, Available, Read and Peek are the
// callback's, lock-free; the ring is single-producer, single-consumer.
#pragma once

#include "engine/device/ZylSampleFormat.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace RubberBand {
class RubberBandStretcher;
}

class TZylVoice;

// The stretcher's engine and window: the finer engine with its short
// window (the default), the finer engine with its standard window, or the
// faster engine. VEXALINE_KEYLOCK ("r3-short", "r3", "r2") picks one.
enum class TZylKeyLockEngine : uint8_t { FinerShort, Finer, Faster };
TZylKeyLockEngine ZylKeyLockEngineFromEnvironment();

class TZylKeyLock {
public:
    // Output frames kept queued ahead of the callback: covers the producer's
    // wake interval and the stretcher's bursts, and is as long as a tempo
    // change may take to be heard.
    static constexpr uint32_t kLeadMs = 60;

    // Allocates everything (engine side). threaded: a producer thread of
    // its own; otherwise the owner calls Service after every engine tick.
    static std::unique_ptr<TZylKeyLock> Create(const TZylVoice& voice, TZylKeyLockEngine engine,
                                               uint32_t deviceRate, bool threaded);
    ~TZylKeyLock();
    TZylKeyLock(const TZylKeyLock&) = delete;
    TZylKeyLock& operator=(const TZylKeyLock&) = delete;

    // Engine side.
    void Enable(bool on);
    bool Enabled() const { return On.load(std::memory_order_acquire); }
    // Starts stretching at source frame frame and queues the lead at once.
    void Restart(uint32_t frame);
    // Before the engine writes where the producer may be reading: waits for
    // the producer to stop and keeps it idle until the next Restart.
    void Suspend();
    // Engine side: the voice was just played. The producer thread sleeps
    // without a timeout while its voice does not play, and wakes here.
    void Nudge();
    // The engine wrote the buffer up to endFrame (exclusive, wrapping).
    void PublishWritten(uint32_t endFrame);
    // Tops the queue up to the lead. Producer thread or the owner's tick.
    void Service();
    // Stretcher latency in output frames at the device rate (start delay).
    uint32_t LatencyFrames() const { return Latency.load(std::memory_order_relaxed); }
    // Times the callback found the queue short while key lock played.
    uint32_t Underruns() const { return UnderrunCount.load(std::memory_order_relaxed); }

    // Callback side. Drops queued frames behind position; true when the
    // next queued frame stands for position (within a frame), which then
    // moves onto that frame exactly.
    bool Align(double& position, double step);
    uint32_t Available() const;
    // Moves count queued frames (count <= Available()) to out; position
    // becomes the source frame after them.
    void Read(float* out, uint32_t count, double step, double& position);
    // Copies up to count queued frames without taking them; returns how many.
    uint32_t Peek(float* out, uint32_t count) const;
    // Every render pass: gives the room of frames a restart made stale back
    // to the producer, whether the voice plays or not.
    void SkipStale();
    void NoteUnderrun() { UnderrunCount.fetch_add(1, std::memory_order_relaxed); }

private:
    // One run of input frames fed at one step (source frames per output
    // frame), and the output frames it still accounts for.
    struct TSegment {
        double OutFrames;
        double Step;
    };
    static constexpr uint32_t kBlockFrames = 512;
    static constexpr uint32_t kMaxSegments = 256;
    static constexpr uint16_t kMaxChannels = 8;

    TZylKeyLock(const TZylVoice& voice, TZylKeyLockEngine engine, uint32_t deviceRate);
    bool Allocate();
    void ProducerLoop();
    void RestartLocked(uint32_t frame);
    void TopUpLocked();
    double CurrentStep();
    uint64_t Room() const;
    void ApplyRatios();
    uint32_t WrittenAhead() const;
    uint64_t QueuedFrames() const;
    bool FeedBlock();
    void Drain();
    void Queue(const float* const* planar, uint32_t count);
    bool ProducerBehind() const;

    const TZylVoice& Voice;
    const TZylKeyLockEngine Engine;
    const uint16_t Channels;
    const uint32_t TotalFrames;
    const uint32_t RingFrames;
    uint32_t DeviceRate;
    std::unique_ptr<RubberBand::RubberBandStretcher> Stretcher;
    std::unique_ptr<float[]> Ring;        // interleaved output frames
    std::unique_ptr<double[]> RingPos;    // the source frame of each
    std::unique_ptr<float[]> Interleaved; // one block of source frames
    std::unique_ptr<float[]> Planar;      // the same block, one run per channel
    std::unique_ptr<float*[]> PlanarPtr;
    std::unique_ptr<TSegment[]> Segments;

    std::atomic<bool> On{false};
    std::atomic<uint64_t> WriteIndex{0};
    std::atomic<uint64_t> ReadIndex{0};
    std::atomic<uint64_t> FlushBefore{0}; // frames before it are stale
    std::atomic<uint32_t> Written{0};     // end of the engine's writes
    std::atomic<uint32_t> Latency{0};
    std::atomic<uint32_t> UnderrunCount{0};

    // Producer state, under Mutex.
    std::mutex Mutex;
    bool Started = false;
    bool Held = false;
    uint32_t Feed = 0;      // next source frame offered
    uint32_t StartDrop = 0; // output frames of the start delay still to drop
    double NextPos = 0.0;   // source frame of the next output frame
    double Ratio = 0.0;     // the time ratio in effect
    double Pitch = 0.0;     // the pitch scale in effect
    uint32_t SegmentHead = 0;
    uint32_t SegmentCount = 0;

    std::thread Producer;
    std::condition_variable Wake;
    bool Quit = false;
};
