// The current-song rules and list editing of the playlist.
#include <gtest/gtest.h>

#include "PlaylistTestSupport.h"

namespace {

using Names = std::vector<std::string>;

// A playlist holding songs "a.mp3", "b.mp3", ... whose durations are 1 s, 2 s, ...
class Playlist : public ::testing::Test {
protected:
    void Fill(int count) {
        std::vector<std::string> files;
        for (int i = 0; i < count; ++i) {
            std::string name = std::string(1, static_cast<char>('a' + i)) + ".mp3";
            files.push_back(Tree.File("songs/" + name, std::string(i + 1, 'x')));
        }
        H.Add(files);
        ASSERT_EQ(H.Playlist.GetCount(), count);
    }
    std::string Current() const {
        TSongInfo* song = H.Playlist.CurrentSongInfo();
        return song == nullptr ? "" : ExtractFileName(song->FileName);
    }

    TTempTree Tree;
    TPlaylistHarness H;
    TZylPlaylist& P = H.Playlist;
};

} // namespace

TEST_F(Playlist, NextAndPreviousWithAndWithoutLoop) {
    Fill(3);
    P.Jump(1); // nothing open: the first item
    EXPECT_EQ(P.GetCurrentPosition(), 0);
    P.JumpTo(2);
    EXPECT_FALSE(P.CanOpenNext());
    P.OpenNext();
    EXPECT_EQ(H.Opened, (Names{"a.mp3", "c.mp3"}));
    P.SetOptions(poPlaylistLoop);
    EXPECT_TRUE(P.CanOpenNext());
    P.OpenNext();
    EXPECT_EQ(P.GetCurrentPosition(), 0);
    P.OpenPrevious();
    EXPECT_EQ(P.GetCurrentPosition(), 2);
}

TEST_F(Playlist, JumpToClampsEvenWithLoop) {
    Fill(3);
    P.SetOptions(poPlaylistLoop);
    P.JumpTo(99);
    EXPECT_EQ(P.GetCurrentPosition(), 2);
    P.JumpTo(-7);
    EXPECT_EQ(P.GetCurrentPosition(), 0);
    EXPECT_FALSE(P.CanJumpTo(0));
    EXPECT_EQ(H.Opened.size(), 2u);
}

TEST_F(Playlist, DeleteAfterPlayRemovesTheFinishedSong) {
    Fill(4);
    P.SetOptions(poDeleteAfterPlay);
    P.JumpTo(1);
    P.OpenNext(); // b goes, c is next and now at index 1
    EXPECT_EQ(Current(), "c.mp3");
    EXPECT_EQ(P.GetCurrentPosition(), 1);
    EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "c.mp3", "d.mp3"}));
    P.OpenPrevious(); // c goes, a stays at index 0
    EXPECT_EQ(Current(), "a.mp3");
    EXPECT_EQ(P.GetCurrentPosition(), 0);
    EXPECT_EQ(H.Deleted, 2);
    EXPECT_TRUE(P.GetModified());
    P.OnCloseSong = [](TZylPlaylist&, TSongInfo&, bool& allowDelete) { allowDelete = false; };
    P.OpenNext();
    EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "d.mp3"}));
    EXPECT_EQ(P.GetCurrentPosition(), 1);
}

TEST_F(Playlist, DeletedCurrentSongStaysOpenAndReAddingReattachesIt) {
    Fill(3);
    P.JumpTo(1);
    TSongInfo* open = P.CurrentSongInfo();
    H.SelectOnly({1});
    EXPECT_EQ(P.DeleteSelected(), 1);
    EXPECT_EQ(P.CurrentSongInfo(), open);
    EXPECT_EQ(P.GetCurrentPosition(), -1);
    EXPECT_EQ(H.Deleted, 0);

    H.Add({open->FileName}, 0);
    EXPECT_EQ(H.FileNames(), (Names{"b.mp3", "a.mp3", "c.mp3"}));
    EXPECT_EQ(P.GetSongInfo(0).FileName, open->FileName);
    EXPECT_EQ(&P.GetSongInfo(0), open);
    EXPECT_EQ(P.GetCurrentPosition(), 0);
    EXPECT_EQ(P.ItemText(0, 0), " \xC2\xBB");
    EXPECT_EQ(P.ItemText(1, 0), "");
}

TEST_F(Playlist, ClearDetachesAndClosingTheDetachedSongFreesIt) {
    Fill(3);
    P.JumpTo(2);
    P.Clear();
    EXPECT_EQ(P.GetCount(), 0);
    EXPECT_EQ(H.Deleted, 2);
    EXPECT_EQ(Current(), "c.mp3");
    EXPECT_FALSE(P.CloseSong());
    EXPECT_EQ(H.Deleted, 3);
    EXPECT_EQ(P.CurrentSongInfo(), nullptr);
    EXPECT_EQ(P.CurrentCaption(), "");
}

