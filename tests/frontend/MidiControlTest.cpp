// Controllers on the real deck (offscreen, Null sound): messages go through
// their mapping to the deck's own buttons, sliders and knobs; the jog wheel
// bends while playing and nudges while paused; learn picks a control by a
// click and saves what the hardware did; a faulty mapping file is named
// with its line and the others stay in use.
#include "FormTestSupport.h"

#include "frontend/CfgControllersPage.h"
#include "frontend/CfgForm.h"
#include "frontend/VxMidiControl.h"

#include <QPushButton>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace formtest;

namespace {

fs::path ControllersFolder() {
    return fs::path(TVxMidiControl::Folder());
}

void WriteMapping(const std::string& name, const std::string& text) {
    EnsureApplication(); // the test's own settings folder
    fs::create_directories(ControllersFolder());
    std::ofstream(ControllersFolder() / name) << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class TControllerDeck : public TDeck {
public:
    explicit TControllerDeck(const QStringList& songs) : TDeck(songs) {
        Controllers = std::make_unique<TVxMidiControl>(*Form);
        Controllers->Start();
        QCoreApplication::processEvents();
    }
    ~TControllerDeck() {
        Controllers.reset();
        std::error_code ignored;
        fs::remove_all(ControllersFolder(), ignored);
    }

    // Bytes as the controller of mapping `device` sends them.
    void Send(std::vector<std::uint8_t> bytes, std::size_t device = 0) {
        parser_.Feed(bytes.data(), bytes.size(),
                     [&](const TVxMidiMessage& m) { Controllers->Receive(device, m); });
    }

    int Bend() {
        TVxPitchInfo info;
        System().GetPitchInfo(info);
        return info.Bend;
    }
    std::uint32_t PositionMs() {
        TVxTimeInfo time;
        System().GetTimeInfo(time);
        return time.PositionMs;
    }

    std::unique_ptr<TVxMidiControl> Controllers;

private:
    TVxMidiParser parser_;
};

constexpr const char* kPad = R"({"version": 1, "device": "Pad", "bindings": [
  {"note": 1, "action": "play"}, {"note": 2, "action": "cue"},
  {"cc": 3, "action": "pitch", "mode": "14-bit"},
  {"cc": 4, "action": "volume", "soft-takeover": true},
  {"cc": 5, "action": "jog", "mode": "relative", "ticks-per-turn": 100},
  {"note": 6, "action": "jog-touch"}]})";

TEST(Controllers, DriveTheDeckThroughItsOwnControls) {
    WriteMapping("pad.json", kPad);
    TControllerDeck deck({QString::fromStdString(MakeWav("controlled.wav", 20000))});
    ASSERT_TRUE(deck.RunUntil([&] { return deck.System().SongLoaded.load() != 0; }));
    ASSERT_EQ(deck.Controllers->MappingFiles().size(), 1u);

    // The song plays as it opens. The play note holds the play button while
    // held, as a key does: it pauses, and again it plays.
    ASSERT_TRUE(deck.RunUntil([&] { return deck.System().State == kVxPlaying; }));
    deck.Send({0x90, 1, 127});
    EXPECT_TRUE(deck.Form->btnPlay->GetHeld());
    deck.Send({0x80, 1, 0});
    EXPECT_FALSE(deck.Form->btnPlay->GetHeld());
    deck.Run(200);
    EXPECT_EQ(deck.System().State, kVxPaused);
    deck.Send({0x90, 1, 127, 0x80, 1, 0});
    deck.Run(200);
    EXPECT_EQ(deck.System().State, kVxPlaying);

    // The 14-bit fader's fine part alone moves the slider between the
    // steps its coarse part could reach.
    deck.Send({0xB0, 3, 0x60, 35, 0});
    const int coarse = deck.Form->Pitch->GetValue();
    deck.Send({0xB0, 35, 0x7F});
    EXPECT_GT(deck.Form->Pitch->GetValue(), coarse);
    TVxPitchInfo pitch;
    deck.System().GetPitchInfo(pitch);
    EXPECT_EQ(pitch.Pitch, deck.Form->Pitch->GetValue());

    // Soft takeover: the volume fader at the bottom does not jump the deck
    // from full volume; it acts once it reaches the deck's value.
    deck.Send({0xB0, 4, 0});
    EXPECT_EQ(deck.Form->Volume->GetValue(), 100);
    deck.Send({0xB0, 4, 127, 4, 64});
    EXPECT_EQ(deck.Form->Volume->GetValue(), 50);

    // The jog wheel bends while playing; the bend ends when the wheel stops
    // sending, and at once when the hand leaves the platter.
    deck.Send({0xB0, 5, 2});
    EXPECT_EQ(deck.Form->TouchBend->GetValue(), 2 * TVxJogWheel::kBendPerStep);
    EXPECT_EQ(deck.Bend(), 2 * TVxJogWheel::kBendPerStep);
    QTest::qWait(TVxJogWheel::kStopMs * 5);
    EXPECT_EQ(deck.Bend(), 0);
    deck.Send({0x90, 6, 127, 0xB0, 5, 127});
    EXPECT_EQ(deck.Bend(), -TVxJogWheel::kBendPerStep);
    deck.Send({0x80, 6, 0});
    EXPECT_EQ(deck.Bend(), 0);
    EXPECT_EQ(deck.Form->TouchBend->GetValue(), 0);

    // Paused, the jog nudges the position: ten steps of a 100-step turn.
    deck.Send({0x90, 1, 127, 0x80, 1, 0});
    deck.Run(200);
    ASSERT_NE(deck.System().State, kVxPlaying);
    const std::uint32_t before = deck.PositionMs();
    deck.Send({0xB0, 5, 10});
    deck.Run(100);
    EXPECT_NEAR(double(deck.PositionMs()), before + 10 * TVxJogWheel::kTurnMs / 100.0, 30);
    EXPECT_EQ(deck.Bend(), 0);
}

