#include "engine/device/ZylKeyLock.h"

#include "engine/device/ZylVoice.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using RubberBand::RubberBandStretcher;

// How often the producer thread looks at the queue: well inside the lead.
constexpr auto kProducerWake = std::chrono::milliseconds(5);
// The queue's room in units of the lead: frames of a cut still waiting to
// be skipped must never keep the new ones out.
constexpr uint32_t kRingLeads = 8;

RubberBandStretcher::Options OptionsFor(TZylKeyLockEngine engine) {
    RubberBandStretcher::Options options = RubberBandStretcher::OptionProcessRealTime |
                                           RubberBandStretcher::OptionThreadingNever |
                                           RubberBandStretcher::OptionChannelsTogether;
    switch (engine) {
    case TZylKeyLockEngine::FinerShort:
        return options | RubberBandStretcher::OptionEngineFiner |
               RubberBandStretcher::OptionWindowShort;
    case TZylKeyLockEngine::Finer:
        return options | RubberBandStretcher::OptionEngineFiner;
    case TZylKeyLockEngine::Faster:
        break;
    }
    return options | RubberBandStretcher::OptionEngineFaster;
}

// Distance from a to b on a ring of total frames, in -total/2..total/2.
double Wrapped(double from, double to, uint32_t total) {
    double d = to - from;
    const double half = total / 2.0;
    if (d > half)
        d -= total;
    else if (d < -half)
        d += total;
    return d;
}

} // namespace

TZylKeyLockEngine ZylKeyLockEngineFromEnvironment() {
    const char* name = std::getenv("VEXALINE_KEYLOCK");
    if (name != nullptr && std::strcmp(name, "r3") == 0)
        return TZylKeyLockEngine::Finer;
    if (name != nullptr && std::strcmp(name, "r2") == 0)
        return TZylKeyLockEngine::Faster;
    return TZylKeyLockEngine::FinerShort;
}

TZylKeyLock::TZylKeyLock(const TZylVoice& voice, TZylKeyLockEngine engine, uint32_t deviceRate)
    : Voice(voice), Engine(engine), Channels(voice.PcmFormat().Channels),
      TotalFrames(voice.Frames()),
      RingFrames(std::max(deviceRate, voice.PcmFormat().SampleRate) * kLeadMs / 1000 * kRingLeads),
      DeviceRate(deviceRate) {}

std::unique_ptr<TZylKeyLock> TZylKeyLock::Create(const TZylVoice& voice, TZylKeyLockEngine engine,
                                                 uint32_t deviceRate, bool threaded) {
    if (deviceRate == 0)
        deviceRate = voice.PcmFormat().SampleRate;
    if (voice.PcmFormat().Channels > kMaxChannels || voice.Frames() == 0)
        return nullptr;
    std::unique_ptr<TZylKeyLock> keyLock(new (std::nothrow) TZylKeyLock(voice, engine, deviceRate));
    if (keyLock == nullptr || !keyLock->Allocate())
        return nullptr;
    if (threaded)
        keyLock->Producer = std::thread(&TZylKeyLock::ProducerLoop, keyLock.get());
    return keyLock;
}

bool TZylKeyLock::Allocate() {
    const size_t ring = static_cast<size_t>(RingFrames) * Channels;
    const size_t block = static_cast<size_t>(kBlockFrames) * Channels;
    Ring.reset(new (std::nothrow) float[ring]);
    RingPos.reset(new (std::nothrow) double[RingFrames]);
    Interleaved.reset(new (std::nothrow) float[block]);
    Planar.reset(new (std::nothrow) float[block]);
    PlanarPtr.reset(new (std::nothrow) float*[Channels]);
    Segments.reset(new (std::nothrow) TSegment[kMaxSegments]);
    if (!Ring || !RingPos || !Interleaved || !Planar || !PlanarPtr || !Segments)
        return false;
    for (uint16_t c = 0; c < Channels; ++c)
        PlanarPtr[c] = Planar.get() + static_cast<size_t>(c) * kBlockFrames;
    Stretcher = std::make_unique<RubberBandStretcher>(Voice.PcmFormat().SampleRate, Channels,
                                                      OptionsFor(Engine));
    Stretcher->setMaxProcessSize(kBlockFrames);
    return true;
}

TZylKeyLock::~TZylKeyLock() {
    if (Producer.joinable()) {
        {
            std::lock_guard<std::mutex> guard(Mutex);
            Quit = true;
        }
        Wake.notify_one();
        Producer.join();
    }
}

void TZylKeyLock::ProducerLoop() {
    std::unique_lock<std::mutex> guard(Mutex);
    while (!Quit) {
        if (On.load(std::memory_order_acquire) && Started && !Held) {
            if (ProducerBehind())
                RestartLocked(Voice.GetCursor() / Voice.PcmFormat().BlockAlign);
            else
                TopUpLocked();
        }
        if (Voice.IsPlaying())
            Wake.wait_for(guard, kProducerWake);
        else
            Wake.wait(guard); // a paused deck's stretcher sleeps until Nudge
    }
}

void TZylKeyLock::Nudge() {
    { std::lock_guard<std::mutex> guard(Mutex); }
    Wake.notify_one();
}

