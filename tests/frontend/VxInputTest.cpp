#include "frontend/VxInput.h"
#include "diag/Diag.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kSpace = 57, kRight = 205, kShift = 42, kUnwatched = 30;

std::string LastMessage() {
    return DiagLastMessage();
}

// A started reader with the keyboard focus and Space, Right and Shift
// watched; the reader and the key table are process-wide, so each test starts
// them afresh.
class VxInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        VxKeyboardReset();
        VxKeyboardSetFocus(true);
        ASSERT_EQ(VxInputStart(nullptr, this), 0);
        const std::uint32_t watch[] = {kSpace, kRight, kShift, 0};
        VxInputWatch(watch);
    }
    void TearDown() override {
        VxInputStop();
        VxKeyboardReset();
    }

    std::vector<TVxKeyEvent> Read(int capacity = 50) {
        std::vector<TVxKeyEvent> events(static_cast<std::size_t>(capacity));
        int count = -1;
        EXPECT_EQ(VxInputRead(events.data(), &count, capacity), 0) << LastMessage();
        events.resize(static_cast<std::size_t>(count));
        return events;
    }

    std::vector<TVxKeyEvent> ReleaseAll() {
        std::vector<TVxKeyEvent> events(50);
        int count = -1;
        EXPECT_EQ(VxInputReleaseAll(events.data(), &count, 50), 0);
        events.resize(static_cast<std::size_t>(count));
        return events;
    }
};

TEST(VxInputErrorName, NamesTheKnownCodesAndGenericOtherwise) {
    EXPECT_STREQ(VxInputErrorName(1), "DI_BUFFEROVERFLOW");
    EXPECT_STREQ(VxInputErrorName(0x80070005), "DIERR_OTHERAPPHASPRIO");
    EXPECT_STREQ(VxInputErrorName(0x800704DF), "DIERR_ALREADYINITIALIZED");
    EXPECT_STREQ(VxInputErrorName(0x80070006), "(Generic)");
}

TEST(VxInputLifecycle, NoWindowFailsTheStartAndEveryCallIsRefused) {
    VxInputStop();
    EXPECT_EQ(VxInputStart(nullptr, nullptr), -1);
    EXPECT_NE(LastMessage().find("VxInput: Error setting cooperative level [DIERR_INVALIDPARAM]"),
              std::string::npos)
        << LastMessage();
    TVxKeyEvent events[4];
    int count = 7;
    EXPECT_EQ(VxInputRead(events, &count, 4), -1);
    EXPECT_EQ(count, 0);
    EXPECT_NE(LastMessage().find("VxInput: Not initialized"), std::string::npos);
    EXPECT_EQ(VxInputReleaseAll(events, &count, 4), -1);
    EXPECT_EQ(VxInputReacquire(), -1);
}

TEST_F(VxInputTest, AHeldKeyGivesOnePressAndOneRelease) {
    VxKeyboardSetKey(kSpace, true);
    auto events = Read();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Key, kSpace);
    EXPECT_EQ(events[0].State, kVxKeyPressed);
    // Held: the platform's repeated messages set the same state again.
    VxKeyboardSetKey(kSpace, true);
    EXPECT_TRUE(Read().empty());
    EXPECT_TRUE(Read().empty());
    VxKeyboardSetKey(kSpace, false);
    events = Read();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Key, kSpace);
    EXPECT_EQ(events[0].State, 0u);
}

TEST_F(VxInputTest, EventsFollowTheWatchOrderUpToTheCapacity) {
    VxKeyboardSetKey(kShift, true);
    VxKeyboardSetKey(kSpace, true);
    VxKeyboardSetKey(kUnwatched, true);
    auto events = Read(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Key, kSpace);
    // The change beyond the capacity is lost with the swapped tables, as the
    // platform's immediate readings lose it.
    EXPECT_TRUE(Read().empty());

    VxKeyboardSetKey(kRight, true);
    VxKeyboardSetKey(kSpace, false);
    events = Read();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Key, kSpace);
    EXPECT_EQ(events[1].Key, kRight);
}

TEST_F(VxInputTest, TheWatchListTakesTableCodesUpToFiftyAndItsEndMark) {
    std::vector<std::uint32_t> many;
    for (std::uint32_t key = 1; key <= 60; ++key)
        many.push_back(key);
    many.push_back(0);
    VxInputWatch(many.data());
    VxKeyboardSetKey(50, true);
    VxKeyboardSetKey(51, true);
    auto events = Read();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Key, 50u);

    // A code outside the table is no key; the codes after it still count.
    const std::uint32_t outside[] = {kSpace + 256, kRight, 0};
    VxInputWatch(outside);
    VxKeyboardSetKey(kSpace, true);
    VxKeyboardSetKey(kRight, true);
    events = Read();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].Key, kRight);

    const std::uint32_t none[] = {0, kSpace, 0};
    VxInputWatch(none);
    VxKeyboardSetKey(kSpace, true);
    EXPECT_TRUE(Read().empty());
}

TEST_F(VxInputTest, ReleaseAllReleasesWhatTheLastReadingSawAndKeepsTheTables) {
    VxKeyboardSetKey(kRight, true);
    VxKeyboardSetKey(kShift, true);
    ASSERT_EQ(Read().size(), 2u);
    for (int pass = 0; pass < 2; ++pass) {
        const auto released = ReleaseAll();
        ASSERT_EQ(released.size(), 2u);
        EXPECT_EQ(released[0].Key, kRight);
        EXPECT_EQ(released[1].Key, kShift);
        EXPECT_EQ(released[0].State, 0u);
    }
    // The keys are still down: the next reading sees no change.
    EXPECT_TRUE(Read().empty());
}

TEST_F(VxInputTest, LosingTheFocusLosesTheDeviceAndItsKeys) {
    VxKeyboardSetKey(kRight, true);
    ASSERT_EQ(Read().size(), 1u);
    VxKeyboardSetFocus(false);

    // Re-acquiring while another window has the keyboard counts as done,
    // and the reading then fails until the focus returns.
    TVxKeyEvent events[4];
    int count = 0;
    EXPECT_EQ(VxInputRead(events, &count, 4), -1);
    EXPECT_NE(LastMessage().find("VxInput: Error retrieving keyboard state [DIERR_NOTACQUIRED]"),
              std::string::npos)
        << LastMessage();

    // Right was let go elsewhere: back with the focus, nothing is held.
    VxKeyboardSetFocus(true);
    EXPECT_TRUE(Read().empty());
    EXPECT_TRUE(ReleaseAll().empty());
    VxKeyboardSetKey(kSpace, true);
    const auto after = Read();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].Key, kSpace);
}

} // namespace
