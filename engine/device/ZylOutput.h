// An opened output: the mixer and the back end that pulls from it. The
// audio object and every buffer created on it share ownership, so a buffer
// that outlives its audio object still releases its voice safely.
//
// A device lost while streaming is reported once; the mixer moves onto a
// silent clock (in tests: a hand-stepped stream) so that play cursors keep
// moving, and the device is reopened with a back-off, off the audio
// callback and off the window thread, until it is back. Its return is
// reported once too, and sound resumes at the current position. The lost
// stream is closed first, on a thread of its own: a close that never returns
// (PortAudio's JACK host waits for a server that is gone) is abandoned and
// leaked deliberately, and the device then stays on the silent clock.
//
// Quiet: when nothing has sounded for a while (see TZylMixer::kQuietAfterMs)
// the render thread posts the quiet signal, and the output's quiet thread
// pauses the stream (TZylBackend::Pause), so that a paused deck's process
// does not wake. Wake, which every Play calls after marking its voice
// playing, resumes it at once on the calling thread, before Play returns:
// the first frames the mixer renders afterwards are the voice's first. Play
// and the quiet decision cannot miss each other: Wake restarts the mixer's
// silence count and then reads Quiet; the quiet thread sets Quiet and then
// reads the silence count again, resuming when it was restarted meanwhile.
// A device lost while quiet is found when Wake resumes it (Resume fails, or
// HasFailed says so) and recovered as any loss.
//
// Threads: everything here runs under the player system's lock, except the
// back end's render thread, which only ever touches the mixer, the reopening
// thread, which swaps the back end under this object's own lock, and the
// quiet thread, which pauses the stream under that lock.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDS.h"
#include "engine/device/ZylDSResult.h"
#include "engine/device/ZylRetry.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <semaphore.h>

class TZylBackend;
class TZylMixer;

class TZylOutput {
public:
    // Finds the device (null: the default one) on the back end that the
    // environment or the hand-stepped override selects.
    static ZylResult Create(const TZylDeviceId* id, std::shared_ptr<TZylOutput>* output);
    ~TZylOutput();
    TZylOutput(const TZylOutput&) = delete;
    TZylOutput& operator=(const TZylOutput&) = delete;

    // Starts the stream at format, replacing any stream running before.
    ZylResult SetFormat(const TWaveFormatEx& format);
    // Stops the stream for good; voices stay registered but no longer move.
    void Shutdown();

    TZylMixer& Mixer() { return *MixerPart; }
    int ConverterType() const { return Converter; }
    double OutputLatency();

    // The latency setting the output opened with.
    int LatencySetting() const { return Latency; }

    // True while the stream is lost. The first call that sees the stream
    // dead reports the loss and moves the mixer onto a silent clock. Never
    // waits for the output's own threads: while one of them holds the
    // stream, it answers from what it knew.
    bool CheckLost();

    // A voice was just marked playing: restarts a quiet stream at once.
    // True when the stream was quiet (a device lost meanwhile is then
    // worth a CheckLost).
    bool Wake();
    // True while the stream is paused because nothing plays.
    bool IsQuiet() const { return Quiet.load(); }

private:
    TZylOutput(std::unique_ptr<TZylBackend> backend, const TZylAudioChoice& choice,
               const TZylDeviceId* id, int converter);
    static std::unique_ptr<TZylBackend> MakeBackend(const TZylAudioChoice& choice,
                                                    const TZylDeviceId* id, ZylResult* result);
    bool TryReopen();
    bool BuryDead();
    void QuietLoop();
    // With BackendMutex held: the stream runs and counts silence afresh.
    void Running();

    const TZylAudioChoice Choice;
    const bool HasId;
    const TZylDeviceId Id;
    const int Converter;
    const int Latency = ZylLatencySetting();
    std::unique_ptr<TZylMixer> MixerPart;
    std::mutex BackendMutex; // Backend, Dead, Streaming and Lost's changes
    std::unique_ptr<TZylBackend> Backend;
    // The lost back end, still to be closed: closing it may block for a long
    // time (PortAudio waits minutes for a vanished JACK server), so the
    // reopening thread does it, bounded.
    std::unique_ptr<TZylBackend> Dead;
    std::shared_ptr<std::atomic<bool>> Buried; // the dead back end's close returned
    bool Streaming = false;
    std::atomic<bool> Lost{false}; // written under BackendMutex
    // The servers the lost stream played through (see ServerSockets).
    std::vector<std::string> LostServers;
    TZylRetry Reopen;
    // The quiet thread and its signal, which the mixer posts.
    sem_t QuietSignal;
    std::atomic<bool> QuietStopping{false};
    std::atomic<bool> Quiet{false}; // written under BackendMutex
    std::thread QuietThread;
};

// True when format is one the mixer can play or output: PCM of 8, 16, 24
// (packed) or 32 bits or 32-bit IEEE float, one or two channels,
// 100..768000 Hz, consistent block alignment.
bool ZylIsPlayableFormat(const TWaveFormatEx& format);
