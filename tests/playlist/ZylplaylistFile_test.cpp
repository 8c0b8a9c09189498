// Adding through the scan, merging, saving and loading playlist files.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "PlaylistTestSupport.h"
#include "playlist/M3uFile.h"
#include "playlist/PlaylistPaths.h"

namespace {

using Names = std::vector<std::string>;

class PlaylistFile : public ::testing::Test {
protected:
    TTempTree Tree;
    TPlaylistHarness H;
    TZylPlaylist& P = H.Playlist;
    int AfterAdded = -1;
    bool AfterAborted = false;

    Names FullNames() const {
        Names names;
        for (int i = 0; i < P.GetCount(); ++i)
            names.push_back(P.GetSongInfo(i).FileName);
        return names;
    }
    void Load(const std::string& list) {
        P.LoadFromFile(list);
        ASSERT_TRUE(WaitForScan(P, H.Dispatcher)) << list;
    }

    void SetUp() override {
        P.OnAfterScanning = [this](TZylPlaylist&, int added, bool aborted) {
            AfterAdded = added;
            AfterAborted = aborted;
        };
    }
};

} // namespace

TEST_F(PlaylistFile, InsertingBeforeTheCurrentSongMovesItsPosition) {
    H.Add({Tree.File("a.mp3"), Tree.File("b.mp3")});
    P.JumpTo(1);
    H.Add({Tree.File("x.mp3"), Tree.File("y.mp3")}, 1);
    EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "x.mp3", "y.mp3", "b.mp3"}));
    EXPECT_EQ(P.GetCurrentPosition(), 3);
    H.Add({Tree.File("z.mp3")});
    EXPECT_EQ(P.GetCurrentPosition(), 3);
    EXPECT_EQ(P.ItemText(3, 0), " \xC2\xBB");
    EXPECT_EQ(AfterAdded, 1);
    EXPECT_TRUE(P.GetModified());
    // A position before the list is not a valid index: the block goes first.
    H.Add({Tree.File("w.mp3")}, -7);
    EXPECT_EQ(H.FileNames(), (Names{"w.mp3", "a.mp3", "x.mp3", "y.mp3", "b.mp3", "z.mp3"}));
    EXPECT_EQ(P.GetCurrentPosition(), 4);
}

TEST_F(PlaylistFile, KnownSongsWithADurationAreNotAddedAgain) {
    std::string timed = Tree.File("timed.mp3", "xx");
    std::string untimed = Tree.File("untimed.mp3", "");
    H.Add({timed, untimed});
    H.Add({timed, untimed});
    EXPECT_EQ(H.FileNames(), (Names{"timed.mp3", "untimed.mp3", "untimed.mp3"}));
}

TEST_F(PlaylistFile, FirstScanIntoAnEmptyListOpensWithAutoOpen) {
    P.SetOptions(poAutoOpen);
    H.Add({Tree.File("a.mp3"), Tree.File("b.mp3")});
    EXPECT_EQ(H.Opened, (Names{"a.mp3"}));
    H.Add({Tree.File("c.mp3")});
    EXPECT_EQ(H.Opened.size(), 1u);
}

TEST_F(PlaylistFile, AbortedScanKeepsWhatItFound) {
    for (int i = 0; i < 10; ++i)
        Tree.File("many/s" + std::to_string(i) + ".mp3");
    // On the window thread, so that the handler may abort the scan itself.
    P.SyncSongInfoEvent = true;
    int offered = 0;
    P.OnSongInfoCreate = [&](TZylPlaylist& playlist, const std::string&, uint32_t, std::string&,
                             std::string&, uint32_t&, void*&) {
        if (++offered == 3)
            playlist.AbortScan();
        return true;
    };
    H.Add({Tree.Path("many")});
    EXPECT_EQ(P.GetCount(), 3);
    EXPECT_EQ(AfterAdded, 3);
    EXPECT_TRUE(AfterAborted);
}

TEST_F(PlaylistFile, OperationsAreRefusedWhileScanning) {
    Tree.File("a.mp3");
    H.Add({Tree.Path("a.mp3")});
    std::string list = Tree.File("list.m3u", "old\r\n");
    P.SetDragAcceptFiles(true);
    P.SyncSongInfoEvent = true; // the scan waits for the dispatcher we do not drain
    P.AddFiles(Tree.File("b.mp3"), TZylPlaylist::kAppend);
    ASSERT_TRUE(P.GetScanning());
    EXPECT_FALSE(P.AcceptsDroppedFiles());
    EXPECT_FALSE(P.SaveToFile(list));
    EXPECT_EQ(ReadWholeFile(list), "old\r\n");
    P.JumpTo(0);
    P.SelectAll();
    EXPECT_EQ(P.DeleteSelected(), 0);
    EXPECT_TRUE(H.Opened.empty());
    ASSERT_TRUE(WaitForScan(P, H.Dispatcher));
    EXPECT_EQ(P.GetCount(), 2);
}

