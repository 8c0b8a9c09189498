// The playlist: the entries, the current (open) song and the rules for
// stepping through the list, editing it, adding to it through a scan and
// saving it. It plays nothing itself; the window reacts to its events and
// opens songs in the player from OnOpenSong.
//
// Threads: everything here belongs to the window thread, except
// CreateSongInfo (the scan's song-info callback) and the OnScanning event,
// which run on the scan thread. While a scan runs, every operation that could
// change the current song or the list is refused, so CreateSongInfo reads the
// current song without a lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "playlist/PlaylistTypes.h"
#include "playlist/ZylDispatcher.h"
#include "playlist/Zylsongscan.h"

class TZylPlaylist;

// What the list view does for the playlist. The playlist tells it when the
// items or their texts changed (once per update bracket) and when a scan
// starts or ends (the view is disabled and takes no drops meanwhile).
class TZylPlaylistObserver {
public:
    virtual ~TZylPlaylistObserver() = default;
    virtual void ItemsChanged() = 0;
    virtual void ScanningChanged(bool scanning) = 0;
};

class TZylPlaylist {
public:
    // Position arguments of AddFiles.
    static constexpr int kAppend = -1;
    static constexpr int kReplace = -2;

    explicit TZylPlaylist(TZylDispatcher& dispatcher);
    TZylPlaylist(const TZylPlaylist&) = delete;
    TZylPlaylist& operator=(const TZylPlaylist&) = delete;
    // Stops a running scan and waits for it (its results are dropped), then
    // frees every entry, the detached current one included.
    ~TZylPlaylist();

    void SetObserver(TZylPlaylistObserver* observer) { FObserver = observer; }

    // Properties.
    TPlaylistOptions GetOptions() const { return FOptions.load(); }
    void SetOptions(TPlaylistOptions options);
    void SetViewOptions(TPlaylistOptions options) { SetOptions(options); }
    TFileScanOptions ScanOptions = fsExpandFolders | fsExpandPlaylists;
    std::string PlaylistExt;
    const std::vector<std::string>& GetExtensions() const { return FExtensions; }
    void SetExtensions(const std::vector<std::string>& extensions) { FExtensions = extensions; }
    bool GetDragAcceptFiles() const { return FDragAcceptFiles; }
    void SetDragAcceptFiles(bool accept) { FDragAcceptFiles = accept; }
    // Whether dropped files are taken now: accepted and no scan running.
    bool AcceptsDroppedFiles() const { return FDragAcceptFiles && !GetScanning(); }
    unsigned ScanEventInterval = 10;
    TThreadPriority ThreadPriority = TThreadPriority::tpNormal;
    bool SyncSongInfoEvent = false;

    // Events.
    std::function<bool(TZylPlaylist& playlist, const std::string& fileName, uint32_t fileSize,
                       std::string& artist, std::string& title, uint32_t& duration,
                       void*& userSongInfo)>
        OnSongInfoCreate;
    std::function<void(TZylPlaylist& playlist, TSongInfo& songInfo)> OnSongInfoDelete;
    std::function<void(TZylPlaylist& playlist, int position, const std::vector<std::string>& files)>
        OnDropFiles;
    std::function<void(TZylPlaylist& playlist, TSongInfo& songInfo)> OnOpenSong;
    std::function<void(TZylPlaylist& playlist, TSongInfo& songInfo, bool& allowDelete)> OnCloseSong;
    std::function<void(TZylPlaylist& sender)> OnListChange;
    TScanningEvent OnScanning;
    std::function<void(TZylPlaylist& playlist, const std::vector<std::string>& files)>
        OnBeforeScanning;
    std::function<void(TZylPlaylist& playlist, int addedFiles, bool aborted)> OnAfterScanning;

    // Public state.
    TSongInfo* CurrentSongInfo() const { return FCurrentSongInfo; }
    int GetCurrentPosition() const;
    const std::string& CurrentCaption() const { return FCurrentCaption; }
    uint32_t TotalDuration() const { return FTotalDuration; }
    bool GetModified() const { return FModified; }
    int GetCount() const { return static_cast<int>(FItems.size()); }
    bool GetScanning() const { return FScanThread != nullptr; }
    unsigned GetScanningCount() const;

    // Items, for the view. Index must be inside the list.
    const TSongInfo& GetSongInfo(int index) const { return *FItems[index].SongInfo; }
    TSongInfo& GetSongInfo(int index) { return *FItems[index].SongInfo; }
    // Column 0: the marker on the current item; 1: number and caption; 2: time.
    std::string ItemText(int index, int column) const;
    // Rises with every song added to the list, whatever its position: the
    // entries above a mark are the ones added since.
    uint64_t AddedOrder(int index) const { return FItems[index].AddedOrder; }
    bool IsSelected(int index) const { return FItems[index].Selected; }
    void SetSelected(int index, bool selected);
    int GetSelectedCount() const;
    int GetFocused() const;
    void SetFocused(int index);

