// The song-info handler reading lengths through the real WAV decoder, as the
// window's handler does through the player.
#include <gtest/gtest.h>

#include "PlaylistTestSupport.h"
#include "WaveFixture.h"
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
