#include "controls/ZylButton.h"
#include "controls/ZylImageList.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zyltest;

namespace {

// A strip of `cells` 6 x 5 cells; cell i has the red value 10 * i.
TZylPngImage ButtonStrip(int cells) {
    return MakeImage(6 * cells, 5,
                     [](int x, int) { return ZylRGB(std::uint8_t(10 * (x / 6)), 0, 0); });
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.SetBitmap(ButtonStrip(4));
        list.SetCount(4);
        button.SetImages(&list);
        button.OnMouseDown = [this](TZylControl*, TZylMouseButton, TZylShiftState, int, int) {
            events.push_back("down");
        };
        button.OnMouseUp = [this](TZylControl*, TZylMouseButton, TZylShiftState, int x, int) {
            events.push_back(x > 100 ? "up-outside" : "up");
        };
        button.OnClick = [this](TZylControl*) { events.push_back("click"); };
    }
    // The cell on screen, read back from its colour.
    int ShownCell() { return ZylRed(PixelAt(Render(button), 2, 2)) / 10; }

    TZylImageList list;
    TZylButton button;
    std::vector<std::string> events;
};

} // namespace

TEST_F(ButtonTest, StatusesComeFromTheStripAndAreClamped) {
    EXPECT_EQ(button.GetNumStatus(), 2);
    EXPECT_EQ(button.size(), QSize(6, 5));
    button.SetStatus(1);
    EXPECT_EQ(ShownCell(), 2);
    Press(button, QPoint(1, 1));
    EXPECT_EQ(ShownCell(), 3);
    Release(button, QPoint(1, 1));
    button.SetStatus(5);
    EXPECT_EQ(button.GetStatus(), 1);
    button.SetStatus(-3);
    EXPECT_EQ(button.GetStatus(), 0);
    button.SetStatus(1);
    button.SetNumStatus(1);
    EXPECT_EQ(button.GetStatus(), 0);
    button.SetNumStatus(0);
    EXPECT_EQ(button.GetNumStatus(), 1);
}

TEST_F(ButtonTest, MouseUpAsClickNeedsAPressOnTheButtonAndAReleaseInside) {
    button.SetMouseUpAsClick(true);
    Press(button, QPoint(1, 1));
    Release(button, QPoint(200, 1));
    EXPECT_EQ(events, (std::vector<std::string>{"down"}));
    events.clear();
    button.SetMouseUpAsClick(false);
    Press(button, QPoint(1, 1));
    Release(button, QPoint(200, 1));
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up-outside"}));
}

TEST_F(ButtonTest, DraggingOutAndBackSwitchesTheLook) {
    Enter(button);
    Press(button, QPoint(1, 1));
    EXPECT_EQ(ShownCell(), 1);
    Move(button, QPoint(50, 50));
    EXPECT_EQ(ShownCell(), 0);
    Move(button, QPoint(2, 2));
    EXPECT_EQ(ShownCell(), 1);
    Release(button, QPoint(2, 2));
    EXPECT_EQ(ShownCell(), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"down", "click", "up"}));
}

TEST_F(ButtonTest, ProgramHoldSwallowsRealClicksAndReleasesLikeAClick) {
    button.SetMouseUpAsClick(true);
    button.ManualHold(false);
    EXPECT_EQ(ShownCell(), 1);
    Press(button, QPoint(1, 1));
    Release(button, QPoint(1, 1));
    EXPECT_EQ(ShownCell(), 1); // still held
    EXPECT_EQ(events, (std::vector<std::string>{"down"}));
    button.ManualRelease();
    EXPECT_EQ(events, (std::vector<std::string>{"down", "click", "up"}));
    EXPECT_EQ(ShownCell(), 0);
    button.ManualRelease(); // without a hold: nothing
    EXPECT_EQ(events.size(), 3u);
}

TEST_F(ButtonTest, MousePressDuringAHoldIsIgnoredUntilItsRelease) {
    using Events = std::vector<std::string>;
    for (bool mouseUpAsClick : {false, true}) {
        events.clear();
        button.SetMouseUpAsClick(mouseUpAsClick);
        button.ManualHold(false);
        Press(button, QPoint(1, 1));
        button.ManualRelease();
        Release(button, QPoint(1, 1));
        EXPECT_EQ(events, (Events{"down", "click", "up"})) << mouseUpAsClick;
        EXPECT_EQ(ShownCell(), 0);
        // The next mouse click is an ordinary one again.
        Press(button, QPoint(1, 1));
        Release(button, QPoint(1, 1));
        EXPECT_EQ(events, (Events{"down", "click", "up", "down", "click", "up"})) << mouseUpAsClick;
    }
}

TEST_F(ButtonTest, SilentHoldShowsThePressButFiresNothing) {
    button.ManualHold(true);
    EXPECT_EQ(ShownCell(), 1);
    button.ManualRelease();
    EXPECT_EQ(ShownCell(), 0);
    EXPECT_TRUE(events.empty());
    button.ManualHold(false); // the handlers are back after a silent hold
    button.ManualRelease();
    EXPECT_EQ(events, (std::vector<std::string>{"down", "click", "up"}));
}

TEST_F(ButtonTest, NoHoldWhileTheMouseHoldsTheButton) {
    Press(button, QPoint(1, 1));
    button.ManualHold(false);
    EXPECT_FALSE(button.GetHeld());
    Release(button, QPoint(1, 1));
    EXPECT_EQ(events, (std::vector<std::string>{"down", "click", "up"}));
}

TEST_F(ButtonTest, SequencePlaysAndSetStatusStopsIt) {
    QTimer* timer = button.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    button.StartSequence(0, 1, 300, false);
    EXPECT_TRUE(button.GetSequenceRunning());
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 300);
    EXPECT_EQ(button.GetStatus(), 0);
    button.SequenceTick();
    EXPECT_EQ(ShownCell(), 2);
    button.SequenceTick();
    EXPECT_EQ(button.GetStatus(), 0);
    button.SetStatus(0); // the status already shown still stops it
    EXPECT_FALSE(button.GetSequenceRunning());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(ButtonTest, SequencesAreCutAtThirtyAndShortOnesIgnored) {
    std::vector<int> statuses(40);
    for (int i = 0; i < 40; ++i) {
        statuses[i] = i % 2 == 0 ? 0 : (i < 30 ? 1 : 7);
    }
    button.StartSequence(40, 10, statuses.data());
    for (int tick = 0; tick < 80; ++tick) {
        button.SequenceTick();
        EXPECT_LE(button.GetStatus(), 1) << tick; // entries 30 … 39 never play
    }
    button.StopSequence();
    button.StartSequence(2, 2, 100, true); // a single entry: ignored
    EXPECT_FALSE(button.GetSequenceRunning());
}

TEST(ZylButtonSequence, RangesAndPingPong) {
    EXPECT_EQ(ZylBuildStatusSequence(0, 1, false), (std::vector<int>{0, 1}));
    EXPECT_EQ(ZylBuildStatusSequence(3, 1, false), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(ZylBuildStatusSequence(0, 3, true), (std::vector<int>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(ZylBuildStatusSequence(3, 0, true), (std::vector<int>{3, 2, 1, 0, 1, 2}));
    EXPECT_EQ(ZylBuildStatusSequence(2, 2, true), (std::vector<int>{2}));
    EXPECT_EQ(ZylBuildStatusSequence(0, 100, true).size(), 30u);
}
