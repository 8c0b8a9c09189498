#include "control/midi/VxMidiLights.h"

#include <cmath>

namespace {

bool Lit(const TVxMidiLight& light, const TVxDeckLightState& state) {
    if (light.State == "playing")
        return state.Playing;
    if (light.State == "cue")
        return state.Cue;
    return state.Beat;
}

} // namespace

bool VxOnBeat(double positionMs, double bpm, double firstBeatMs) {
    if (!(bpm > 0))
        return false;
    const double period = 60000.0 / bpm;
    double phase = std::fmod(positionMs - firstBeatMs, period);
    if (phase < 0)
        phase += period;
    return phase < period / 2;
}

std::vector<TVxMidiMessage> TVxMidiLights::Update(const TVxDeckLightState& state) {
    std::vector<TVxMidiMessage> out;
    const bool first = sent_.size() != lights_.size();
    if (first)
        sent_.assign(lights_.size(), false);
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        const TVxMidiLight& light = lights_[i];
        const bool lit = Lit(light, state);
        if (!first && lit == sent_[i])
            continue;
        sent_[i] = lit;
        TVxMidiMessage message;
        message.Kind = light.Kind;
        message.Channel = light.Channel;
        message.Number = light.Number;
        message.Value = lit ? light.On : light.Off;
        if (light.Kind == TVxMidiKind::PitchBend)
            message.Value = lit ? 16383 : 0;
        out.push_back(message);
    }
    return out;
}
