// Shared helpers of the playlist tests: a temporary folder tree and running
// scans to their end on a drained dispatcher.
#pragma once

#include <string>
#include <vector>

#include "playlist/ZylDispatcher.h"
#include "playlist/Zylplaylist.h"

// A fresh folder under the temp folder, removed with everything in it.
class TTempTree {
public:
    TTempTree();
    ~TTempTree();
    const std::string& Root() const { return FRoot; }
    // Creates a file (and its folders) below the root; returns its full path.
    std::string File(const std::string& relative, const std::string& content = "x");
    std::string Folder(const std::string& relative);
    std::string Path(const std::string& relative) const { return FRoot + "/" + relative; }

private:
    std::string FRoot;
};

std::string ReadWholeFile(const std::string& path);

// Drains the dispatcher until the playlist's scan has been merged; false if
// it did not finish within two minutes (a hang guard, not a timing).
bool WaitForScan(TZylPlaylist& playlist, TZylQueueDispatcher& dispatcher);

// A playlist on a queue dispatcher that the test drains, configured the way
// the main window configures its own (without auto-open).
struct TPlaylistHarness {
    TZylQueueDispatcher Dispatcher;
    TZylPlaylist Playlist{Dispatcher};
    std::vector<std::string> Opened; // file names, in the order OnOpenSong saw them
    int Deleted = 0;                 // OnSongInfoDelete calls

    TPlaylistHarness();
    // AddFiles and wait for the merge.
    void Add(const std::vector<std::string>& files, int position = TZylPlaylist::kAppend);
    std::vector<std::string> FileNames() const; // names without folder, in list order
    void SelectOnly(const std::vector<int>& indices);
};
