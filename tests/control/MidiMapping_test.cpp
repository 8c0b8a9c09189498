// Mapping files: what a user writes is read as meant, every fault names its
// file and line, and a learned mapping written back reads back the same.
#include "control/midi/VxMidiMapping.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kGood = R"({
  "version": 1,
  "device": "Generic DJ",
  "bindings": [
    {"note": 11, "channel": 2, "action": "play"},
    {"cc": 20, "action": "pitch", "mode": "14-bit", "soft-takeover": true},
    {"pitch-bend": true, "channel": 16, "action": "volume", "invert": true},
    {"cc": 22, "action": "jog", "mode": "relative", "encoding": "offset-64",
     "ticks-per-turn": 250},
    {"note": 63, "action": "shift"},
    {"note": 11, "channel": 2, "action": "search-forward", "shift": true}
  ],
  "lights": [{"note": 11, "channel": 2, "state": "playing", "on": 100, "off": 1}]
})";

TEST(MidiMapping, ReadsEveryKindOfBinding) {
    TVxMidiMapping mapping;
    std::string error;
    ASSERT_TRUE(VxParseMidiMapping(kGood, "good.json", mapping, error)) << error;
    EXPECT_TRUE(mapping.MatchesPort("a2j:Generic DJ MK2 [24] (capture): Generic DJ MIDI 1"));
    EXPECT_FALSE(mapping.MatchesPort("system:midi_capture_1"));
    ASSERT_EQ(mapping.Bindings.size(), 6u);
    const TVxMidiBinding& play = mapping.Bindings[0];
    EXPECT_EQ(play.Kind, TVxMidiKind::Note);
    EXPECT_EQ(play.Channel, 1);
    EXPECT_EQ(play.Mode, TVxMidiMode::Button);
    EXPECT_EQ(play.Line, 5);
    EXPECT_EQ(mapping.Bindings[1].Mode, TVxMidiMode::Absolute14);
    EXPECT_TRUE(mapping.Bindings[1].SoftTakeover);
    EXPECT_EQ(mapping.Bindings[2].Kind, TVxMidiKind::PitchBend);
    EXPECT_EQ(mapping.Bindings[2].Channel, 15);
    EXPECT_TRUE(mapping.Bindings[2].Invert);
    EXPECT_EQ(mapping.Bindings[3].Encoding, TVxMidiRelative::Offset64);
    EXPECT_EQ(mapping.Bindings[3].TicksPerTurn, 250);
    EXPECT_TRUE(mapping.Bindings[5].Shift);
    ASSERT_EQ(mapping.Lights.size(), 1u);
    EXPECT_EQ(mapping.Lights[0].On, 100);
    EXPECT_EQ(mapping.Lights[0].Off, 1);
}

TEST(MidiMapping, FaultsNameFileAndLine) {
    struct TCase {
        const char* Text;
        const char* Error;
    };
    const TCase cases[] = {
        {"{\n\"version\": 1,\n\"device\": \"X\",\n\"bindings\": [\n{\"note\": 128, \"action\": "
         "\"play\"}]}",
         "deck.json:5: \"note\" must be a whole number from 0 to 127"},
        {"{\"version\": 1,\n\"device\": \"X\",\n\"bindings\": [{\"cc\": 1,\n \"action\": "
         "\"pitch\",\n \"mode\": \"fast\"}]}",
         "deck.json:5: \"fast\" is not a mode (button, absolute, 14-bit, relative)"},
        {"{\"version\": 1, \"device\": \"X\",\n\"bindings\": [{\"note\": 1, \"action\": "
         "\"play\",}]}",
         "deck.json:2: expected a quoted name"},
        {"{\"version\": 2, \"device\": \"X\"}",
         "deck.json:1: the mapping is written for a newer version of the player"},
        {"{\"device\": \"X\"}", "deck.json:1: the mapping gives no \"version\""},
        {"{\"version\": 1,\n\"device\": \"X\",\n\"bindings\": [\n{\"cc\": 40, \"action\": "
         "\"pitch\", \"mode\": \"14-bit\"}]}",
         "deck.json:4: a 14-bit controller must be 0 to 31 (its fine part is 32 more)"},
        {"{\"version\": 1, \"device\": \"X\", \"bindings\": [{\"note\": 1,\n\"action\": \"play\", "
         "\"mode\": \"relative\"}]}",
         "deck.json:2: a note can only be a button"},
        {"{\"version\": 1, \"device\": \"X\", \"bindings\": [{\"note\": 1}]}",
         "deck.json:1: a binding gives no \"action\""},
        {"{\"version\": 1, \"device\": \"X\", \"bindings\": [{\"action\": \"play\", \"chanel\": "
         "2}]}",
         "deck.json:1: gives no \"note\", \"cc\" or \"pitch-bend\""},
        {"{\"version\": 1,\n\n \"device\": \"X\", \"extra\": 1}",
         "deck.json:3: a mapping has no setting \"extra\""},
        {"{\"version\": 1, \"device\": \"X\"\n\n", "deck.json:3: the file ends too early"},
        {"{\"version\": 1, \"device\": \"unclosed\n\"}",
         "deck.json:1: a text is not closed by a quote on its line"},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]",
         "deck.json:1: nested too deeply"},
        {"{\"version\": 1, \"device\": \"X\"} 7",
         "deck.json:1: text after the end of the document"},
    };
    for (const TCase& c : cases) {
        TVxMidiMapping mapping;
        std::string error;
        EXPECT_FALSE(VxParseMidiMapping(c.Text, "deck.json", mapping, error)) << c.Text;
        EXPECT_EQ(error, c.Error) << c.Text;
    }
}

TEST(MidiMapping, WrittenMappingReadsBackTheSame) {
    TVxMidiMapping mapping;
    std::string error;
    ASSERT_TRUE(VxParseMidiMapping(kGood, "good.json", mapping, error)) << error;
    mapping.Device = "Odd \"quoted\" \\ name\x01";
    TVxMidiBinding learned;
    learned.Kind = TVxMidiKind::Note;
    learned.Channel = 1;
    learned.Number = 11;
    learned.Action = "cue";
    mapping.Learn(learned); // replaces "play" on the same control and layer
    const std::string text = VxWriteMidiMapping(mapping);
    TVxMidiMapping back;
    ASSERT_TRUE(VxParseMidiMapping(text, "back.json", back, error)) << error << "\n" << text;
    EXPECT_EQ(back.Device, mapping.Device);
    ASSERT_EQ(back.Bindings.size(), mapping.Bindings.size());
    for (std::size_t i = 0; i < back.Bindings.size(); ++i) {
        const TVxMidiBinding& a = back.Bindings[i];
        const TVxMidiBinding& b = mapping.Bindings[i];
        EXPECT_TRUE(a.SameControl(b) && a.Action == b.Action && a.Mode == b.Mode &&
                    a.Invert == b.Invert && a.SoftTakeover == b.SoftTakeover &&
                    a.TicksPerTurn == b.TicksPerTurn &&
                    (a.Mode != TVxMidiMode::Relative || a.Encoding == b.Encoding))
            << "binding " << i;
    }
    EXPECT_EQ(back.Bindings.back().Action, "cue");
    EXPECT_EQ(std::count_if(back.Bindings.begin(), back.Bindings.end(),
                            [](const auto& b) { return b.Action == "play"; }),
              0);
    ASSERT_EQ(back.Lights.size(), 1u);
    EXPECT_EQ(back.Lights[0].State, "playing");
    EXPECT_EQ(back.Lights[0].On, 100);
}

} // namespace