void TZylKeyLock::Enable(bool on) {
    std::lock_guard<std::mutex> guard(Mutex);
    if (on == On.load(std::memory_order_relaxed))
        return;
    On.store(on, std::memory_order_release);
    if (on)
        RestartLocked(Voice.GetCursor() / Voice.PcmFormat().BlockAlign);
    else
        Started = false;
}

void TZylKeyLock::Restart(uint32_t frame) {
    std::lock_guard<std::mutex> guard(Mutex);
    Held = false;
    if (On.load(std::memory_order_relaxed))
        RestartLocked(frame);
}

void TZylKeyLock::Suspend() {
    std::lock_guard<std::mutex> guard(Mutex);
    Held = true;
    Started = false;
}

void TZylKeyLock::PublishWritten(uint32_t endFrame) {
    Written.store(TotalFrames == 0 ? 0 : endFrame % TotalFrames, std::memory_order_release);
}

void TZylKeyLock::Service() {
    std::lock_guard<std::mutex> guard(Mutex);
    if (!On.load(std::memory_order_relaxed) || Held)
        return;
    if (!Started || ProducerBehind())
        RestartLocked(Voice.GetCursor() / Voice.PcmFormat().BlockAlign);
    else
        TopUpLocked();
}

// The callback has passed everything queued (the producer was starved, or
// the voice moved without a restart): start again where it plays.
bool TZylKeyLock::ProducerBehind() const {
    if (!Voice.IsPlaying() || QueuedFrames() > 0)
        return false;
    const double cursor = static_cast<double>(Voice.GetCursor() / Voice.PcmFormat().BlockAlign);
    return Wrapped(NextPos, cursor, TotalFrames) > kBlockFrames;
}

double TZylKeyLock::CurrentStep() {
    const uint32_t rate = Voice.DeviceRateSeen();
    if (rate != 0)
        DeviceRate = rate;
    return static_cast<double>(Voice.GetFrequency()) / DeviceRate;
}

// Time ratio: output frames at the device rate per source frame. Pitch
// scale: the song's rate over the device rate, so that the output played at
// the device rate sounds in the song's key.
void TZylKeyLock::ApplyRatios() {
    const double ratio = 1.0 / CurrentStep();
    const double pitch = static_cast<double>(Voice.PcmFormat().SampleRate) / DeviceRate;
    if (ratio != Ratio) {
        Stretcher->setTimeRatio(ratio);
        Ratio = ratio;
    }
    if (pitch != Pitch) {
        Stretcher->setPitchScale(pitch);
        Pitch = pitch;
    }
}

void TZylKeyLock::RestartLocked(uint32_t frame) {
    Stretcher->reset();
    Ratio = Pitch = 0.0;
    ApplyRatios();
    const auto pad = static_cast<uint32_t>(Stretcher->getPreferredStartPad());
    std::fill_n(Planar.get(), static_cast<size_t>(kBlockFrames) * Channels, 0.0f);
    for (uint32_t fed = 0; fed < pad;) {
        const uint32_t count = std::min(pad - fed, kBlockFrames);
        Stretcher->process(PlanarPtr.get(), count, false);
        fed += count;
    }
    StartDrop = static_cast<uint32_t>(Stretcher->getStartDelay());
    Latency.store(StartDrop, std::memory_order_relaxed);
    Feed = TotalFrames == 0 ? 0 : frame % TotalFrames;
    NextPos = Feed;
    SegmentHead = SegmentCount = 0;
    // Everything queued so far belongs to the old position.
    FlushBefore.store(WriteIndex.load(std::memory_order_relaxed), std::memory_order_release);
    Started = true;
    Drain(); // the padding's output, all of it start delay
    TopUpLocked();
}

uint64_t TZylKeyLock::QueuedFrames() const {
    const uint64_t write = WriteIndex.load(std::memory_order_relaxed);
    const uint64_t start = std::max(ReadIndex.load(std::memory_order_acquire),
                                    FlushBefore.load(std::memory_order_relaxed));
    return write > start ? write - start : 0;
}

uint32_t TZylKeyLock::WrittenAhead() const {
    const uint32_t written = Written.load(std::memory_order_acquire);
    return (written + TotalFrames - Feed) % TotalFrames;
}

uint64_t TZylKeyLock::Room() const {
    return RingFrames -
           (WriteIndex.load(std::memory_order_relaxed) - ReadIndex.load(std::memory_order_acquire));
}

// Stops short of filling the ring: whatever the stretcher still holds stays
// there until the callback makes room.
void TZylKeyLock::TopUpLocked() {
    const uint64_t lead = static_cast<uint64_t>(DeviceRate) * kLeadMs / 1000;
    while (QueuedFrames() < lead && Room() > 4 * kBlockFrames && FeedBlock())
        Drain();
}