TEST_F(PlaylistFile, SavedPathsAreRelativeToThePlaylistFolder) {
    H.Add({Tree.File("list/a.mp3"), Tree.File("list/sub/b.mp3"), Tree.File("m/x/c.mp3")});
    std::string list = Tree.Path("list/deep/out.m3u");
    Tree.Folder("list/deep");
    ASSERT_TRUE(P.GetModified());
    ASSERT_TRUE(P.SaveToFile(list));
    EXPECT_EQ(ReadWholeFile(list), "../a.mp3\r\n../sub/b.mp3\r\n../../m/x/c.mp3\r\n");
    EXPECT_FALSE(P.GetModified());
    P.SetOptions(poSaveAbsolutePaths);
    ASSERT_TRUE(P.SaveToFile(list));
    EXPECT_EQ(ReadWholeFile(list), Tree.Root() + "/list/a.mp3\r\n" + Tree.Root() +
                                       "/list/sub/b.mp3\r\n" + Tree.Root() + "/m/x/c.mp3\r\n");
}

TEST_F(PlaylistFile, AwkwardNamesLoadBackAsTheSameSongs) {
    Names songs;
    for (const std::string& name :
         Names{"\xEF\xBB\xBF"
               "marked.mp3",
               "#1 hit.mp3", " lead.mp3", "\tTab.mp3", "back\\slash.mp3",
               "caf\xC3\xA9 \xCE\xA3 \xE2\x80\x93.mp3", "caf\xE9.mp3",
               std::string(250, 'L') + ".mp3", "sub/#deep.mp3", "normal.mp3"})
        songs.push_back(Tree.File("songs/" + name));
    Tree.File("songs/back/slash.mp3"); // what the backslash would wrongly name
    H.Add(songs);
    ASSERT_EQ(FullNames(), songs);
    for (bool absolute : {false, true}) {
        P.SetOptions(absolute ? poSaveAbsolutePaths : 0);
        std::string list = Tree.Path("songs/round.m3u");
        ASSERT_TRUE(P.SaveToFile(list));
        P.Clear();
        Load(list);
        EXPECT_EQ(FullNames(), songs) << ReadWholeFile(list);
    }
}

TEST_F(PlaylistFile, NameThatCannotBeALineRefusesTheSave) {
    std::string list = Tree.File("list.m3u", "old\r\n");
    for (const char* name : {"carriage\rreturn.mp3", "line\nfeed.mp3"}) {
        H.Add({Tree.File("a.mp3"), Tree.File(name)});
        EXPECT_FALSE(P.SaveToFile(list)) << name;
        EXPECT_EQ(ReadWholeFile(list), "old\r\n");
        EXPECT_TRUE(P.GetModified());
        P.Clear();
    }
}

TEST_F(PlaylistFile, Utf8PlaylistsWithAByteOrderMarkLoadEverySong) {
    Names songs = {Tree.File("a.mp3"), Tree.File("b.mp3")};
    for (const char* name : {"bom.m3u", "list.m3u8", "LOUD.M3U8"}) {
        Load(Tree.File(name, "\xEF\xBB\xBF"
                             "a.mp3\r\nb.mp3\r\n"));
        EXPECT_EQ(FullNames(), songs) << name;
    }
    // Named among other files, the UTF-8 form is expanded like any playlist.
    P.Clear();
    H.Add({Tree.Path("list.m3u8"), Tree.File("c.mp3")});
    EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "b.mp3", "c.mp3"}));
}