    // Adding, loading and saving.
    void AddFiles(const std::vector<std::string>& files, int position);
    void AddFiles(const std::string& file, int position);
    void LoadFromFile(const std::string& fileName) { AddFiles(fileName, kReplace); }
    bool SaveToFile(const std::string& fileName);
    void AbortScan();

    // Editing.
    void Clear();
    int DeleteSelected();
    void SelectAll();
    void MoveItem(int from, int to);

    // The current song.
    void OpenSong(int index, bool absolute);
    bool CloseSong();
    void CloseCurrentSong();
    void OpenNext();
    void OpenPrevious() { Jump(-1); }
    void Jump(int delta) { OpenSong(GetCurrentPosition() + delta, false); }
    void JumpTo(int index) { OpenSong(index, true); }
    bool CanOpenNext() const { return CanJump(1); }
    bool CanOpenPrevious() const { return CanJump(-1); }
    bool CanJump(int delta) const;
    bool CanJumpTo(int index) const;
    int AdjustIndex(int index, bool absolute) const;

    bool IsSongExtension(const std::string& fileName) const;
    bool IsPlaylistExtension(const std::string& fileName) const;

    // Dragging items inside the list. GatherSelection runs when a drag starts:
    // a scattered selection is collected into one run around the focused
    // item. CanDropOn tells whether the selection may be dropped on an item;
    // DropSelectionOn moves the selected run so that it ends at the target
    // when moving down and starts there when moving up.
    void GatherSelection();
    bool CanDropOn(int index) const;
    void DropSelectionOn(int index);
    // Files dropped from the desktop onto item position (-1: no item there):
    // only announced through OnDropFiles; the handler decides what to add.
    void DropFiles(int position, const std::vector<std::string>& files);

    // Reordering the whole list. The current song, the selection and the
    // focus stay with their entries; the list counts as modified.
    // psUnsorted restores the order in which the songs were added.
    enum TSortKey { psUnsorted, psArtist, psTitle, psLength };
    void SortBy(TSortKey key);
    // By a rank that the caller gives each entry's song, lowest first, for
    // what the list does not know itself (a song's tempo or key); entries
    // without a rank (nullopt) go last. Equal ranks keep their order. rank
    // is asked once per entry.
    using TRank = std::function<std::optional<double>(const TSongInfo& song)>;
    void SortByRank(const TRank& rank);
    // A random order drawn from seed (the same seed, the same order).
    void Shuffle(uint32_t seed);
    // Type-to-find: the first entry after from (wrapping around, from itself
    // last) whose caption or file name holds text, compared without regard to
    // ASCII case; -1 when none does.
    int FindText(const std::string& text, int from) const;

    // The scan's song-info callback. Scan thread (window thread with
    // SyncSongInfoEvent).
    bool CreateSongInfo(TSongScanThread& sender, TScanResult& result);
    void UpdateCaption(TSongInfo& songInfo) const;
    // Rises whenever the captions are recomputed, so that a view knows every
    // row's text changed.
    unsigned CaptionsRevision() const { return FCaptionsRevision; }
    void UpdateListItems(bool recomputeCaptions);
    void DoListChange();

private:
    struct TItem {
        std::unique_ptr<TSongInfo> SongInfo;
        bool Selected = false;
        bool Focused = false;
        // Rises with every song added; psUnsorted sorts by it.
        uint64_t AddedOrder = 0;
    };

    // An update bracket: the view hears of changes once, when it closes.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Changed();
    void DeleteSongInfo(std::unique_ptr<TSongInfo> songInfo);
    void DeleteItem(int index);
    void DeleteAllItems();
    bool IsSelectionContiguous() const;
    void ScanStart(const std::vector<std::string>& files, int position);
    void ScanTerminated(TSongScanThread& scan);
    int MergeScanResults(std::vector<TScanResult>& results, int position);
    void StopScanForDestruction();
    void Reordered();

    TZylDispatcher& FDispatcher;
    TZylPlaylistObserver* FObserver = nullptr;
    std::atomic<TPlaylistOptions> FOptions{0};
    std::vector<std::string> FExtensions;
    bool FDragAcceptFiles = false;

    std::vector<TItem> FItems;
    TSongInfo* FCurrentSongInfo = nullptr;
    // The current song's entry while it is not in the list.
    std::unique_ptr<TSongInfo> FDetachedSong;
    int FCurrentPosition = -1;
    std::string FCurrentCaption;
    uint32_t FTotalDuration = 0;
    bool FModified = false;
    int FUpdateCount = 0;
    bool FChangedInUpdate = false;
    uint64_t FNextAddedOrder = 0;
    unsigned FCaptionsRevision = 0;

    TSongScanThread* FScanThread = nullptr;
    int FScanPosition = kAppend;
    bool FScanAborted = false;
    TPlaylistOptions FScanOptionsSnapshot = 0;
};
