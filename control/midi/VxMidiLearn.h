// MIDI learn: the user picks a deck control, then moves the hardware; the
// binding and its mode are read from what the hardware sent. A button is
// learned at its first press; a fader, knob or jog wheel once the hardware
// has rested for a moment (the caller's quiet timer calls Finish), so that a
// whole movement (a jog wheel's full turn) is seen.
//
// One thread (the window's).
#pragma once

#include "control/midi/VxMidiMapping.h"

#include <optional>
#include <set>
#include <tuple>
#include <vector>

// What the picked control is.
enum class TVxLearnTarget { Button, Fader, Jog };

class TVxMidiLearn {
public:
    // Messages needed before a moved control can be told apart.
    static constexpr std::size_t kMinimumMoves = 4;

    void Begin(const std::string& action, TVxLearnTarget target);
    void Cancel() { active_ = false; }
    bool Active() const { return active_; }
    const std::string& Action() const { return action_; }

    // mapping: the device's bindings so far, to see a held learned button
    // as the shift button. A binding when the message completes the learn.
    std::optional<TVxMidiBinding> Message(const TVxMidiMessage& message,
                                          const TVxMidiMapping& mapping);
    // The binding inferred from the movement seen, if any.
    std::optional<TVxMidiBinding> Finish();
    // The button that became the shift button, if the learn made one.
    std::optional<TVxMidiBinding> ShiftButton() const { return shiftButton_; }

private:
    using TKey = std::tuple<int, int, int>;

    TVxMidiBinding Moved() const;
    bool LooksRelative(TVxMidiRelative& encoding) const;
    std::optional<TVxMidiBinding> Done(TVxMidiBinding binding);

    bool active_ = false;
    std::string action_;
    TVxLearnTarget target_ = TVxLearnTarget::Button;
    std::vector<TVxMidiMessage> moves_;
    std::set<TKey> heldLearned_; // learned buttons held while learning
    std::optional<TVxMidiBinding> shiftButton_;
};
