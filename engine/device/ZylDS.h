// The sound device layer: the opened output device (TZylAudioTAG) and its
// buffers (TZylSoundBufferTAG), over an in-process software mixer.
//
// How the engine obtains a device: create a TZylAudioTAG and Open it. Open
// picks the back end from the environment: VEXALINE_AUDIO unset (or
// "portaudio") plays through PortAudio, "portaudio:HOST" on the default
// device of the host API named HOST (e.g. "portaudio:jack"), "jack" on the
// JACK server through a client of its own (which survives a server
// restart); "null" plays nothing but keeps real time with a clock thread;
// "null:capture=PATH" also writes everything it outputs to the WAV file
// PATH. VEXALINE_RESAMPLER picks the converter that plays buffers away from
// the device rate: "sinc-medium" (default), "sinc-best", "sinc-fastest",
// "linear" or "zoh".
// At the device rate no converter runs: the samples pass untouched.
//
// How a test drives the device by hand (see ZylNull.h):
//     ZylNullSetHandStepped(true);      // before the device opens
//     ... open the device, create and play buffers (directly or via the engine)
//     std::vector<int16_t> out = ZylNullStepSamples(441); // 10 ms of output
// While hand-stepped, no thread runs the mixer: each step renders exactly the
// frames asked for, so play cursors move only when the test steps.
// ZylNullSimulateDeviceLoss makes the device fail as if unplugged.
//
// A device lost while playing (unplugged, stream error, the sound server
// gone) is reported once through DiagReport; the buffers keep moving on a
// silent clock so the engine keeps running, and the same device is reopened,
// at first after a quarter second and then at most every two seconds, until
// it is back, when sound resumes at the current position
// (also reported once). IsLost is true meanwhile, so a song opened in the
// meantime re-creates the device.
//
// Threads: every operation here is called with the player system's lock held
// (one caller at a time). The mixer runs in the back end's callback and only
// reads the buffers' control state through atomics.
#pragma once

#include "decoding/VxPlayer.h"
#include "engine/device/ZylDSResult.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TZylOutput;
class TZylVoice;
class TZylSoundBufferTAG;

// A 16-byte output device identifier: a stable digest of the host API name
// and the device name. The default device has none (a null pointer).
struct TZylDeviceId {
    uint8_t Bytes[16] = {};
};

// Open flags: the value 1 starts the primary buffer after creation.
constexpr uint32_t kZylAudioPlayPrimary = 1;

struct TZylAudioParams {
    uint32_t Flags = 0;
    const TZylDeviceId* DeviceId = nullptr; // null: the default device
    void* Window = nullptr;                 // kept for the caller; no role here
    const TWaveFormatEx* Format = nullptr;  // null: 44100 Hz, 16-bit, stereo
};

// The output format used when the caller names none.
TWaveFormatEx ZylDefaultOutputFormat();

class TZylAudioTAG {
public:
    std::shared_ptr<TZylOutput> Device; // the opened output: mixer and back end
    TZylSoundBufferTAG* Primary = nullptr;
    uint32_t IsOpen = 0;
    void* Window = nullptr;
    TWaveFormatEx Format;

    TZylAudioTAG() = default;
    TZylAudioTAG(const TZylAudioTAG&) = delete;
    TZylAudioTAG& operator=(const TZylAudioTAG&) = delete;
    ~TZylAudioTAG();

    // 0 success; -1 failure reported here; -2 failure reported by the
    // primary buffer. After a failure nothing stays open.
    int Open(const TZylAudioParams& params);
    void Close();

    // True once the open device has stopped working (lost while playing).
    // The failure has already been reported; the song re-creates the device
    // at its next open.
    bool IsLost();
    // True when the options asked for another latency since the device
    // opened: the song re-creates the device at its next open.
    bool IsStale() const;
};

// Folding a stereo buffer into one output channel: the average of both
// channels plays on the chosen side, the other side is silent.
enum class TZylFold : uint8_t { None = 0, ToLeft = 1, ToRight = 2 };

// Create flags.
constexpr uint32_t kZylBufferSizeInMs = 1; // size is in milliseconds
constexpr uint32_t kZylBufferAlignUp = 2;  // round size up to a multiple of alignment
constexpr uint32_t kZylBufferLooping = 4;  // play looping

// Play flags.
constexpr uint32_t kZylPlayLooping = 1;

// Sample rates a buffer or the device may have, in Hz: the mixer converts
// any of them, hi-res ones (352.8 and 384 kHz, and twice that) included.
constexpr uint32_t kZylMinFrequency = 100;
constexpr uint32_t kZylMaxSampleRate = 768000;
// The highest playback frequency of a buffer: the fastest rate with room for
// any pitch. 0 means the buffer's own rate.
constexpr uint32_t kZylMaxFrequency = 2 * kZylMaxSampleRate;

