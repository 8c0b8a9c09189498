// What a scan turns files, folders and playlists into.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "PlaylistTestSupport.h"
#include "playlist/PlaylistPaths.h"
#include "playlist/Zylsongscan.h"

namespace {

class SongScan : public ::testing::Test {
protected:
    // Runs a scan of inputs and returns the accepted paths relative to the tree.
    std::vector<std::string> Scan(const std::vector<std::string>& inputs,
                                  TFileScanOptions options = fsExpandFolders | fsExpandPlaylists) {
        TSongScanThread scan(Dispatcher);
        scan.SetStrings(TSongScanThread::ssInput, inputs);
        scan.SetStrings(TSongScanThread::ssKnownFiles, Known);
        scan.SetStrings(TSongScanThread::ssExtensions, {"mp3", "wav"});
        scan.PlaylistExt = "m3u";
        scan.ScanOptions = options;
        scan.BaseFolder = Tree.Root();
        scan.SongInfoCallback = [this](TSongScanThread&, TScanResult& result) {
            Offered.push_back(result.FileName);
            return Reject.count(ExtractFileName(result.FileName)) == 0;
        };
        scan.Start();
        scan.WaitFor();
        Dispatcher.Drain();
        std::vector<std::string> accepted;
        std::string prefix = Tree.Root() + "/";
        for (const TScanResult& result : scan.Results()) {
            const std::string& name = result.FileName;
            bool inTree = name.compare(0, prefix.size(), prefix) == 0;
            accepted.push_back(inTree ? name.substr(prefix.size()) : name);
        }
        EXPECT_EQ(scan.ReturnValue(), static_cast<int>(accepted.size()));
        return accepted;
    }

    TTempTree Tree;
    TZylQueueDispatcher Dispatcher;
    std::vector<std::string> Known;
    std::set<std::string> Reject;
    std::vector<std::string> Offered;
};

using Names = std::vector<std::string>;

} // namespace

TEST_F(SongScan, FoldersAreSortedFilteredAndHiddenEntriesSkipped) {
    Tree.File("lib/b.mp3");
    Tree.File("lib/A.WAV");
    Tree.File("lib/c.txt");
    Tree.File("lib/.hidden.mp3");
    Tree.File("lib/.cache/x.mp3");
    Tree.File("lib/sub/d.mp3");
    EXPECT_EQ(Scan({"lib"}), (Names{"lib/A.WAV", "lib/b.mp3", "lib/sub/d.mp3"}));
}

TEST_F(SongScan, SingleFolderIsExpandedOneLevelWithExpansionOff) {
    Tree.File("lib/a.mp3");
    Tree.File("lib/sub/deep.mp3");
    EXPECT_EQ(Scan({"lib"}, 0), (Names{"lib/a.mp3"}));
    // Two inputs are not a single item: folders stay closed.
    Tree.File("top.mp3");
    EXPECT_EQ(Scan({"lib", "top.mp3"}, 0), (Names{"top.mp3"}));
}

TEST_F(SongScan, PlaylistContributesOnlyTheSongFilesItNames) {
    Tree.File("lib/a.mp3");
    Tree.File("lib/sub/in-folder.mp3");
    Tree.File("other.m3u", "lib/sub/in-folder.mp3\r\n");
    Tree.File("lib/list.m3u", "#EXTM3U\r\n a.mp3 \r\nsub\r\n../other.m3u\r\nlist.m3u\r\n"
                              "notes.txt\r\n/nowhere/missing.mp3\r\n");
    EXPECT_EQ(Scan({"lib/list.m3u"}), (Names{"lib/a.mp3", "/nowhere/missing.mp3"}));
}

TEST_F(SongScan, PlaylistsAreExpandedOnlyWhenAskedOrAlone) {
    Tree.File("a.mp3");
    Tree.File("b.mp3");
    Tree.File("list.m3u", "a.mp3\n");
    EXPECT_EQ(Scan({"list.m3u"}, 0), (Names{"a.mp3"}));
    EXPECT_EQ(Scan({"list.m3u", "b.mp3"}, 0), (Names{"b.mp3"}));
    EXPECT_EQ(Scan({"list.m3u", "b.mp3"}, fsExpandPlaylists), (Names{"a.mp3", "b.mp3"}));
}

TEST_F(SongScan, MissingFilesReachTheCallbackUnlessExistenceIsChecked) {
    Tree.File("here.mp3");
    Tree.File("list.m3u", "here.mp3\ngone.mp3\n");
    EXPECT_EQ(Scan({"list.m3u"}), (Names{"here.mp3", "gone.mp3"}));
    EXPECT_EQ(Scan({"list.m3u"}, fsCheckFileExists), (Names{"here.mp3"}));
}

