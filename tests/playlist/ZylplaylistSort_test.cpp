// Sorting, shuffling and finding entries of the whole list.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlaylistTestSupport.h"
#include "playlist/PlaylistPaths.h"

namespace {

class PlaylistSort : public ::testing::Test {
protected:
    // Added in two scans, the second inserted at the top, so that the order
    // of adding differs from the list's order. Durations are one second per
    // byte of content; "Intro" has none.
    void SetUp() override {
        H.Add({Tree.File("Zed_-_Alpha.mp3", "xxx"), Tree.File("abba_-_Omega.mp3", "x"),
               Tree.File("Mono_-_beta.mp3", "xxxxx")});
        H.Add({Tree.File("Kay_-_Delta.mp3", "xx"), Tree.File("Intro.mp3", "")}, 0);
        ASSERT_EQ(H.FileNames(),
                  (std::vector<std::string>{"Kay_-_Delta.mp3", "Intro.mp3", "Zed_-_Alpha.mp3",
                                            "abba_-_Omega.mp3", "Mono_-_beta.mp3"}));
    }

    TTempTree Tree;
    TPlaylistHarness H;
};

TEST_F(PlaylistSort, EachOrderKeepsTheCurrentSongSelectionAndFocusOnTheirEntries) {
    const struct {
        TZylPlaylist::TSortKey Key;
        std::vector<std::string> Order;
    } cases[] = {
        // Artist ignoring case, an empty artist first; then the title.
        {TZylPlaylist::psArtist,
         {"Intro.mp3", "abba_-_Omega.mp3", "Kay_-_Delta.mp3", "Mono_-_beta.mp3",
          "Zed_-_Alpha.mp3"}},
        {TZylPlaylist::psTitle,
         {"Zed_-_Alpha.mp3", "Mono_-_beta.mp3", "Kay_-_Delta.mp3", "Intro.mp3",
          "abba_-_Omega.mp3"}},
        // Unknown lengths last.
        {TZylPlaylist::psLength,
         {"abba_-_Omega.mp3", "Kay_-_Delta.mp3", "Zed_-_Alpha.mp3", "Mono_-_beta.mp3",
          "Intro.mp3"}},
        // The order of adding, not the order of the list before sorting.
        {TZylPlaylist::psUnsorted,
         {"Zed_-_Alpha.mp3", "abba_-_Omega.mp3", "Mono_-_beta.mp3", "Kay_-_Delta.mp3",
          "Intro.mp3"}},
    };
    TZylPlaylist& list = H.Playlist;
    list.JumpTo(3); // abba
    H.SelectOnly({2});
    list.SetFocused(2);
    for (const auto& c : cases) {
        list.SortBy(c.Key);
        EXPECT_EQ(H.FileNames(), c.Order) << c.Key;
        const int current = list.GetCurrentPosition();
        ASSERT_GE(current, 0);
        EXPECT_EQ(ExtractFileName(list.GetSongInfo(current).FileName), "abba_-_Omega.mp3");
        EXPECT_EQ(list.ItemText(current, 0), " \xC2\xBB");
        ASSERT_EQ(list.GetSelectedCount(), 1);
        EXPECT_TRUE(list.IsSelected(list.GetFocused()));
        EXPECT_EQ(ExtractFileName(list.GetSongInfo(list.GetFocused()).FileName), "Zed_-_Alpha.mp3");
        EXPECT_TRUE(list.GetModified());
    }
}

TEST_F(PlaylistSort, ShuffleIsAPermutationThatKeepsTheCurrentSong) {
    TZylPlaylist& list = H.Playlist;
    list.JumpTo(1);
    std::vector<std::string> before = H.FileNames();
    std::vector<std::vector<std::string>> orders;
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        list.Shuffle(seed);
        std::vector<std::string> after = H.FileNames();
        orders.push_back(after);
        EXPECT_TRUE(std::is_permutation(after.begin(), after.end(), before.begin(), before.end()));
        EXPECT_EQ(ExtractFileName(list.GetSongInfo(list.GetCurrentPosition()).FileName),
                  "Intro.mp3");
    }
    // Not the identity every time.
    EXPECT_NE(std::count(orders.begin(), orders.end(), orders.front()), 4);
}

TEST_F(PlaylistSort, FindMovesToTheNextEntryHoldingTheTextAndWraps) {
    const struct {
        const char* Text;
        int From;
        int Found;
    } cases[] = {
        {"a", -1, 0},    // "Kay - Delta" from the top
        {"a", 0, 2},     // next: "Zed - Alpha"
        {"ALPHA", 3, 2}, // wraps, case ignored
        {".mp3", 4, 0},  // the file name counts too
        {"intro", 1, 1}, // the entry itself comes last
        {"nothing", 0, -1}, {"", 0, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(H.Playlist.FindText(c.Text, c.From), c.Found) << c.Text << " from " << c.From;
}

} // namespace