// One device buffer: the primary buffer (format only, no memory) or a
// secondary buffer of SizeBytes in its own PCM format that the mixer plays.
//
// The play cursor is the byte offset of the next source frame the mixer
// will consume. It advances at the playback frequency and wraps at the end
// when looping. When not looping it rests at the end while the converter
// delivers its last frames, then playback stops with the cursor back at 0. Memory handed out by
// Lock may be written up to the play cursor; Unlock publishes the writes to the mixer.
//
// Every operation except creation does nothing (or returns 0) while Active
// is 0. Classes may derive from this one (the stream buffer does); it has no
// virtual operations.
class TZylSoundBufferTAG {
public:
    uint32_t SizeBytes = 0;
    uint16_t FormatTag = 0; // 1 integer PCM, 3 float
    uint32_t SampleRate = 0;
    uint16_t BitsPerSample = 0;
    uint16_t Channels = 0;
    uint32_t BytesPerSecond = 0;
    uint16_t BytesPerFrame = 0;
    uint32_t Active = 0;
    uint32_t PlayFlags = 0;
    uint32_t Muted = 0;
    uint32_t Volume = 100; // 0..100
    int32_t Pan = 0;       // -100..100
    uint32_t MuteLevel = 0;
    double LevelDb = 0;  // the gain that levels the song
    bool Played = false; // Play was called since Create
    void* LockPtr1 = nullptr;
    uint32_t LockBytes1 = 0;
    void* LockPtr2 = nullptr;
    uint32_t LockBytes2 = 0;
    TZylVoice* Interface = nullptr; // the mixer's voice (secondary buffers)
    TZylAudioTAG* Audio = nullptr;
    std::shared_ptr<TZylOutput> Output; // keeps the mixer alive for Interface

    TZylSoundBufferTAG() = default;
    TZylSoundBufferTAG(const TZylSoundBufferTAG&) = delete;
    TZylSoundBufferTAG& operator=(const TZylSoundBufferTAG&) = delete;
    ~TZylSoundBufferTAG();

    // flags: kZylBufferSizeInMs, kZylBufferAlignUp, kZylBufferLooping.
    // 0 success, -1 failure (reported).
    int Create(TZylAudioTAG* audio, const TWaveFormatEx* format, uint32_t size, uint32_t flags,
               uint32_t alignment);
    // 0 success, -1 failure (reported).
    int CreatePrimary(const std::shared_ptr<TZylOutput>& device, const TWaveFormatEx* format);
    void Release();

    // *data receives the first region's pointer (null on failure). Requests
    // never wrap. 0 success, -1 failure (reported).
    int Lock(uint32_t offset, uint32_t length, void** data);
    int Unlock();

    void Play();
    void Stop();
    // Rounded down to a whole frame; offsets past the end wrap around.
    void SetPlayCursor(uint32_t offset);
    uint32_t GetPlayCursor();
    bool IsPlaying();

    void SetVolume(uint32_t volume);
    void SetPan(int32_t pan);
    // The gain in dB that levels the song, in front of the volume; 0 leaves
    // the samples untouched.
    void SetLevel(double gainDb);
    void SetFrequency(uint32_t hz);
    uint32_t GetFrequency();
    // Folds a stereo buffer into one output channel (or stops folding),
    // from the next frames the mixer plays: in step with SetPan.
    void SetFold(TZylFold fold);
    // Key lock: the tempo follows the frequency while the key stays (see
    // ZylKeyLock.h). threaded: the stretcher runs on a thread of its own;
    // otherwise ServiceKeyLock must follow every write. False when the
    // stretcher could not be created.
    bool SetKeyLock(bool on, bool threaded);
    void ServiceKeyLock();
    // The stretcher's start delay in device frames (0 while never on).
    uint32_t KeyLockLatencyFrames();
    void MuteOn();
    void MuteOff();
    uint32_t GetEffectiveVolume(); // MuteLevel while muted, else Volume
    int32_t GetPan();

private:
    void TakeFormat(const TWaveFormatEx& format);
    void ReportIfLost();
};

// Frames of the level ramps at the device rate where the transport cuts
// the waveform (play, stop, a jump, the end of a one-shot buffer): 2.5 ms.
uint32_t ZylTransportRampFrames(uint32_t deviceRate);

// Volume 0..100 (above 100 counts as 100) to hundredths of a decibel,
// -10000..0; pan -100..100 (clamped) to -10000..10000, negative values
// attenuating the right channel.
int32_t ZylVolumeLaw(uint32_t volume);
int32_t ZylPanLaw(int32_t pan);

// The output device list: one entry per device, the text naming host API
// and device, the object a newly allocated copy of its identifier (null for
// the default device, which comes first).
struct TZylDeviceListItem {
    std::string Text;
    TZylDeviceId* Object = nullptr;
};
using TZylDeviceList = std::vector<TZylDeviceListItem>;

// Frees any identifiers still held, lists the devices, returns the count.
int EnumerateOutputDevices(TZylDeviceList& list);
// Frees the identifier copies, last to first; the texts stay.
void FreeOutputDeviceList(TZylDeviceList& list);