// Offers the stretcher one block of source frames from Feed on; false when
// nothing written is left to offer or the segment list is full.
bool TZylKeyLock::FeedBlock() {
    const uint32_t count = std::min({WrittenAhead(), kBlockFrames, TotalFrames - Feed});
    if (count == 0 || SegmentCount == kMaxSegments)
        return false;
    ApplyRatios();
    const TZylPcmFormat& format = Voice.PcmFormat();
    ZylPcmToFloat(Voice.Samples() + static_cast<size_t>(Feed) * format.BlockAlign, format.Type,
                  count * Channels, Interleaved.get());
    for (uint32_t i = 0; i < count; ++i)
        for (uint16_t c = 0; c < Channels; ++c)
            PlanarPtr[c][i] = Interleaved[static_cast<size_t>(i) * Channels + c];
    Stretcher->process(PlanarPtr.get(), count, false);
    const double step = 1.0 / Ratio;
    Segments[(SegmentHead + SegmentCount) % kMaxSegments] = {count / step, step};
    ++SegmentCount;
    Feed = (Feed + count) % TotalFrames;
    return true;
}

void TZylKeyLock::Drain() {
    for (;;) {
        const int available = Stretcher->available();
        const auto count = static_cast<uint32_t>(std::min<uint64_t>(
            {static_cast<uint64_t>(std::max(0, available)), kBlockFrames, Room()}));
        if (count == 0)
            return;
        Stretcher->retrieve(PlanarPtr.get(), count);
        const uint32_t drop = std::min(count, StartDrop);
        StartDrop -= drop;
        if (drop < count) {
            float* rest[kMaxChannels];
            for (uint16_t c = 0; c < Channels; ++c)
                rest[c] = PlanarPtr[c] + drop;
            Queue(rest, count - drop);
        }
    }
}

// Queues output frames, each with the source frame it stands for: the
// segments fed earlier say how many output frames each input run makes.
void TZylKeyLock::Queue(const float* const* planar, uint32_t count) {
    uint64_t write = WriteIndex.load(std::memory_order_relaxed);
    for (uint32_t i = 0; i < count; ++i, ++write) {
        const size_t slot = write % RingFrames;
        for (uint16_t c = 0; c < Channels; ++c)
            Ring[slot * Channels + c] = planar[c][i];
        RingPos[slot] = NextPos;
        double step = 1.0 / Ratio;
        if (SegmentCount > 0) {
            TSegment& segment = Segments[SegmentHead];
            step = segment.Step;
            segment.OutFrames -= 1.0;
            if (segment.OutFrames <= 0.0 && SegmentCount > 1) {
                const double carry = segment.OutFrames;
                SegmentHead = (SegmentHead + 1) % kMaxSegments;
                --SegmentCount;
                Segments[SegmentHead].OutFrames += carry;
            }
        }
        NextPos += step;
        if (NextPos >= TotalFrames)
            NextPos -= TotalFrames;
    }
    WriteIndex.store(write, std::memory_order_release);
}

// ----------------------------------------------------------- callback side

bool TZylKeyLock::Align(double& position, double step) {
    const uint64_t write = WriteIndex.load(std::memory_order_acquire);
    uint64_t read = std::max(ReadIndex.load(std::memory_order_relaxed),
                             FlushBefore.load(std::memory_order_acquire));
    bool found = false;
    while (read < write) {
        const double d = Wrapped(position, RingPos[read % RingFrames], TotalFrames);
        if (d < -0.5 * step) {
            ++read;
            continue;
        }
        found = d < step;
        if (found)
            position = RingPos[read % RingFrames];
        break;
    }
    ReadIndex.store(read, std::memory_order_release);
    return found;
}

void TZylKeyLock::SkipStale() {
    const uint64_t flush = FlushBefore.load(std::memory_order_acquire);
    if (ReadIndex.load(std::memory_order_relaxed) < flush)
        ReadIndex.store(flush, std::memory_order_release);
}

uint32_t TZylKeyLock::Available() const {
    const uint64_t write = WriteIndex.load(std::memory_order_acquire);
    const uint64_t read = std::max(ReadIndex.load(std::memory_order_relaxed),
                                   FlushBefore.load(std::memory_order_acquire));
    return write > read ? static_cast<uint32_t>(write - read) : 0;
}

void TZylKeyLock::Read(float* out, uint32_t count, double step, double& position) {
    uint64_t read = std::max(ReadIndex.load(std::memory_order_relaxed),
                             FlushBefore.load(std::memory_order_acquire));
    for (uint32_t i = 0; i < count; ++i, ++read) {
        const size_t slot = read % RingFrames;
        std::memcpy(out + static_cast<size_t>(i) * Channels, Ring.get() + slot * Channels,
                    sizeof(float) * Channels);
        position = RingPos[slot] + step;
    }
    if (position >= TotalFrames)
        position -= TotalFrames;
    ReadIndex.store(read, std::memory_order_release);
}

uint32_t TZylKeyLock::Peek(float* out, uint32_t count) const {
    const uint32_t frames = std::min(count, Available());
    const uint64_t read = std::max(ReadIndex.load(std::memory_order_relaxed),
                                   FlushBefore.load(std::memory_order_acquire));
    for (uint32_t i = 0; i < frames; ++i)
        std::memcpy(out + static_cast<size_t>(i) * Channels,
                    Ring.get() + ((read + i) % RingFrames) * Channels, sizeof(float) * Channels);
    return frames;
}
