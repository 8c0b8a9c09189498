// The mapping engine fed byte sequences as a controller sends them: every
// mode, soft takeover, the shift layer, and learn inferring what the
// hardware is from how it moved.
#include "control/midi/VxMidiEngine.h"
#include "control/midi/VxMidiLearn.h"
#include "control/midi/VxMidiLights.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;
using E = TVxActionEvent;

TVxMidiMapping Mapping(const char* bindings) {
    TVxMidiMapping mapping;
    std::string error;
    const std::string text =
        std::string(R"({"version": 1, "device": "Test", "bindings": [)") + bindings + "]}";
    EXPECT_TRUE(VxParseMidiMapping(text, "test.json", mapping, error)) << error;
    return mapping;
}

// A deck whose controls stand where the test puts them.
struct TRig {
    explicit TRig(const char* bindings)
        : Engine(Mapping(bindings), [this](const std::string& action) -> std::optional<double> {
              if (!Deck.contains(action))
                  return std::nullopt;
              return Deck[action];
          }) {}

    std::vector<E> Send(const TBytes& bytes) {
        std::vector<E> out;
        Parser.Feed(bytes.data(), bytes.size(), [&](const TVxMidiMessage& message) {
            Engine.Message(message, [&](const E& event) {
                out.push_back(event);
                if (event.Input == E::Set)
                    Deck[event.Action] = event.Value;
            });
        });
        return out;
    }

    std::map<std::string, double> Deck;
    TVxMidiEngine Engine;
    TVxMidiParser Parser;
};

