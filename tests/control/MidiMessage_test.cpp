// The byte-stream reader against what real ports deliver: running status,
// real-time bytes inside messages, exclusive blocks, messages split across
// reads.
#include "control/midi/VxMidiMessage.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

TVxMidiMessage Note(int channel, int number, int value) {
    return {TVxMidiKind::Note, static_cast<std::uint8_t>(channel),
            static_cast<std::uint8_t>(number), static_cast<std::uint16_t>(value)};
}
TVxMidiMessage Cc(int channel, int number, int value) {
    return {TVxMidiKind::Control, static_cast<std::uint8_t>(channel),
            static_cast<std::uint8_t>(number), static_cast<std::uint16_t>(value)};
}
TVxMidiMessage Bend(int channel, int value) {
    return {TVxMidiKind::PitchBend, static_cast<std::uint8_t>(channel), 0,
            static_cast<std::uint16_t>(value)};
}

std::vector<TVxMidiMessage> Read(const std::vector<TBytes>& pieces) {
    TVxMidiParser parser;
    std::vector<TVxMidiMessage> out;
    for (const TBytes& piece : pieces)
        parser.Feed(piece.data(), piece.size(), [&](const TVxMidiMessage& m) { out.push_back(m); });
    return out;
}

TEST(MidiParser, ReadsWhatPortsDeliver) {
    struct TCase {
        const char* Name;
        std::vector<TBytes> Pieces;
        std::vector<TVxMidiMessage> Expected;
    };
    const TCase cases[] = {
        {"note on, note off, note on at zero",
         {{0x93, 60, 100, 0x83, 60, 64, 0x93, 61, 0}},
         {Note(3, 60, 100), Note(3, 60, 0), Note(3, 61, 0)}},
        {"running status",
         {{0xB0, 7, 10, 7, 11, 8, 12}},
         {Cc(0, 7, 10), Cc(0, 7, 11), Cc(0, 8, 12)}},
        {"clock bytes inside a message", {{0xB1, 0xF8, 20, 0xFE, 99}}, {Cc(1, 20, 99)}},
        {"split across reads",
         {{0xE2}, {0x7F}, {0x40, 0x7F}, {0x7F}},
         {Bend(2, 0x7F | (0x40 << 7)), Bend(2, 0x3FFF)}},
        {"exclusive block skipped, running status ended",
         {{0xB0, 1, 2, 0xF0, 0x7E, 0x10, 0x20, 0xF7, 3, 4, 0x90, 5, 6}},
         {Cc(0, 1, 2), Note(0, 5, 6)}},
        {"song position ends running status",
         {{0xB0, 1, 2, 0xF2, 0x10, 0x20, 3, 4}},
         {Cc(0, 1, 2)}},
        {"data before any status, programs and pressure",
         {{5, 6, 0xC0, 7, 0xD0, 8, 0xA0, 1, 2, 0xB0, 9, 9}},
         {Cc(0, 9, 9)}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Read(c.Pieces), c.Expected) << c.Name;
}

TEST(MidiParser, MessagesSentAreReadBack) {
    for (const TVxMidiMessage& m : {Note(15, 127, 1), Cc(9, 0, 127), Bend(4, 12345)}) {
        const TBytes bytes = VxMidiBytes(m);
        EXPECT_EQ(Read({bytes}), std::vector<TVxMidiMessage>{m});
    }
}

} // namespace