TEST(Controllers, LearnPicksAControlByClickAndSavesWhatTheHardwareDid) {
    WriteMapping("pad.json", kPad);
    TControllerDeck deck({QString::fromStdString(MakeWav("learned.wav", 5000))});
    ASSERT_TRUE(deck.RunUntil([&] { return deck.System().SongLoaded.load() != 0; }));
    const int pitchBefore = deck.Form->Pitch->GetValue();
    deck.Form->ToggleControllerLearn();
    ASSERT_TRUE(deck.Controllers->Learning());

    // The click picks the control and does not move it.
    TDeck::Click(deck.Form->Pitch);
    EXPECT_EQ(deck.Form->Pitch->GetValue(), pitchBefore);
    // A 14-bit fader moved: controller 9 with 41.
    deck.Send({0xB0, 9, 10, 41, 5, 9, 20, 41, 90, 9, 30, 41, 0});
    QTest::qWait(TVxMidiControl::kLearnQuietMs + 300);
    const std::string saved = ReadFile(ControllersFolder() / "pad.json");
    EXPECT_NE(saved.find(R"("cc": 9, "channel": 1, "action": "pitch", "mode": "14-bit")"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find(R"("note": 1, "channel": 1, "action": "play")"), std::string::npos);

    // A button: the touch-bend knob clicked, then a note is its touch.
    TDeck::Click(deck.Form->TouchBend);
    deck.Send({0x90, 20, 127, 0x80, 20, 0});
    EXPECT_NE(ReadFile(ControllersFolder() / "pad.json")
                  .find(R"("note": 20, "channel": 1, "action": "jog-touch")"),
              std::string::npos);

    deck.Form->ToggleControllerLearn();
    ASSERT_FALSE(deck.Controllers->Learning());

    // The options dialog's Controllers page starts learn as it closes.
    auto dialog = std::make_unique<TCfgForm>();
    dialog->SetModalRunner([](TCfgForm& form) {
        static_cast<TCfgControllersPage*>(form.PageControllers)->btnLearn->click();
        return form.result();
    });
    deck.Form->SetOptionsDialog(std::move(dialog));
    deck.Form->ShowOptions(false);
    EXPECT_TRUE(deck.Controllers->Learning());
    deck.Form->ToggleControllerLearn();
    deck.Send({0xB0, 9, 127, 41, 127});
    EXPECT_EQ(deck.Form->Pitch->GetValue(), deck.Form->Pitch->GetMaxValue());
}

TEST(Controllers, AFaultyMappingIsNamedWithItsLineAndTheOthersStay) {
    WriteMapping("a-broken.json", "{\"version\": 1,\n \"device\": \"Broken\",\n \"bindings\": [\n"
                                  "  {\"note\": 200, \"action\": \"play\"}]}");
    WriteMapping("b-unknown.json", R"({"version": 1, "device": "Other", "bindings": [
      {"note": 1, "action": "play"},
      {"note": 2, "action": "warp-drive"}]})");
    WriteMapping("pad.json", kPad);
    TControllerDeck deck({});
    EXPECT_EQ(deck.Controllers->MappingFiles().size(), 2u);
    const QString faults = deck.Controllers->Faults().join('\n');
    EXPECT_TRUE(faults.contains("a-broken.json:4: \"note\" must be a whole number from 0 to 127"))
        << faults.toStdString();
    EXPECT_TRUE(faults.contains("b-unknown.json:3: the deck has no action \"warp-drive\""))
        << faults.toStdString();
    QCoreApplication::processEvents();
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_NE(RecordedBoxes()[0].Text.find("a-broken.json:4"), std::string::npos);
}

} // namespace