TEST_F(Playlist, DeleteSelectedKeepsTheCurrentPositionOnItsSong) {
    Fill(5);
    P.JumpTo(3);
    H.SelectOnly({0, 4});
    EXPECT_EQ(P.DeleteSelected(), 2);
    EXPECT_EQ(P.GetCurrentPosition(), 2);
    EXPECT_EQ(Current(), "d.mp3");
    P.SelectAll();
    EXPECT_EQ(P.DeleteSelected(), 3);
    EXPECT_FALSE(P.GetModified()); // emptied through Clear
}

TEST_F(Playlist, MoveItemCarriesTheCurrentPosition) {
    Fill(5);
    struct Case {
        int current, from, to, expected;
    } cases[] = {
        {2, 2, 4, 4}, {3, 1, 4, 2}, {0, 1, 4, 0}, {2, 4, 0, 3}, {4, 4, 1, 1}, {0, 5, 1, 0},
    };
    for (const Case& c : cases) {
        P.JumpTo(c.current);
        std::string song = Current();
        P.MoveItem(c.from, c.to);
        EXPECT_EQ(P.GetCurrentPosition(), c.expected) << c.from << "->" << c.to;
        EXPECT_EQ(ExtractFileName(P.GetSongInfo(P.GetCurrentPosition()).FileName), song);
    }
}

TEST_F(Playlist, DroppingABlockBelowEndsItAtTheTarget) {
    Fill(6);
    P.JumpTo(0);
    H.SelectOnly({0, 1, 2});
    EXPECT_FALSE(P.CanDropOn(1));
    EXPECT_TRUE(P.CanDropOn(4));
    P.DropSelectionOn(4);
    EXPECT_EQ(H.FileNames(), (Names{"d.mp3", "e.mp3", "a.mp3", "b.mp3", "c.mp3", "f.mp3"}));
    EXPECT_EQ(P.GetCurrentPosition(), 2);
    EXPECT_TRUE(P.GetModified());
    P.DropSelectionOn(3); // one of the selected items: refused
    EXPECT_EQ(H.FileNames()[3], "b.mp3");
}

TEST_F(Playlist, DroppingABlockAboveStartsItAtTheTarget) {
    Fill(6);
    H.SelectOnly({3, 4});
    P.DropSelectionOn(1);
    EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "d.mp3", "e.mp3", "b.mp3", "c.mp3", "f.mp3"}));
}

TEST_F(Playlist, ScatteredSelectionIsGatheredAroundTheFocusedItem) {
    Fill(6);
    H.SelectOnly({0, 3, 5});
    P.SetFocused(3);
    P.GatherSelection();
    EXPECT_EQ(H.FileNames(), (Names{"b.mp3", "c.mp3", "a.mp3", "d.mp3", "f.mp3", "e.mp3"}));
    EXPECT_EQ(P.GetFocused(), 3);
    P.DropSelectionOn(0);
    EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "d.mp3", "f.mp3", "b.mp3", "c.mp3", "e.mp3"}));
}

TEST_F(Playlist, ColumnsCaptionsAndTotal) {
    Tree.File("x/Band_-_Tune.mp3", "xx");
    Tree.File("x/empty.mp3", "");
    H.Add({Tree.Path("x")});
    EXPECT_EQ(P.ItemText(0, 1), "1. Band - Tune");
    EXPECT_EQ(P.ItemText(0, 2), "0:02");
    EXPECT_EQ(P.ItemText(1, 1), "2. empty");
    EXPECT_EQ(P.ItemText(1, 2), "-");
    EXPECT_EQ(P.TotalDuration(), 2000u);
    P.SetViewOptions(poShowFileNames);
    EXPECT_EQ(P.ItemText(0, 1), "1. Band_-_Tune");
    P.JumpTo(0);
    EXPECT_EQ(P.CurrentCaption(), "Band_-_Tune");
}

TEST_F(Playlist, RandomPlayNeverRepeatsTheCurrentSong) {
    Fill(3);
    P.SetOptions(poRandomPlay);
    for (int i = 0; i < 40; ++i)
        P.OpenNext();
    ASSERT_EQ(H.Opened.size(), 40u);
    for (std::size_t i = 1; i < H.Opened.size(); ++i)
        EXPECT_NE(H.Opened[i], H.Opened[i - 1]);
}
