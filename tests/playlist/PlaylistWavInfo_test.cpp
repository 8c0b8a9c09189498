// The song-info handler reading lengths through the real WAV decoder, as the
// window's handler does through the player.
#include <gtest/gtest.h>

#include "PlaylistTestSupport.h"
#include "WaveFixture.h"
#include "decoding/SongExtensions.h"
#include "decoding/ZylWAV.h"

TEST(PlaylistWavInfo, DecoderLengthsFillEntriesAndUnreadableFilesAreDropped) {
    TTempTree tree;
    WriteWaveFile(tree.Path("Band - One.wav"), 1500);
    WriteWaveFile(tree.Path("two.wav"), 250);
    WriteWaveFile(tree.Path("broken.wav"), 1000, true);
    TPlaylistHarness h;
    TZylWAVTAG decoder;
    h.Playlist.OnSongInfoCreate = [&](TZylPlaylist&, const std::string& fileName, uint32_t,
                                      std::string&, std::string&, uint32_t& duration, void*&) {
        char name[kSongNameSize];
        return decoder.GetInfo(fileName.c_str(), name, &duration) == 0;
    };
    h.Add({tree.Root()});
    ASSERT_EQ(h.FileNames(), (std::vector<std::string>{"Band - One.wav", "two.wav"}));
    EXPECT_EQ(h.Playlist.GetSongInfo(0).Duration, 1500u);
    EXPECT_EQ(h.Playlist.GetSongInfo(0).Caption, "Band - One");
    EXPECT_EQ(h.Playlist.ItemText(1, 2), "0:00");
    EXPECT_EQ(h.Playlist.TotalDuration(), 1750u);
}

// Folder scans and m3u files take every format a decoder plays, in any case
// of the extension, and nothing else.
TEST(PlaylistWavInfo, ScansAndPlaylistsTakeEveryDecodedFormat) {
    TTempTree tree;
    const std::vector<std::string> songs = {"a.flac", "b.AIF",  "c.aiff", "d.aifc",
                                            "e.m4a",  "f.mp4",  "g.alac", "h.ogg",
                                            "i.oga",  "j.Opus", "k.wav",  "l.mp3"};
    for (const std::string& song : songs)
        tree.File("folder/" + song);
    tree.File("folder/cover.jpg");
    tree.File("folder/notes.txt");
    tree.File("list.m3u", "folder/h.ogg\r\nfolder/cover.jpg\r\nfolder/a.flac\r\n");
    TPlaylistHarness h;
    h.Playlist.SetExtensions(VxSongExtensions());
    h.Add({tree.Path("folder")});
    EXPECT_EQ(h.FileNames(), songs);
    TPlaylistHarness fromList;
    fromList.Playlist.SetExtensions(VxSongExtensions());
    fromList.Add({tree.Path("list.m3u")});
    EXPECT_EQ(fromList.FileNames(), (std::vector<std::string>{"h.ogg", "a.flac"}));
}
