#include "control/midi/VxMidiEngine.h"

#include <cmath>

namespace {

int Steps(const TVxMidiBinding& binding, int value) {
    const int steps = VxRelativeSteps(binding.Encoding, value);
    return binding.Invert ? -steps : steps;
}

} // namespace

TVxMidiEngine::TVxMidiEngine(TVxMidiMapping mapping, TValueOf valueOf)
    : mapping_(std::move(mapping)), valueOf_(std::move(valueOf)) {}

void TVxMidiEngine::Learn(const TVxMidiBinding& binding) {
    mapping_.Learn(binding);
    takeover_.erase(binding.Action);
}

// The binding of the layer in force: on the shift layer a shifted binding
// comes before an unshifted one of the same control. fine: the message is the
// fine part (controller n + 32) of a 14-bit control.
const TVxMidiBinding* TVxMidiEngine::Find(const TVxMidiMessage& message, bool fine) const {
    const TVxMidiBinding* found = nullptr;
    for (const TVxMidiBinding& binding : mapping_.Bindings) {
        if (binding.Kind != message.Kind || binding.Channel != message.Channel ||
            binding.Action == kVxShiftAction)
            continue;
        const bool fineOf = binding.Mode == TVxMidiMode::Absolute14 &&
                            binding.Kind == TVxMidiKind::Control &&
                            binding.Number + 32 == message.Number;
        if (fine ? !fineOf : binding.Number != message.Number)
            continue;
        if (binding.Shift && !ShiftHeld())
            continue;
        if (binding.Shift == ShiftHeld())
            return &binding;
        found = &binding;
    }
    return found;
}

void TVxMidiEngine::Message(const TVxMidiMessage& message, const TSink& sink) {
    if (message.Kind == TVxMidiKind::Note) {
        Note(message, sink);
        return;
    }
    if (message.Kind == TVxMidiKind::PitchBend) {
        if (const TVxMidiBinding* binding = Find(message, false))
            Absolute(*binding, message.Value / 16383.0, sink);
        return;
    }
    const TKey key{static_cast<int>(message.Kind), message.Channel, message.Number};
    if (const TVxMidiBinding* binding = Find(message, false)) {
        switch (binding->Mode) {
        case TVxMidiMode::Button:
            Button(*binding, message, message.Value >= 64, sink);
            break;
        case TVxMidiMode::Absolute:
            Absolute(*binding, message.Value / 127.0, sink);
            break;
        case TVxMidiMode::Absolute14:
            // The coarse part waits for its fine part, which controllers
            // send right after it.
            coarse_[key] = message.Value;
            break;
        case TVxMidiMode::Relative:
            if (const int steps = Steps(*binding, message.Value); steps != 0)
                sink({binding->Action, TVxActionEvent::Turn, static_cast<double>(steps),
                      binding->TicksPerTurn});
            break;
        }
        return;
    }
    if (const TVxMidiBinding* binding = Find(message, true)) {
        const TKey coarseKey{static_cast<int>(message.Kind), message.Channel, binding->Number};
        Absolute(*binding, ((coarse_[coarseKey] << 7) | message.Value) / 16383.0, sink);
    }
}

void TVxMidiEngine::ReleaseAll(const TSink& sink) {
    for (const auto& [key, action] : held_)
        sink({action, TVxActionEvent::Release});
    held_.clear();
    shiftHeld_ = 0;
}

void TVxMidiEngine::Note(const TVxMidiMessage& message, const TSink& sink) {
    const bool down = message.Value > 0;
    for (const TVxMidiBinding& binding : mapping_.Bindings) {
        if (binding.Action == kVxShiftAction && binding.Kind == message.Kind &&
            binding.Channel == message.Channel && binding.Number == message.Number)
            shiftHeld_ = std::max(0, shiftHeld_ + (down ? 1 : -1));
    }
    const TVxMidiBinding* binding = Find(message, false);
    const TKey key{static_cast<int>(message.Kind), message.Channel, message.Number};
    if (!down && held_.contains(key)) {
        sink({held_[key], TVxActionEvent::Release});
        held_.erase(key);
        return;
    }
    if (binding != nullptr)
        Button(*binding, message, down, sink);
}

void TVxMidiEngine::Button(const TVxMidiBinding& binding, const TVxMidiMessage& message, bool down,
                           const TSink& sink) {
    const TKey key{static_cast<int>(message.Kind), message.Channel, message.Number};
    const bool wasDown = held_.contains(key);
    if (down == wasDown)
        return; // a controller that repeats its state presses nothing twice
    if (down) {
        held_[key] = binding.Action;
        sink({binding.Action, TVxActionEvent::Press});
    } else {
        sink({held_[key], TVxActionEvent::Release});
        held_.erase(key);
    }
}

void TVxMidiEngine::Absolute(const TVxMidiBinding& binding, double value, const TSink& sink) {
    if (binding.Invert)
        value = 1 - value;
    if (binding.SoftTakeover && !TakesOver(binding, value))
        return;
    sink({binding.Action, TVxActionEvent::Set, value});
}

// Soft takeover: the control acts once the hardware reaches the deck's
// value, or passes it between two messages; anything else that moves the
// deck (a key, the mouse, another control) lets go of it again.
bool TVxMidiEngine::TakesOver(const TVxMidiBinding& binding, double value) {
    TTakeover& state = takeover_[binding.Action];
    const std::optional<double> deck = valueOf_ ? valueOf_(binding.Action) : std::nullopt;
    const std::optional<double> last = state.Last;
    state.Last = value;
    if (!deck)
        return true;
    if (state.Engaged && state.LastSent && std::abs(*deck - *state.LastSent) > kTakeoverWindow)
        state.Engaged = false;
    if (!state.Engaged) {
        const bool reached = std::abs(value - *deck) <= kTakeoverWindow;
        const bool crossed = last && (*last - *deck) * (value - *deck) <= 0;
        state.Engaged = reached || crossed;
    }
    if (state.Engaged)
        state.LastSent = value;
    return state.Engaged;
}
