// Tempo detection of one song fed as mono samples: aubio's beat tracker
// gives a rough beat period, aubio's onset detector the onset times, and the
// beat grid fitted to those over the whole song gives the tempo to a few
// thousandths of a BPM. One detector per song and thread.
#pragma once

#include "analysis/VxBeatGrid.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct TVxTempo {
    double Bpm = 0;         // 0: the song has no steady beat
    double FirstBeatMs = 0; // the first beat at or after the song's start
};

class TVxTempoDetector {
public:
    explicit TVxTempoDetector(std::uint32_t sampleRate);
    ~TVxTempoDetector();
    TVxTempoDetector(const TVxTempoDetector&) = delete;
    TVxTempoDetector& operator=(const TVxTempoDetector&) = delete;

    // False when aubio could not be set up for this rate.
    bool Ready() const;
    void Feed(const float* samples, std::size_t count);
    // The tempo folded into range; call once, after the last Feed.
    TVxTempo Finish(const TVxBpmRange& range);

private:
    struct TAubio;
    void RunHop();

    std::unique_ptr<TAubio> aubio_;
    std::uint32_t sampleRate_;
    std::vector<float> pending_;
    std::vector<TVxOnset> onsets_;
    std::vector<double> periods_; // the beat tracker's, sampled through the song
};
