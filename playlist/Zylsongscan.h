// The song scan: turns what the user adds (files, folders, playlist files, in
// any mix) into a flat, ordered list of song entries on a thread of its own,
// so that the window stays responsive while folder trees are searched and
// every song's information is read.
//
// The playlist creates one scan per addition, configures it, starts it and
// takes the results in OnTerminate, on the window thread, after Execute has
// returned. Nothing is reported: folders that cannot be entered, unreadable
// playlists, rejected entries and duplicates are skipped silently.
#pragma once

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "playlist/PlaylistPaths.h"
#include "playlist/PlaylistTypes.h"
#include "playlist/ZylThread.h"

// One accepted file. IsCurrentSong marks the playlist's detached current song
// found again: its entry already exists and SongInfo stays empty.
struct TScanResult {
    std::string FileName;
    std::unique_ptr<TSongInfo> SongInfo;
    bool IsCurrentSong = false;
};

class TSongScanThread;

// Makes the entry for a file (filling result.SongInfo or IsCurrentSong);
// false rejects the file. Runs on the scan thread, or on the window thread
// with SyncSongInfoEvent.
using TSongInfoCallback = std::function<bool(TSongScanThread& sender, TScanResult& result)>;
// Progress: the number of files added so far. Runs on the scan thread.
using TScanningEvent = std::function<void(TSongScanThread& sender, unsigned fileCount)>;

class TSongScanThread : public TZylThread {
public:
    enum TStringsSlot { ssInput = 0, ssKnownFiles = 1, ssExtensions = 3 };

    explicit TSongScanThread(TZylDispatcher& dispatcher);
    // Stops Execute before the lists it works on go away.
    ~TSongScanThread() override;

    // Copies a list into the input (0), known-files (1) or extensions (3)
    // slot; other slots do nothing.
    void SetStrings(int which, const std::vector<std::string>& list);

    std::string PlaylistExt; // without dot
    TFileScanOptions ScanOptions = fsExpandFolders | fsExpandPlaylists;
    unsigned ScanEventInterval = 10; // 0 counts as 1
    bool SyncSongInfoEvent = false;
    // Relative names of the input list resolve against this folder.
    std::string BaseFolder;
    TSongInfoCallback SongInfoCallback;
    TScanningEvent OnScanning;

    // Any thread: files added so far.
    unsigned FilesAdded() const { return FFilesAdded.load(std::memory_order_relaxed); }
    std::size_t InputCount() const { return FInput.size(); }
    // Window thread, after Execute has returned.
    std::vector<TScanResult>& Results() { return FResults; }

    bool IsValidExtension(std::string_view fileName) const;
    bool IsPlaylistExtension(std::string_view fileName) const;

protected:
    int Execute() override;

private:
    int AddFilesRec(std::vector<std::string> list, unsigned flags, const std::string& base);
    int AddFolder(const std::string& folder, const struct stat& info, unsigned& flags);
    int AddPlaylist(const std::string& fileName, unsigned& flags);
    int AddSongFile(const std::string& fileName, unsigned flags);
    bool CreateFileInfo(TScanResult& result);
    void DoScanningEvent();

    std::vector<std::string> FInput;
    std::vector<std::string> FKnownFiles;
    std::vector<std::string> FExtensions;
    std::vector<TScanResult> FResults;
    // Names without folder, case-folded.
    std::set<std::string> FSeenNames;
    // The folders on the path of the current descent, by device and inode: a
    // link back to one of them would lead into a folder inside itself. A
    // folder reached again by another path is entered again.
    std::set<std::pair<dev_t, ino_t>> FDescentFolders;
    unsigned FEventCounter = 0;
    std::atomic<unsigned> FFilesAdded{0};
};
