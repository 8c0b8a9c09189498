// A song's decoded PCM as mono float samples for analysis, and as read. Rates above 32 kHz
// are halved by averaging sample pairs: the onsets and beats that analysis
// looks for live far below 11 kHz, and half the samples halve its time.
#pragma once

#include "decoding/VxPlayer.h"

#include <cstdint>
#include <vector>

class TVxMonoReader {
public:
    // decoder is open; the reader never seeks or closes it.
    explicit TVxMonoReader(TVxPlayerTAG& decoder);

    std::uint32_t SampleRate() const { return outputRate_; }
    // The next block of samples; empty at the song's end.
    const std::vector<float>& Next();
    // The frames the last Next read, interleaved at the file's own rate and
    // channel count, for analyses that need the whole signal.
    const std::vector<float>& Frames() const { return frames_; }
    std::uint32_t Channels() const { return decoder_.Format.nChannels; }
    std::uint32_t FileRate() const { return decoder_.Format.nSamplesPerSec; }

private:
    void ToMono(std::uint32_t frames);

    TVxPlayerTAG& decoder_;
    std::uint32_t outputRate_ = 0;
    std::uint32_t decimation_ = 1;
    std::uint32_t framesPerRead_ = 1;
    std::uint64_t maxFrames_ = 0;
    std::uint64_t framesDone_ = 0;
    int emptyReads_ = 0;
    float pairSum_ = 0;
    std::uint32_t pairFrames_ = 0;
    std::vector<std::uint8_t> bytes_;
    std::vector<float> frame_;  // one read as float, interleaved
    std::vector<float> frames_; // every read of the last Next
    std::vector<float> samples_;
};
