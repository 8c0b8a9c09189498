// The controller's lights: each follows one fact of the deck. Only changes
// are sent, so an idle deck sends nothing.
//
// One thread (the window's).
#pragma once

#include "control/midi/VxMidiMapping.h"

#include <vector>

struct TVxDeckLightState {
    bool Playing = false;
    bool Cue = false;  // at the cue point, or playing from it while held
    bool Beat = false; // on the first half of a beat, when the beat is known
};

// On the first half of a beat at that song position, for a song of that
// tempo (0: none known) whose first beat falls at firstBeatMs.
bool VxOnBeat(double positionMs, double bpm, double firstBeatMs);

class TVxMidiLights {
public:
    explicit TVxMidiLights(std::vector<TVxMidiLight> lights) : lights_(std::move(lights)) {}

    // The messages that bring the lights to the state; all of them on the
    // first call and after Reset (a controller that just came back).
    std::vector<TVxMidiMessage> Update(const TVxDeckLightState& state);
    void Reset() { sent_.clear(); }

private:
    std::vector<TVxMidiLight> lights_;
    std::vector<bool> sent_;
};