TEST(MidiEngine, ModesTurnValuesIntoActions) {
    TRig rig(R"({"note": 1, "action": "play"},
                {"cc": 2, "action": "volume"},
                {"cc": 3, "action": "balance", "invert": true},
                {"cc": 4, "action": "pitch", "mode": "14-bit"},
                {"pitch-bend": true, "channel": 2, "action": "pitch"},
                {"cc": 5, "action": "jog", "mode": "relative", "ticks-per-turn": 64},
                {"cc": 6, "action": "knob", "mode": "relative", "encoding": "offset-64", "invert": true},
                {"cc": 7, "action": "cue", "mode": "button"})");
    struct TCase {
        const char* Name;
        TBytes Bytes;
        std::vector<E> Expected;
    };
    const TCase cases[] = {
        {"note holds", {0x90, 1, 127, 0x80, 1, 0}, {{"play", E::Press}, {"play", E::Release}}},
        {"a repeated press presses once",
         {0x90, 1, 127, 0x90, 1, 90, 0x90, 1, 0},
         {{"play", E::Press}, {"play", E::Release}}},
        {"absolute", {0xB0, 2, 127, 2, 0}, {{"volume", E::Set, 1.0}, {"volume", E::Set, 0.0}}},
        {"inverted", {0xB0, 3, 127}, {{"balance", E::Set, 0.0}}},
        {"14-bit: the coarse part waits for its fine part",
         {0xB0, 4, 0x40, 4 + 32, 0x01},
         {{"pitch", E::Set, ((0x40 << 7) | 1) / 16383.0}}},
        {"14-bit: a fine part alone keeps the coarse part",
         {0xB0, 4 + 32, 0x7F},
         {{"pitch", E::Set, ((0x40 << 7) | 0x7F) / 16383.0}}},
        {"pitch bend on its channel", {0xE1, 0x7F, 0x7F, 0xE0, 0, 0}, {{"pitch", E::Set, 1.0}}},
        {"relative two's complement",
         {0xB0, 5, 3, 5, 125, 5, 0},
         {{"jog", E::Turn, 3, 64}, {"jog", E::Turn, -3, 64}}},
        {"relative offset 64, inverted",
         {0xB0, 6, 66, 6, 61, 6, 64},
         {{"knob", E::Turn, -2}, {"knob", E::Turn, 3}}},
        {"controller as a button",
         {0xB0, 7, 127, 7, 100, 7, 0},
         {{"cue", E::Press}, {"cue", E::Release}}},
        {"unbound and other channels do nothing", {0x91, 1, 127, 0xB0, 9, 9, 0xE5, 1, 1}, {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(rig.Send(c.Bytes), c.Expected) << c.Name;
}

TEST(MidiEngine, SoftTakeoverWaitsForTheHardwareToReachTheDeck) {
    TRig rig(R"({"cc": 1, "action": "pitch", "soft-takeover": true})");
    rig.Deck["pitch"] = 0.5;
    // Below the deck's value: nothing, until the fader passes it.
    EXPECT_TRUE(rig.Send({0xB0, 1, 10, 1, 40}).empty());
    EXPECT_EQ(rig.Send({0xB0, 1, 70}), (std::vector<E>{{"pitch", E::Set, 70 / 127.0}}));
    EXPECT_EQ(rig.Send({0xB0, 1, 20}), (std::vector<E>{{"pitch", E::Set, 20 / 127.0}}));
    // The mouse moves the pitch: the fader lets go until it reaches it again.
    rig.Deck["pitch"] = 0.9;
    EXPECT_TRUE(rig.Send({0xB0, 1, 25}).empty());
    EXPECT_EQ(rig.Send({0xB0, 1, 114}), (std::vector<E>{{"pitch", E::Set, 114 / 127.0}}));
}

TEST(MidiEngine, ShiftLayerAndReleasesReachTheActionPressed) {
    TRig rig(R"({"note": 10, "action": "shift"},
                {"note": 1, "action": "play"},
                {"note": 1, "action": "search-forward", "shift": true},
                {"note": 2, "action": "cue"})");
    // Unshifted, shifted, and a button without a shifted binding keeps its own.
    EXPECT_EQ(rig.Send({0x90, 1, 127, 0x80, 1, 0}),
              (std::vector<E>{{"play", E::Press}, {"play", E::Release}}));
    EXPECT_EQ(rig.Send({0x90, 10, 127, 0x90, 1, 127, 0x90, 2, 127}),
              (std::vector<E>{{"search-forward", E::Press}, {"cue", E::Press}}));
    // Shift let go while the button is held: its release still ends the search.
    EXPECT_EQ(rig.Send({0x80, 10, 0, 0x80, 1, 0, 0x80, 2, 0}),
              (std::vector<E>{{"search-forward", E::Release}, {"cue", E::Release}}));
    EXPECT_FALSE(rig.Engine.ShiftHeld());

    // A controller unplugged with buttons held sends no releases: the deck
    // lets go of them itself, once.
    rig.Send({0x90, 10, 127, 0x90, 1, 127, 0x90, 2, 127});
    std::vector<E> released;
    rig.Engine.ReleaseAll([&](const E& event) { released.push_back(event); });
    EXPECT_EQ(released, (std::vector<E>{{"search-forward", E::Release}, {"cue", E::Release}}));
    EXPECT_FALSE(rig.Engine.ShiftHeld());
    EXPECT_TRUE(rig.Send({0x80, 1, 0, 0x80, 2, 0}).empty());
}

// Learn from what the hardware sent, as bytes.
std::optional<TVxMidiBinding> Learn(TVxLearnTarget target, const TBytes& bytes,
                                    const TVxMidiMapping& mapping = {}) {
    TVxMidiLearn learn;
    learn.Begin("target", target);
    TVxMidiParser parser;
    std::optional<TVxMidiBinding> result;
    parser.Feed(bytes.data(), bytes.size(), [&](const TVxMidiMessage& message) {
        if (auto binding = learn.Message(message, mapping))
            result = binding;
    });
    if (!result)
        result = learn.Finish();
    if (result) {
        EXPECT_EQ(result->Action, "target");
    }
    return result;
}

TEST(MidiLearn, InfersTheBindingFromTheMovement) {
    auto button = Learn(TVxLearnTarget::Button, {0xB0, 9, 9, 0x93, 40, 127});
    ASSERT_TRUE(button);
    EXPECT_EQ(button->Kind, TVxMidiKind::Note);
    EXPECT_EQ(button->Channel, 3);
    EXPECT_EQ(button->Number, 40);

    auto fader = Learn(TVxLearnTarget::Fader, {0xB1, 7, 10, 7, 30, 7, 52, 7, 80, 7, 101});
    ASSERT_TRUE(fader);
    EXPECT_EQ(fader->Mode, TVxMidiMode::Absolute);
    EXPECT_TRUE(fader->SoftTakeover);
    EXPECT_EQ(fader->Channel, 1);

    auto fine = Learn(TVxLearnTarget::Fader, {0xB0, 5, 10, 37, 3, 5, 11, 37, 90, 5, 12, 37, 0});
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->Mode, TVxMidiMode::Absolute14);
    EXPECT_EQ(fine->Number, 5);

    auto bend = Learn(TVxLearnTarget::Fader, {0xE0, 0, 10, 0, 20, 0, 30, 0, 40});
    ASSERT_TRUE(bend);
    EXPECT_EQ(bend->Kind, TVxMidiKind::PitchBend);

    auto twos = Learn(TVxLearnTarget::Fader, {0xB0, 16, 1, 16, 1, 16, 2, 16, 127, 16, 1});
    ASSERT_TRUE(twos);
    EXPECT_EQ(twos->Mode, TVxMidiMode::Relative);
    EXPECT_EQ(twos->Encoding, TVxMidiRelative::TwosComplement);

    // A jog wheel's whole turn: 3 + 2 * 61 steps at offset 64.
    TBytes turn = {0xB0, 17, 67};
    for (int i = 0; i < 61; ++i)
        turn.insert(turn.end(), {17, 66});
    auto jog = Learn(TVxLearnTarget::Jog, turn);
    ASSERT_TRUE(jog);
    EXPECT_EQ(jog->Encoding, TVxMidiRelative::Offset64);
    EXPECT_EQ(jog->TicksPerTurn, 125);

    // Too little movement to tell anything.
    EXPECT_FALSE(Learn(TVxLearnTarget::Fader, {0xB0, 7, 1, 7, 2}));
}

TEST(MidiLearn, HoldingALearnedButtonMakesAShiftLayer) {
    const TVxMidiMapping mapping = Mapping(R"({"note": 10, "action": "play"})");
    TVxMidiLearn learn;
    learn.Begin("search-forward", TVxLearnTarget::Button);
    TVxMidiParser parser;
    std::vector<TVxMidiBinding> learned;
    const TBytes bytes = {0x90, 10, 127, 0x90, 11, 127};
    parser.Feed(bytes.data(), bytes.size(), [&](const TVxMidiMessage& m) {
        if (auto binding = learn.Message(m, mapping))
            learned.push_back(*binding);
    });
    ASSERT_EQ(learned.size(), 1u);
    EXPECT_EQ(learned[0].Number, 11);
    EXPECT_TRUE(learned[0].Shift);
    ASSERT_TRUE(learn.ShiftButton());
    EXPECT_EQ(learn.ShiftButton()->Number, 10);
    EXPECT_EQ(learn.ShiftButton()->Action, kVxShiftAction);

    // The same learned button pressed and let go alone is learned afresh.
    learn.Begin("cue", TVxLearnTarget::Button);
    std::optional<TVxMidiBinding> again;
    const TBytes alone = {0x90, 10, 127, 0x80, 10, 0};
    parser.Feed(alone.data(), alone.size(), [&](const TVxMidiMessage& m) {
        if (auto binding = learn.Message(m, mapping))
            again = binding;
    });
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Number, 10);
    EXPECT_FALSE(again->Shift);
}

TEST(MidiLights, SendAllOnceThenOnlyChanges) {
    TVxMidiMapping mapping;
    std::string error;
    ASSERT_TRUE(VxParseMidiMapping(
        R"({"version": 1, "device": "T", "lights": [{"note": 1, "state": "playing"},
            {"cc": 2, "channel": 3, "state": "beat", "on": 90, "off": 5}]})",
        "t.json", mapping, error))
        << error;
    TVxMidiLights lights(mapping.Lights);
    EXPECT_EQ(lights.Update({}), (std::vector<TVxMidiMessage>{{TVxMidiKind::Note, 0, 1, 0},
                                                              {TVxMidiKind::Control, 2, 2, 5}}));
    EXPECT_TRUE(lights.Update({}).empty());
    TVxDeckLightState playing;
    playing.Playing = true;
    EXPECT_EQ(lights.Update(playing),
              (std::vector<TVxMidiMessage>{{TVxMidiKind::Note, 0, 1, 127}}));
    lights.Reset();
    EXPECT_EQ(lights.Update(playing).size(), 2u);
}

TEST(MidiLights, BeatLightFollowsTheGridBeforeAndAfterItsFirstBeat) {
    // 120 BPM: a beat every 500 ms, the first at 130.5 ms.
    for (const auto& [position, lit] : std::vector<std::pair<double, bool>>{{130.5, true},
                                                                            {380, true},
                                                                            {381, false},
                                                                            {630.4, false},
                                                                            {630.6, true},
                                                                            {129, false},
                                                                            {-120, true}}) {
        EXPECT_EQ(VxOnBeat(position, 120, 130.5), lit) << position;
    }
    EXPECT_FALSE(VxOnBeat(1000, 0, 0));
}

} // namespace
