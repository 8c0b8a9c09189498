// Pure text helpers: paths, song times, artist/title split, playlist lines.
#include <gtest/gtest.h>

#include "playlist/M3uFile.h"
#include "playlist/PlaylistPaths.h"
#include "playlist/SongText.h"

using Lines = std::vector<std::string>;

TEST(PlaylistPaths, MakeAbsoluteResolvesAgainstTheBaseAndNormalises) {
    struct Case {
        const char* path;
        const char* base;
        const char* expected;
    } cases[] = {
        {"song.mp3", "/music/list", "/music/list/song.mp3"},
        {"../x/y.mp3", "/a/b", "/a/x/y.mp3"},
        {"../../x/y.mp3", "/a/b/c/", "/a/x/y.mp3"},
        {"/abs//./z.mp3", "/ignored", "/abs/z.mp3"},
        {"../../../../up.mp3", "/a", "/up.mp3"},
        {"sub/", "/a", "/a/sub"},
        {"", "/a/b", "/a/b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeAbsolutePath(c.path, c.base), c.expected) << c.path << " in " << c.base;
}

TEST(PlaylistPaths, RelativeFormUsesParentStepsAndKeepsFolderCase) {
    struct Case {
        const char* song;
        const char* base;
        const char* expected;
    } cases[] = {
        {"/music/list/a.mp3", "/music/list/", "a.mp3"},
        {"/music/list/sub/a.mp3", "/music/list/", "sub/a.mp3"},
        {"/m/x/y.mp3", "/m/p/q/", "../../x/y.mp3"},
        {"/other/a.mp3", "/music/list", "../../other/a.mp3"},
        // Two folders that differ only in case are two folders here.
        {"/home/Music/a.mp3", "/home/music/", "../Music/a.mp3"},
        {"/a.mp3", "/", "a.mp3"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeRelativePath(c.song, c.base), c.expected) << c.song << " from " << c.base;
}

TEST(PlaylistPaths, NamePartsIgnoreDotsInFolders) {
    EXPECT_EQ(ExtractFileExtNoDot("/a.b/song"), "");
    EXPECT_EQ(ExtractFileExtNoDot("/a/song.Mp3"), "Mp3");
    EXPECT_EQ(ExtractFileTitle("/a.b/song.x.mp3"), "song.x");
    EXPECT_EQ(ExtractFilePath("song.mp3"), "");
    EXPECT_EQ(ExtractFilePath("/a/b.mp3"), "/a/");
    EXPECT_TRUE(SameText("SONG.mp3", "song.MP3"));
    EXPECT_FALSE(SameText("song", "songs"));
    EXPECT_EQ(TrimBlanks("\t  x y \r\n"), "x y");
}

TEST(SongText, FormatSongTimeSwitchesToHoursAtOneHour) {
    EXPECT_EQ(FormatSongTime(0), "0:00");
    EXPECT_EQ(FormatSongTime(59999), "0:59");
    EXPECT_EQ(FormatSongTime(61000), "1:01");
    EXPECT_EQ(FormatSongTime(3599999), "59:59");
    EXPECT_EQ(FormatSongTime(3600000), "1:00:00");
    EXPECT_EQ(FormatSongTime(36061000), "10:01:01");
    EXPECT_EQ(FormatSongTime(4294967295u), "1193:02:47");
}

TEST(SongText, SplitArtistTitle) {
    struct Case {
        const char* text;
        const char* artist;
        const char* title;
    } cases[] = {
        {"Band_-_Song", "Band", "Song"},
        {"01 - Song", "", "01 - Song"},
        {"Plain title", "", "Plain title"},
        {"  Artist  -  Title  ", "Artist", "Title"},
        {"AC-DC - Thunder", "AC", "DC - Thunder"},
        {"- lead", "", "- lead"},
        {"12-34", "", "12-34"},
        {"Art-", "Art", ""},
    };
    for (const Case& c : cases) {
        std::string artist = "stale", title = "stale";
        SplitArtistTitle(c.text, artist, title);
        EXPECT_EQ(artist, c.artist) << c.text;
        EXPECT_EQ(title, c.title) << c.text;
    }
}

TEST(M3uLines, LineEndsCommentsBlanksAndNul) {
    struct Case {
        std::string text;
        Lines expected;
    } cases[] = {
        {"a.mp3\r\nb.mp3\r\n", {"a.mp3", "b.mp3"}},
        {"a.mp3\nb.mp3", {"a.mp3", "b.mp3"}},
        {"a.mp3\rb.mp3\r", {"a.mp3", "b.mp3"}},
        {"a.mp3\r\r\nb.mp3", {"a.mp3", "b.mp3"}},
        {"#EXTM3U\n#EXTINF:123,Artist - T\n  a.mp3  \n\n\t\n", {"  a.mp3  "}},
        {"\xEF\xBB\xBF#EXTM3U\r\n\xEF\xBB\xBF"
         "b.mp3\r\n",
         {"\xEF\xBB\xBF"
          "b.mp3"}},
        {"\xEF\xBB\xBF"
         "a.mp3\r\n",
         {"a.mp3"}},
        {std::string("a.mp3\nb.mp3\0c.mp3\n", 19), {"a.mp3", "b.mp3"}},
        {std::string("\0a.mp3", 6), {}},
        {"  # comment after blanks\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParsePlaylistText(c.text), c.expected) << c.text;
}

TEST(M3uLines, ChunkBoundariesDoNotSplitOrJoinLines) {
    std::string text = "one.mp3\r\ntwo.mp3\rthree.mp3\n\r\nfour.mp3";
    Lines whole = ParsePlaylistText(text);
    TM3uLineReader reader;
    for (char c : text)
        reader.Feed(std::string_view(&c, 1));
    reader.Finish();
    EXPECT_EQ(reader.Lines(), whole);
    EXPECT_EQ(whole.size(), 4u);
}

TEST(M3uLines, OverlongLineIsDroppedAndItsNeighboursKept) {
    std::string text = "before.mp3\n" + std::string(TM3uLineReader::kMaxLineBytes + 1, 'x') +
                       "\nafter.mp3\n" + std::string(TM3uLineReader::kMaxLineBytes, 'y');
    Lines lines = ParsePlaylistText(text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "after.mp3");
    EXPECT_EQ(lines[2].size(), TM3uLineReader::kMaxLineBytes);
}
