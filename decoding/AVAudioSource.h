// One audio stream of a file, decoded through FFmpeg's libavformat and
// libavcodec into the PCM layouts the engine plays, with positions counted
// in samples of the decoder's own straight decode.
//
// Output layouts: 8 and 16-bit sources as they are; 24-bit sources (FLAC,
// ALAC, AIFF) as packed 24-bit; 32-bit integer as 32-bit; float sources and
// lossy codecs as 32-bit float, at full resolution and without dither.
// Sources with more than two channels are folded to stereo float (front
// left/right, centre and surrounds at -3 dB, see SampleFold.h).
//
// Positions: sample 0 is the first sample the codec delivers once the
// container's priming (AAC encoder delay, Opus pre-skip) has been trimmed.
// Frames follow each other without gap or overlap, as in a straight decode;
// a timestamp moves a frame only when it departs from that by at least the
// frame's own length (a packet lost to damage then leaves a gap that plays
// as silence instead of shifting the rest). Smaller departures are the
// container's estimates, not the stream's: Ogg stamps every frame that
// follows a long Vorbis block with a short one a few hundred samples late.
// After a seek the first frame's stamp places the stream until two frames
// in a row agree with each other, which they do long before the pre-roll
// ends, so a seek lands on the same sample a straight decode reaches.
//
// Not thread-safe; the decoder that owns it is called under the player
// system's lock. Allocates only at open and when a longer read than before
// needs scratch space.
#pragma once

#include "decoding/SampleFold.h"
#include "decoding/VxPlayer.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

enum class TAVOpenResult {
    Ok,
    CannotOpen,   // no such file, or no container FFmpeg recognises
    NoAudio,      // a container without an audio stream
    NoDecoder,    // FFmpeg has no decoder for the stream's codec
    CannotDecode, // the decoder refuses the stream, or no sample comes out
};

// The length the container states, for lists that must be quick: reads the
// headers only (FLAC's total sample count, MP4's durations, Ogg's last
// granule). False, with the reason, when the file has no playable stream.
bool AVProbeLength(const char* path, uint32_t& lengthMs, TAVOpenResult& result);

class TAVAudioSource {
public:
    TAVAudioSource();
    ~TAVAudioSource();
    TAVAudioSource(const TAVAudioSource&) = delete;
    TAVAudioSource& operator=(const TAVAudioSource&) = delete;

    // Opens the file and decodes its first frame to learn the output layout.
    TAVOpenResult Open(const char* path);
    void Close();
    bool IsOpen() const { return Container != nullptr; }
    const TWaveFormatEx& Format() const { return Output; }

    // The exact number of samples a straight decode delivers; reads never
    // pass it. Decodes only the last seconds when the container names its
    // duration, the whole file when it does not. A set cancel flag stops the
    // count: -1.
    int64_t CountSamples(const std::atomic<bool>* cancel = nullptr);
    // Takes a count made by another source of the same file: reads end there.
    void TakeCount(int64_t samples) { StatedEnd = std::min(StatedEnd, samples); }
    // The next Read starts at sample. False when the file cannot be
    // repositioned at all (reading then delivers nothing).
    bool SeekToSample(int64_t sample);
    // Writes up to frames sample frames in Format(); fewer only at the end.
    uint32_t Read(uint8_t* out, uint32_t frames);

private:
    bool OpenCodec();
    int64_t StatedLength() const;
    bool ChooseOutput();
    // Decodes the next frame into Frame; false at the end of the stream.
    bool DecodeNext();
    bool FeedPacket();
    int64_t PositionOf(const AVFrame& frame) const;
    // Where the frame just decoded goes (see Positions above).
    int64_t PlaceFrame(int64_t stamped, int samples);
    bool RewindTo(int64_t ts);
    // Decodes to the end; false when cancelled.
    bool DecodeToEnd(const std::atomic<bool>* cancel);
    bool StartAt(int64_t sample, int64_t preroll);
    // Delivers samples of the current frame from FrameOffset on.
    uint32_t TakeFromFrame(uint8_t* out, uint32_t frames);
    void Convert(uint8_t* out, int first, uint32_t count);

    AVFormatContext* Container = nullptr;
    AVCodecContext* Codec = nullptr;
    AVPacket* Packet = nullptr;
    AVFrame* Frame = nullptr;
    int StreamIndex = -1;
    TWaveFormatEx Output;
    bool Folds = false;
    TStereoFold Fold;
    int FrameFormat = -1;      // the sample format every frame must have
    int FrameChannels = 0;     // and its channel count
    int64_t StartPts = 0;      // timestamp, in samples, of sample 0
    int64_t FirstPacketTs = 0; // the stream's first packet, in stream units
    int64_t StatedEnd = 0;     // where the container says the audio ends
    int64_t NextSample = 0;    // the sample the next Read delivers
    int64_t FramePosition = 0; // sample of Frame's first sample
    int FrameOffset = 0;       // samples of Frame already used
    int FrameSamples = 0;      // samples in Frame (0: none held)
    int64_t DecodedEnd = 0;    // end of the furthest frame decoded
    bool Placed = false;       // a frame was placed since the last rewind
    int64_t PlacedEnd = 0;     // end of the frame placed last
    int64_t LastStamp = 0;     // its timestamp's position, and its length
    int LastSamples = 0;
    bool Draining = false;
    bool Ended = false;
    std::vector<float> Scratch;
};
