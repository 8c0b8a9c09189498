// Feeds arbitrary bytes to the MIDI reader and through a mapping that binds
// every kind of message in every mode. Values handed to the deck must stay
// in range and every press must be released by a release of the same
// action once all notes are let go.
#include "control/midi/VxMidiEngine.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

constexpr const char* kMapping = R"({"version": 1, "device": "Fuzz", "bindings": [
  {"note": 1, "action": "shift"}, {"note": 2, "action": "play"},
  {"note": 2, "action": "cue", "shift": true}, {"cc": 2, "action": "search", "mode": "button"},
  {"cc": 3, "action": "volume", "soft-takeover": true}, {"cc": 4, "action": "pitch", "mode": "14-bit"},
  {"cc": 5, "action": "jog", "mode": "relative"}, {"pitch-bend": true, "action": "balance", "invert": true},
  {"cc": 6, "action": "knob", "mode": "relative", "encoding": "offset-64"}]})";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TVxMidiMapping mapping;
    std::string error;
    if (!VxParseMidiMapping(kMapping, "fuzz.json", mapping, error))
        std::abort();
    std::map<std::string, double> deck;
    std::map<std::string, int> held;
    TVxMidiEngine engine(mapping, [&](const std::string& action) -> std::optional<double> {
        return deck.contains(action) ? std::optional(deck[action]) : std::nullopt;
    });
    const auto sink = [&](const TVxActionEvent& event) {
        switch (event.Input) {
        case TVxActionEvent::Set:
            if (!(event.Value >= 0 && event.Value <= 1))
                std::abort();
            deck[event.Action] = event.Value;
            break;
        case TVxActionEvent::Turn:
            if (event.Value == 0 || event.Value < -64 || event.Value > 64)
                std::abort();
            break;
        case TVxActionEvent::Press:
            ++held[event.Action];
            break;
        case TVxActionEvent::Release:
            if (--held[event.Action] < 0)
                std::abort();
            break;
        }
    };
    TVxMidiParser parser;
    parser.Feed(data, size, [&](const TVxMidiMessage& message) { engine.Message(message, sink); });
    // Every note and button let go, on every channel.
    for (std::uint8_t channel = 0; channel < 16; ++channel)
        for (std::uint8_t number = 0; number < 8; ++number) {
            engine.Message({TVxMidiKind::Note, channel, number, 0}, sink);
            engine.Message({TVxMidiKind::Control, channel, number, 0}, sink);
        }
    for (const auto& [action, count] : held)
        if (count != 0)
            std::abort();
    return 0;
}
