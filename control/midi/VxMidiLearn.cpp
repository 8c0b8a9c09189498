#include "control/midi/VxMidiLearn.h"

#include "control/midi/VxMidiEngine.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace {

bool Bound(const TVxMidiMapping& mapping, const TVxMidiMessage& message) {
    return std::any_of(mapping.Bindings.begin(), mapping.Bindings.end(), [&](const auto& b) {
        return b.Kind == message.Kind && b.Channel == message.Channel && b.Number == message.Number;
    });
}

} // namespace

void TVxMidiLearn::Begin(const std::string& action, TVxLearnTarget target) {
    active_ = true;
    action_ = action;
    target_ = target;
    moves_.clear();
    heldLearned_.clear();
    shiftButton_.reset();
}

std::optional<TVxMidiBinding> TVxMidiLearn::Message(const TVxMidiMessage& message,
                                                    const TVxMidiMapping& mapping) {
    if (!active_)
        return std::nullopt;
    if (message.Kind != TVxMidiKind::Note) {
        moves_.push_back(message);
        return std::nullopt;
    }
    const TKey key{static_cast<int>(message.Kind), message.Channel, message.Number};
    TVxMidiBinding binding;
    binding.Kind = TVxMidiKind::Note;
    binding.Channel = message.Channel;
    binding.Number = message.Number;
    // A learned button may be the shift button of what comes next: it is
    // only decided when it is let go.
    if (message.Value > 0 && Bound(mapping, message)) {
        heldLearned_.insert(key);
        return std::nullopt;
    }
    if (message.Value == 0) {
        // Pressed and let go alone, it is learned afresh.
        if (heldLearned_.erase(key) > 0 && target_ == TVxLearnTarget::Button)
            return Done(binding);
        return std::nullopt;
    }
    // A jog wheel's touch sensor is a note too.
    if (target_ == TVxLearnTarget::Fader)
        return std::nullopt;
    return Done(binding);
}

std::optional<TVxMidiBinding> TVxMidiLearn::Finish() {
    if (!active_ || moves_.size() < kMinimumMoves)
        return std::nullopt;
    return Done(Moved());
}

std::optional<TVxMidiBinding> TVxMidiLearn::Done(TVxMidiBinding binding) {
    binding.Action = action_;
    if (!heldLearned_.empty()) {
        const auto& [kind, channel, number] = *heldLearned_.begin();
        TVxMidiBinding shift;
        shift.Kind = static_cast<TVxMidiKind>(kind);
        shift.Channel = static_cast<std::uint8_t>(channel);
        shift.Number = static_cast<std::uint8_t>(number);
        shift.Action = kVxShiftAction;
        shiftButton_ = shift;
        binding.Shift = true;
    }
    active_ = false;
    moves_.clear();
    return binding;
}

// The control that moved most, and how it writes its value.
TVxMidiBinding TVxMidiLearn::Moved() const {
    std::map<TKey, int> counts;
    for (const TVxMidiMessage& move : moves_)
        ++counts[{static_cast<int>(move.Kind), move.Channel, move.Number}];
    auto most = std::max_element(counts.begin(), counts.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
    auto [kind, channel, number] = most->first;
    // A fine part (n + 32) arriving with its coarse part n: one 14-bit control.
    if (kind == static_cast<int>(TVxMidiKind::Control) && number >= 32 && number < 64 &&
        counts.contains({kind, channel, number - 32}))
        number -= 32;
    TVxMidiBinding binding;
    binding.Kind = static_cast<TVxMidiKind>(kind);
    binding.Channel = static_cast<std::uint8_t>(channel);
    binding.Number = static_cast<std::uint8_t>(number);
    if (binding.Kind == TVxMidiKind::PitchBend) {
        binding.Mode = TVxMidiMode::Absolute14;
        return binding;
    }
    if (number < 32 && counts.contains({kind, channel, number + 32})) {
        binding.Mode = TVxMidiMode::Absolute14;
        return binding;
    }
    binding.Mode = LooksRelative(binding.Encoding) ? TVxMidiMode::Relative : TVxMidiMode::Absolute;
    if (binding.Mode == TVxMidiMode::Relative && target_ == TVxLearnTarget::Jog) {
        // The movement was one whole turn: its steps are the wheel's steps.
        int steps = 0;
        for (const TVxMidiMessage& move : moves_)
            if (move.Kind == binding.Kind && move.Channel == binding.Channel &&
                move.Number == binding.Number)
                steps += std::abs(VxRelativeSteps(binding.Encoding, move.Value));
        binding.TicksPerTurn = steps;
    }
    if (binding.Mode == TVxMidiMode::Absolute && target_ == TVxLearnTarget::Fader)
        binding.SoftTakeover = true;
    return binding;
}

// Relative controls send small steps around their zero: values clustered at
// 1 and 127 (two's complement) or at 63 and 65 (offset 64). A fader or knob
// walks through its range instead.
bool TVxMidiLearn::LooksRelative(TVxMidiRelative& encoding) const {
    int nearEnds = 0, nearMiddle = 0, total = 0;
    for (const TVxMidiMessage& move : moves_) {
        if (move.Kind != TVxMidiKind::Control)
            continue;
        ++total;
        if (move.Value <= 8 || move.Value >= 120)
            ++nearEnds;
        else if (move.Value >= 56 && move.Value <= 72 && move.Value != 64)
            ++nearMiddle;
    }
    // Nine in ten at one cluster: a fader resting at its end, moved a little,
    // shows no such cluster over a whole movement.
    if (total > 0 && nearEnds * 10 >= total * 9) {
        encoding = TVxMidiRelative::TwosComplement;
        return true;
    }
    if (total > 0 && nearMiddle * 10 >= total * 9) {
        encoding = TVxMidiRelative::Offset64;
        return true;
    }
    return false;
}
