// Adding to the playlist through the scan thread, merging the results on the
// window thread, and saving the list as a playlist file.
#include "playlist/Zylplaylist.h"

#include <algorithm>

#include "playlist/M3uFile.h"
#include "playlist/PlaylistPaths.h"

void TZylPlaylist::AddFiles(const std::vector<std::string>& files, int position) {
    if (!GetScanning())
        ScanStart(files, position);
}

void TZylPlaylist::AddFiles(const std::string& file, int position) {
    AddFiles(std::vector<std::string>{file}, position);
}

void TZylPlaylist::AbortScan() {
    if (!GetScanning())
        return;
    FScanAborted = true;
    FScanThread->Terminate();
}

void TZylPlaylist::ScanStart(const std::vector<std::string>& files, int position) {
    BeginUpdate();
    auto* scan = new TSongScanThread(FDispatcher);
    scan->FreeOnTerminate = true;
    scan->Priority = ThreadPriority;
    scan->ScanEventInterval = ScanEventInterval;
    scan->SyncSongInfoEvent = SyncSongInfoEvent;
    scan->SetStrings(TSongScanThread::ssExtensions, FExtensions);
    scan->PlaylistExt = PlaylistExt;
    scan->ScanOptions = ScanOptions;
    scan->SetStrings(TSongScanThread::ssInput, files);
    if (position != kReplace) {
        std::vector<std::string> known;
        for (const TItem& item : FItems) {
            if (item.SongInfo->Duration != 0)
                known.push_back(item.SongInfo->FileName);
        }
        scan->SetStrings(TSongScanThread::ssKnownFiles, known);
    }
    scan->OnTerminate = [this](TZylThread& sender) {
        ScanTerminated(static_cast<TSongScanThread&>(sender));
    };
    scan->SongInfoCallback = [this](TSongScanThread& sender, TScanResult& result) {
        return CreateSongInfo(sender, result);
    };
    scan->OnScanning = OnScanning;
    FScanThread = scan;
    FScanPosition = position;
    FScanAborted = false;
    FScanOptionsSnapshot = GetOptions();
    if (FObserver != nullptr)
        FObserver->ScanningChanged(true);
    if (OnBeforeScanning)
        OnBeforeScanning(*this, files);
    scan->Start();
}

void TZylPlaylist::ScanTerminated(TSongScanThread& scan) {
    FScanThread = nullptr;
    if (FObserver != nullptr)
        FObserver->ScanningChanged(false);
    EndUpdate();
    std::vector<TScanResult>& results = scan.Results();
    if (results.empty()) {
        if (OnAfterScanning)
            OnAfterScanning(*this, 0, FScanAborted);
        return;
    }
    int position = FScanPosition;
    bool first = position == kReplace || FItems.empty();
    if (position == kReplace) {
        Clear();
        position = 0;
    }
    FModified = !FItems.empty() || scan.InputCount() != 1;
    int added = MergeScanResults(results, position);
    if (OnAfterScanning)
        OnAfterScanning(*this, added, FScanAborted);
    DoListChange();
    if (first && (FScanOptionsSnapshot & poAutoOpen))
        OpenNext();
}

// Inserts the results as one block at position (kAppend: at the end; any
// other index is kept inside the list) and returns how many items were made.
int TZylPlaylist::MergeScanResults(std::vector<TScanResult>& results, int position) {
    int insertAt = position == kAppend ? GetCount() : std::clamp(position, 0, GetCount());
    std::vector<TItem> block;
    block.reserve(results.size());
    int reattachedAt = -1;
    for (TScanResult& result : results) {
        if (result.IsCurrentSong) {
            // Only a detached song can come back, and only once: a second
            // sighting in one scan (duplicates allowed) has no entry to take.
            if (!FDetachedSong)
                continue;
            reattachedAt = insertAt + static_cast<int>(block.size());
            block.push_back({std::move(FDetachedSong)});
        } else if (result.SongInfo) {
            block.push_back({std::move(result.SongInfo)});
        }
    }
    int added = static_cast<int>(block.size());
    for (TItem& item : block)
        item.AddedOrder = FNextAddedOrder++;
    BeginUpdate();
    FItems.insert(FItems.begin() + insertAt, std::make_move_iterator(block.begin()),
                  std::make_move_iterator(block.end()));
    if (reattachedAt >= 0)
        FCurrentPosition = reattachedAt;
    else if (position != kAppend && FCurrentPosition >= insertAt)
        FCurrentPosition += added;
    Changed();
    EndUpdate();
    return added;
}

void TZylPlaylist::StopScanForDestruction() {
    if (FScanThread == nullptr)
        return;
    // The scan calls back into this object; it must be stopped before any of
    // it is freed. Its results are never merged.
    TSongScanThread* scan = FScanThread;
    FScanThread = nullptr;
    scan->OnTerminate = nullptr;
    scan->FreeOnTerminate = false;
    scan->Terminate();
    scan->WaitFor();
    for (TScanResult& result : scan->Results())
        DeleteSongInfo(std::move(result.SongInfo));
    delete scan;
}

bool TZylPlaylist::SaveToFile(const std::string& fileName) {
    if (GetScanning())
        return false;
    std::string baseFolder = ExtractFilePath(MakeAbsolutePath(fileName, CurrentFolder()));
    bool absolute = GetOptions() & poSaveAbsolutePaths;
    std::vector<std::string> lines;
    lines.reserve(FItems.size());
    for (const TItem& item : FItems) {
        const std::string& song = item.SongInfo->FileName;
        lines.push_back(absolute ? song : MakeRelativePath(song, baseFolder));
    }
    if (!WritePlaylistFile(fileName, lines))
        return false;
    FModified = false;
    return true;
}