TEST_F(PlaylistFile, ReadOnlyPlaylistIsRefusedAndHardLinksAreKept) {
    H.Add({Tree.File("a.mp3"), Tree.File("b.mp3")});
    std::string locked = Tree.File("locked.m3u", "old\r\n");
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    EXPECT_FALSE(P.SaveToFile(locked));
    EXPECT_EQ(ReadWholeFile(locked), "old\r\n");
    EXPECT_TRUE(P.GetModified());

    std::string linked = Tree.File("linked.m3u", "old\r\n");
    std::string alias = Tree.Path("alias.m3u");
    ASSERT_EQ(link(linked.c_str(), alias.c_str()), 0);
    ASSERT_TRUE(P.SaveToFile(linked));
    EXPECT_EQ(ReadWholeFile(alias), "a.mp3\r\nb.mp3\r\n");
    struct stat info;
    ASSERT_EQ(stat(linked.c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 2u);
}

namespace {

// Writes songs to the playlist list in a child process whose files may not
// grow beyond limitBytes, as under "ulimit -f"; the child runs as an
// ordinary user when asked, so that folder permissions apply even to root.
// True when the child reported the write as done.
bool WriteUnderSizeLimit(const std::string& list, const std::vector<std::string>& songs,
                         rlim_t limitBytes, bool asOrdinaryUser) {
    const pid_t child = fork();
    if (child == 0) {
        const rlimit limit{limitBytes, limitBytes};
        // The player ignores the signal that would end it, as the write's
        // failure is reported.
        std::signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0 ||
            (asOrdinaryUser && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)))
            _exit(2);
        _exit(WritePlaylistFile(list, songs) ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "status " << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// A save that runs into the file size limit part-way leaves the old playlist
// whole, with its hard links, and no copy beside it: whether it was written
// in place because of the links, or because its folder takes no new files.
TEST(PlaylistFileSizeLimit, AFailedSaveLeavesTheOldPlaylistWhole) {
    constexpr rlim_t kLimit = 4096;
    std::string oldText;
    for (int i = 0; oldText.size() < 3000; ++i)
        oldText += "/music/old song " + std::to_string(i) + ".mp3\r\n";
    std::vector<std::string> songs;
    for (int i = 0; i < 200; ++i)
        songs.push_back("/music/new and longer song name " + std::to_string(i) + ".mp3");
    const struct {
        const char* Case;
        bool Linked;
        bool FolderTakesNewFiles;
    } cases[] = {
        {"hard-linked", true, true},
        {"folder taking no new files", false, false},
        {"hard-linked in a folder taking no new files", true, false},
    };
    for (const auto& c : cases) {
        TTempTree tree;
        ASSERT_EQ(chmod(tree.Root().c_str(), 0755), 0);
        const std::string list = tree.File("lists/list.m3u", oldText);
        ASSERT_EQ(chmod(list.c_str(), 0666), 0);
        if (c.Linked) {
            ASSERT_EQ(link(list.c_str(), tree.Path("lists/alias.m3u").c_str()), 0);
        }
        const std::vector<std::string> before = FolderEntries(tree.Path("lists"));
        if (!c.FolderTakesNewFiles) {
            ASSERT_EQ(chmod(tree.Path("lists").c_str(), 0555), 0);
        }

        EXPECT_FALSE(WriteUnderSizeLimit(list, songs, kLimit, !c.FolderTakesNewFiles)) << c.Case;
        chmod(tree.Path("lists").c_str(), 0755);
        EXPECT_EQ(ReadWholeFile(list), oldText) << c.Case;
        EXPECT_EQ(FolderEntries(tree.Path("lists")), before) << c.Case;
        struct stat info;
        ASSERT_EQ(stat(list.c_str(), &info), 0);
        EXPECT_EQ(info.st_nlink, c.Linked ? 2u : 1u) << c.Case;
        // Without the limit the same save goes through, links and all.
        EXPECT_TRUE(WritePlaylistFile(list, songs)) << c.Case;
        ASSERT_EQ(stat(list.c_str(), &info), 0);
        EXPECT_EQ(info.st_nlink, c.Linked ? 2u : 1u) << c.Case;
    }
}

TEST_F(PlaylistFile, SaveIntoAMissingFolderFailsAndKeepsTheModifiedFlag) {
    H.Add({Tree.File("a.mp3"), Tree.File("b.mp3")});
    ASSERT_TRUE(P.GetModified());
    EXPECT_FALSE(P.SaveToFile(Tree.Path("missing/out.m3u")));
    EXPECT_TRUE(P.GetModified());
}

TEST_F(PlaylistFile, FolderTakingNoNewFilesStillLetsItsPlaylistBeRewritten) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    H.Add({Tree.File("shared/a.mp3")});
    std::string list = Tree.File("shared/list.m3u", "old\r\n");
    ASSERT_EQ(chmod(list.c_str(), 0666), 0);
    ASSERT_EQ(chmod(Tree.Path("shared").c_str(), 0555), 0);
    bool saved = P.SaveToFile(list);
    bool savedNew = P.SaveToFile(Tree.Path("shared/new.m3u"));
    chmod(Tree.Path("shared").c_str(), 0755);
    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadWholeFile(list), "a.mp3\r\n");
    EXPECT_FALSE(savedNew);
}

TEST_F(PlaylistFile, ForeignLineEndsAndHeadersLoadLikeOwnOutput) {
    H.Add({Tree.File("songs/a.mp3"), Tree.File("songs/sub/b.mp3")});
    std::string own = Tree.Path("songs/own.m3u");
    ASSERT_TRUE(P.SaveToFile(own));
    Tree.File("songs/lf.m3u", "#EXTM3U\n#EXTINF:1,A\n  a.mp3\t\nsub/b.mp3\n");
    Tree.File("songs/dos.m3u", "a.mp3\r\nsub\\b.mp3\r\n");
    for (const char* name : {"own.m3u", "lf.m3u", "dos.m3u"}) {
        P.LoadFromFile(Tree.Path(std::string("songs/") + name));
        ASSERT_TRUE(WaitForScan(P, H.Dispatcher));
        EXPECT_EQ(H.FileNames(), (Names{"a.mp3", "b.mp3"})) << name;
        EXPECT_EQ(P.GetSongInfo(1).FileName, Tree.Path("songs/sub/b.mp3")) << name;
        EXPECT_FALSE(P.GetModified()) << name;
    }
}

TEST_F(PlaylistFile, LoadWithNothingUsableLeavesTheListAlone) {
    H.Add({Tree.File("keep.mp3")});
    P.ScanOptions |= fsCheckFileExists;
    Tree.File("gone.m3u", "gone1.mp3\r\ngone2.mp3\r\n");
    const char junk[] = "\x01\xff\xfe\r\r\n\x7f garbage \x80\x81\0after.mp3";
    Tree.File("after.mp3");
    Tree.File("junk.m3u", std::string(junk, sizeof junk - 1));
    Tree.File("self.m3u", "self.m3u\r\nfolder\r\n");
    Tree.Folder("folder");
    for (const char* name : {"gone.m3u", "junk.m3u", "self.m3u", "absent.m3u"}) {
        AfterAdded = -1;
        P.LoadFromFile(Tree.Path(name));
        ASSERT_TRUE(WaitForScan(P, H.Dispatcher));
        EXPECT_EQ(AfterAdded, 0) << name;
        EXPECT_EQ(H.FileNames(), (Names{"keep.mp3"})) << name;
    }
}

TEST_F(PlaylistFile, HugePlaylistsAndLongLinesLoadWithoutTrouble) {
    std::string song = Tree.File("real.mp3");
    {
        std::ofstream out(Tree.Path("huge.m3u"), std::ios::binary);
        for (int i = 0; i < 1000000; ++i)
            out << "missing" << i << ".mp3\r\n";
        out << std::string(100000, 'L') << ".mp3\n";
        for (int i = 0; i < 50000; ++i)
            out << "./";
        out << "real.mp3\n";
    }
    P.ScanOptions |= fsCheckFileExists;
    P.LoadFromFile(Tree.Path("huge.m3u"));
    ASSERT_TRUE(WaitForScan(P, H.Dispatcher));
    EXPECT_EQ(H.FileNames(), (Names{"real.mp3"}));
    EXPECT_EQ(P.GetSongInfo(0).FileName, song);
}

TEST_F(PlaylistFile, DestroyingThePlaylistStopsARunningScan) {
    Tree.File("a.mp3");
    Tree.File("b.mp3");
    int created = 0;
    int deleted = 0;
    {
        TZylQueueDispatcher dispatcher;
        TZylPlaylist playlist(dispatcher);
        playlist.SetExtensions({"mp3"});
        playlist.SyncSongInfoEvent = true;
        playlist.OnSongInfoCreate = [&](TZylPlaylist&, const std::string&, uint32_t, std::string&,
                                        std::string&, uint32_t&, void*&) { return ++created > 0; };
        playlist.OnSongInfoDelete = [&](TZylPlaylist&, TSongInfo&) { ++deleted; };
        playlist.AddFiles(Tree.Root(), TZylPlaylist::kAppend);
        // Let the first file through, one hand-over at a time; the scan then
        // waits for the second, which is never handed over.
        while (created == 0)
            dispatcher.WaitAndRunOne(std::chrono::milliseconds(50));
        ASSERT_TRUE(playlist.GetScanning());
    }
    EXPECT_GE(created, 1);
    EXPECT_EQ(deleted, created); // entries never merged are still handed back
}
