// Turns a controller's messages into deck actions through its mapping: the
// modes (absolute, 14-bit, relative, invert), soft takeover and the shift
// layer. It knows actions only by name; the front end's action table acts.
//
// One thread (the window's).
#pragma once

#include "control/midi/VxMidiMapping.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>

// The name of the action that holds the shift layer.
inline constexpr const char* kVxShiftAction = "shift";

struct TVxActionEvent {
    enum TInput { Press, Release, Set, Turn };

    std::string Action;
    TInput Input = Press;
    double Value = 0;     // Set: 0..1 over the control's range; Turn: signed steps
    int TicksPerTurn = 0; // Turn: the control's steps for a whole turn, 0 if not known

    bool operator==(const TVxActionEvent&) const = default;
};

class TVxMidiEngine {
public:
    // Where an absolute control stands now (0..1), for soft takeover; none
    // when the action has no value.
    using TValueOf = std::function<std::optional<double>(const std::string& action)>;
    using TSink = std::function<void(const TVxActionEvent&)>;

    // A value within this of the deck's counts as having reached it.
    static constexpr double kTakeoverWindow = 3.0 / 127;

    TVxMidiEngine(TVxMidiMapping mapping, TValueOf valueOf);

    const TVxMidiMapping& Mapping() const { return mapping_; }
    void Learn(const TVxMidiBinding& binding);
    bool ShiftHeld() const { return shiftHeld_ > 0; }

    void Message(const TVxMidiMessage& message, const TSink& sink);
    // Lets go of every held button and of the shift layer: the controller
    // is gone and will send no releases.
    void ReleaseAll(const TSink& sink);

private:
    using TKey = std::tuple<int, int, int>; // kind, channel, number

    struct TTakeover {
        bool Engaged = false;
        std::optional<double> Last;     // the hardware's last value
        std::optional<double> LastSent; // what this control last set
    };

    const TVxMidiBinding* Find(const TVxMidiMessage& message, bool fine) const;
    void Note(const TVxMidiMessage& message, const TSink& sink);
    void Button(const TVxMidiBinding& binding, const TVxMidiMessage& message, bool down,
                const TSink& sink);
    void Absolute(const TVxMidiBinding& binding, double value, const TSink& sink);
    bool TakesOver(const TVxMidiBinding& binding, double value);

    TVxMidiMapping mapping_;
    TValueOf valueOf_;
    int shiftHeld_ = 0;
    // The action each held button pressed, so that its release reaches the
    // same action whatever happened to the shift layer meanwhile.
    std::map<TKey, std::string> held_;
    std::map<TKey, int> coarse_; // 14-bit controls: the last coarse part
    std::map<std::string, TTakeover> takeover_;
};