TEST_F(SongScan, DuplicatesAreFoundByNameWithoutRegardToCase) {
    struct Case {
        const char* first;
        const char* second;
        bool same;
    } cases[] = {
        {"Song.mp3", "song.MP3", true},
        {"\xC3\x84rger.mp3", "\xC3\xA4rger.mp3", true},                         // Ärger, ärger
        {"\xCE\xA3\xCE\x9F\xCE\xA6.mp3", "\xCF\x83\xCE\xBF\xCF\x86.mp3", true}, // ΣΟΦ, σοφ
        {"\xD0\x96.mp3", "\xD0\xB6.mp3", true},                                 // Ж, ж
        {"\xC3\xA9.mp3", "e.mp3", false},                                       // é is not e
        {"caf\xE9.mp3", "caf\xC9.mp3", false},                                  // not UTF-8: bytes
    };
    for (const Case& c : cases) {
        TTempTree tree;
        std::string first = tree.File(std::string("one/") + c.first);
        std::string second = tree.File(std::string("two/") + c.second);
        Names both = {first, second};
        Names expected = c.same ? Names{first} : both;
        EXPECT_EQ(Scan(both), expected) << c.first;
        EXPECT_EQ(Scan(both, fsAllowDuplicates), both) << c.first;
    }
}

TEST_F(SongScan, KnownFilesAndRejectedFilesAreNotAdded) {
    Tree.File("a.mp3");
    Tree.File("b.mp3");
    Tree.File("c.mp3");
    Known = {"/elsewhere/A.mp3"};
    Reject = {"b.mp3"};
    EXPECT_EQ(Scan({"a.mp3", "b.mp3", "c.mp3"}), (Names{"c.mp3"}));
    // Names already in the playlist never reach the callback.
    EXPECT_EQ(Offered.size(), 2u);
}

TEST_F(SongScan, AnyExtensionTakesUnknownFilesButNeverFoldersOrPlaylists) {
    Tree.File("x/notes.txt");
    Tree.File("x/list.m3u", "notes.txt\n");
    Tree.File("x/sub/deep.txt");
    EXPECT_EQ(Scan({"x/notes.txt", "x/list.m3u", "x/sub"}, fsAllowAnyExt), (Names{"x/notes.txt"}));
}

TEST_F(SongScan, FoldersAreEnteredAgainExceptFromInsideThemselves) {
    Tree.File("root/a.mp3");
    Tree.File("root/sub/b.mp3");
    ASSERT_EQ(symlink("..", Tree.Path("root/sub/loop").c_str()), 0);
    ASSERT_EQ(symlink("sub", Tree.Path("root/twin").c_str()), 0);
    TFileScanOptions duplicates = fsExpandFolders | fsAllowDuplicates;
    // The link back to root leads into a folder inside itself; the link to a
    // sibling does not, and a folder named twice is expanded twice.
    EXPECT_EQ(Scan({"root"}, duplicates),
              (Names{"root/a.mp3", "root/sub/b.mp3", "root/twin/b.mp3"}));
    Names fromSub = {"root/sub/b.mp3", "root/sub/loop/a.mp3"};
    Names twice = fromSub;
    twice.insert(twice.end(), fromSub.begin(), fromSub.end());
    EXPECT_EQ(Scan({"root/sub", "root/sub"}, duplicates), twice);
}

TEST_F(SongScan, PipesNamedLikeSongsAreNotOpened) {
    ASSERT_EQ(mkfifo(Tree.Path("pipe.mp3").c_str(), 0600), 0);
    Tree.File("real.mp3");
    EXPECT_EQ(Scan({Tree.Root()}), (Names{"real.mp3"}));
    EXPECT_EQ(Scan({"pipe.mp3", "real.mp3"}), (Names{"real.mp3"}));
}

TEST_F(SongScan, UnreadableFolderIsSkipped) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    Tree.File("locked/a.mp3");
    Tree.File("open/b.mp3");
    chmod(Tree.Path("locked").c_str(), 0);
    EXPECT_EQ(Scan({"locked", "open"}), (Names{"open/b.mp3"}));
    chmod(Tree.Path("locked").c_str(), 0700);
}

TEST_F(SongScan, ScanningEventFiresForEveryNthExaminedFile) {
    for (int i = 0; i < 7; ++i)
        Tree.File("f" + std::to_string(i) + (i == 3 ? ".txt" : ".mp3"));
    for (unsigned interval : {0u, 1u, 3u}) {
        TSongScanThread scan(Dispatcher);
        scan.SetStrings(TSongScanThread::ssInput, {Tree.Root()});
        scan.SetStrings(TSongScanThread::ssExtensions, {"mp3"});
        scan.ScanEventInterval = interval;
        std::vector<unsigned> counts;
        scan.OnScanning = [&](TSongScanThread&, unsigned added) { counts.push_back(added); };
        scan.Start();
        scan.WaitFor();
        if (interval == 3)
            EXPECT_EQ(counts, (std::vector<unsigned>{1, 3, 6})); // after f0, f3 (the .txt), f6
        else
            EXPECT_EQ(counts.size(), 7u);
    }
}

TEST_F(SongScan, TerminateStopsTheRecursionAndKeepsWhatWasFound) {
    for (int i = 0; i < 20; ++i)
        Tree.File("many/s" + std::to_string(100 + i) + ".mp3");
    TSongScanThread scan(Dispatcher);
    scan.SetStrings(TSongScanThread::ssInput, {Tree.Path("many")});
    scan.SetStrings(TSongScanThread::ssExtensions, {"mp3"});
    scan.SongInfoCallback = [](TSongScanThread& sender, TScanResult& result) {
        if (ExtractFileName(result.FileName) == "s104.mp3")
            sender.Terminate();
        return true;
    };
    scan.Start();
    scan.WaitFor();
    EXPECT_EQ(scan.Results().size(), 5u);
    EXPECT_EQ(scan.ReturnValue(), 5);
}
