// The help texts of the deck's controls, keyed by the control's object name.
// Shown only in help mode (see TVxHintManager).
#pragma once

#include <span>
#include <string_view>

namespace vxhints {

struct THintEntry {
    std::string_view Control;
    std::string_view Text;
};

// Every control that carries a hint, in the deck's order. Texts are UTF-8.
std::span<const THintEntry> DeckHints();

// The hint of one control; empty when it has none.
std::string_view HintFor(std::string_view controlName);

// The title's hint while help mode is on.
inline constexpr std::string_view kTitleHelpHint = "Current song's name";

} // namespace vxhints
