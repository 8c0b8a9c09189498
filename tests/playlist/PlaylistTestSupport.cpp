#include "PlaylistTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "playlist/PlaylistPaths.h"

namespace fs = std::filesystem;

TTempTree::TTempTree() {
    std::string pattern = (fs::temp_directory_path() / "vx-playlist-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    FRoot = pattern;
}

TTempTree::~TTempTree() {
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
}

std::string TTempTree::File(const std::string& relative, const std::string& content) {
    std::string path = Path(relative);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string TTempTree::Folder(const std::string& relative) {
    std::string path = Path(relative);
    fs::create_directories(path);
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WaitForScan(TZylPlaylist& playlist, TZylQueueDispatcher& dispatcher) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (playlist.GetScanning()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        dispatcher.WaitAndDrain(std::chrono::milliseconds(20));
    }
    return true;
}

TPlaylistHarness::TPlaylistHarness() {
    Playlist.PlaylistExt = "m3u";
    Playlist.SetExtensions({"mp3", "wav", "mp2", "mpg"});
    Playlist.OnOpenSong = [this](TZylPlaylist&, TSongInfo& song) {
        Opened.push_back(ExtractFileName(song.FileName));
    };
    Playlist.OnSongInfoDelete = [this](TZylPlaylist&, TSongInfo&) { ++Deleted; };
    // Every song "decodes" to one second per byte of its content.
    Playlist.OnSongInfoCreate = [](TZylPlaylist&, const std::string&, uint32_t size, std::string&,
                                   std::string&, uint32_t& duration, void*&) {
        duration = size * 1000;
        return true;
    };
}

void TPlaylistHarness::Add(const std::vector<std::string>& files, int position) {
    Playlist.AddFiles(files, position);
    ASSERT_TRUE(WaitForScan(Playlist, Dispatcher));
}

std::vector<std::string> TPlaylistHarness::FileNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < Playlist.GetCount(); ++i)
        names.push_back(ExtractFileName(Playlist.GetSongInfo(i).FileName));
    return names;
}

void TPlaylistHarness::SelectOnly(const std::vector<int>& indices) {
    for (int i = 0; i < Playlist.GetCount(); ++i)
        Playlist.SetSelected(i, false);
    for (int index : indices)
        Playlist.SetSelected(index, true);
}
