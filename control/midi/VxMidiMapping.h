// A controller's mapping: which message drives which deck action, and how.
// Mapping files are JSON documents in the controllers folder, one per
// device, matched to a port by the device name they give (see the README's
// "Controllers" section for the format).
#pragma once

#include "control/midi/VxMidiMessage.h"

#include <string>
#include <string_view>
#include <vector>

// How a message's value becomes a deck action.
enum class TVxMidiMode : std::uint8_t {
    Button,     // a note (or a controller at 64 and above) holds the action
    Absolute,   // 0..127 over the control's range
    Absolute14, // controller n with n + 32 as its fine part, or a pitch bend
    Relative,   // each message turns the control by a signed count of steps
};

// How a relative control writes its step count.
enum class TVxMidiRelative : std::uint8_t {
    TwosComplement, // 1 is one step up, 127 one step down
    Offset64,       // 65 is one step up, 63 one step down
};

// The signed step count of one relative message.
int VxRelativeSteps(TVxMidiRelative encoding, int value);

struct TVxMidiBinding {
    TVxMidiKind Kind = TVxMidiKind::Note;
    std::uint8_t Channel = 0;
    std::uint8_t Number = 0;
    std::string Action;
    TVxMidiMode Mode = TVxMidiMode::Button;
    TVxMidiRelative Encoding = TVxMidiRelative::TwosComplement;
    bool Invert = false;
    bool SoftTakeover = false;
    bool Shift = false;   // only while the shift button is held
    int TicksPerTurn = 0; // a jog wheel's steps for one whole turn; 0: not known
    int Line = 0;         // where the file gives it

    // Same message on the same layer.
    bool SameControl(const TVxMidiBinding& other) const {
        return Kind == other.Kind && Channel == other.Channel && Number == other.Number &&
               Shift == other.Shift;
    }
};

// A light on the controller that follows the deck.
struct TVxMidiLight {
    TVxMidiKind Kind = TVxMidiKind::Note;
    std::uint8_t Channel = 0;
    std::uint8_t Number = 0;
    std::string State; // "playing", "cue", "beat"
    std::uint8_t On = 127;
    std::uint8_t Off = 0;
};

struct TVxMidiMapping {
    static constexpr int kVersion = 1;

    std::string File;
    std::string Device; // matched against port names, ignoring case
    // Two copies of the player share one two-deck controller: each copy
    // takes the lowest deck number no other copy holds. 0: every copy.
    int Deck = 0;
    std::vector<TVxMidiBinding> Bindings;
    std::vector<TVxMidiLight> Lights;

    bool MatchesPort(std::string_view portName) const;
    // Adds a learned binding, replacing one on the same control and layer.
    void Learn(const TVxMidiBinding& binding);
};

// False with a message naming the file and line when text is not a mapping.
bool VxParseMidiMapping(std::string_view text, const std::string& fileName, TVxMidiMapping& mapping,
                        std::string& error);
// The mapping as the file text that VxParseMidiMapping reads back unchanged.
std::string VxWriteMidiMapping(const TVxMidiMapping& mapping);
