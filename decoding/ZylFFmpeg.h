// The decoder for every format the MPEG and waveform decoders leave: FLAC,
// AIFF/AIFC, ALAC and AAC in MP4/M4A, Ogg Vorbis and Opus, through FFmpeg.
//
// Its read unit is one sample frame, so reads, seeks and the length are
// sample-exact: the length is counted from the decoded samples (the
// container's duration only tells where to start counting), and a seek
// decodes forward from a preceding key point, discarding, to the exact
// sample. Formats are those of TAVAudioSource: 16-bit sources stay 16-bit,
// 24-bit sources packed 24-bit, lossy codecs 32-bit float; more than two
// channels fold to stereo. Opus decodes at 48 kHz; the mixer converts.
// Like every decoder it has no lock: the player system never makes two calls
// at once on one object.
#pragma once

#include "decoding/AVAudioSource.h"
#include "decoding/VxPlayer.h"

#include <cstdint>
#include <string>

class TZylFFmpegTAG : public TVxPlayerTAG {
public:
    int64_t TotalSamples = 0; // exact length in sample frames

    TZylFFmpegTAG() = default;
    ~TZylFFmpegTAG() override;

    // Claims the file by its extension (.flac .aif .aiff .aifc .m4a .mp4
    // .alac .ogg .oga .opus, any case); a claimed file that cannot be read
    // fails in Open with this decoder's own message.
    int Accepts(const char* path) override;
    // Counts the length, which may mean decoding the whole file (a FLAC
    // written through a pipe states none), outside the engine lock.
    int Prepare(const char* path, uint32_t mode, const std::atomic<bool>* cancel) override;
    // The mode is ignored: lengths are always exact. The count comes from
    // Prepare of the same path when there was one.
    int Open(const char* path, uint32_t mode) override;
    // The bare file name and the container's stated length: a list of many
    // files must not decode them.
    int GetInfo(const char* path, char* name, uint32_t* lengthMs) override;
    void Close() override;
    int Seek(uint32_t ms, uint32_t* skipBytes) override;
    int Read(void* buffer, uint32_t frames, uint32_t* framesRead) override;

private:
    TAVAudioSource Source;
    // What Prepare counted for Open: the samples of PreparedPath, or -1
    // when the count was given up.
    std::string PreparedPath;
    int64_t PreparedSamples = 0;
    bool PreparedValid = false;
};
