// MIDI channel messages and the byte-stream reader that finds them. The
// reader takes bytes as a port delivers them (running status, real-time
// bytes between a message's data bytes, system exclusive blocks) and yields
// only the messages the deck can bind: notes, controllers and pitch bends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

enum class TVxMidiKind : std::uint8_t { Note, Control, PitchBend };

struct TVxMidiMessage {
    TVxMidiKind Kind = TVxMidiKind::Note;
    std::uint8_t Channel = 0; // 0..15
    std::uint8_t Number = 0;  // note or controller; 0 for a pitch bend
    // 0..127; a pitch bend 0..16383. A note off is a note of value 0.
    std::uint16_t Value = 0;

    bool operator==(const TVxMidiMessage&) const = default;
};

// The three bytes that send a message (a note of value 0 as a note off).
std::vector<std::uint8_t> VxMidiBytes(const TVxMidiMessage& message);

class TVxMidiParser {
public:
    using TSink = std::function<void(const TVxMidiMessage&)>;

    // Any bytes, in any pieces; a message split across calls is completed
    // by the next call.
    void Feed(const std::uint8_t* data, std::size_t size, const TSink& sink);

private:
    void Status(std::uint8_t byte);
    void Data(std::uint8_t byte, const TSink& sink);

    std::uint8_t status_ = 0; // 0: no running status
    std::uint8_t data_[2] = {0, 0};
    int have_ = 0;
    int need_ = 0;
};
