// Loudness of one song fed as interleaved float frames at the file's own
// rate: integrated loudness by EBU R 128 (libebur128), true peak (with
// libebur128's interpolator, see TVxTruePeak), and where the music starts.
// One meter per song and thread.
#pragma once

#include "analysis/VxTruePeak.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct TVxLoudness {
    bool Known = false;      // false: silent, too short, or not measured
    double Lufs = 0;         // integrated loudness
    double TruePeakDbtp = 0; // the highest true peak of any channel
    double MusicStartMs = 0; // where the music starts, from the file's start
};

class TVxLoudnessMeter {
public:
    TVxLoudnessMeter(std::uint32_t sampleRate, std::uint32_t channels);
    ~TVxLoudnessMeter();
    TVxLoudnessMeter(const TVxLoudnessMeter&) = delete;
    TVxLoudnessMeter& operator=(const TVxLoudnessMeter&) = delete;

    bool Ready() const;
    void Feed(const float* frames, std::size_t frameCount);
    TVxLoudness Finish();

private:
    void AddToBlocks(const float* frames, std::size_t frameCount);
    double MusicStartMs(double lufs) const;

    struct TMeter;
    std::unique_ptr<TMeter> meter_;
    TVxTruePeak truePeak_;
    std::uint32_t sampleRate_;
    std::uint32_t channels_;
    std::uint32_t framesPerBlock_;
    // The mean square of each millisecond block, summed over the channels,
    // for finding where the music starts once the song's loudness is known.
    std::vector<float> blockPower_;
    double blockSum_ = 0;
    std::uint32_t blockFrames_ = 0;
};
