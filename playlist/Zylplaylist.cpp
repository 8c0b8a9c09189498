// Entries, texts and the current-song rules of the playlist.
#include "playlist/Zylplaylist.h"

#include <chrono>
#include <random>

#include "playlist/PlaylistPaths.h"
#include "playlist/SongText.h"

namespace {
// Blank and right-pointing double angle quotation mark.
constexpr const char* kCurrentMarker = " \xC2\xBB";
} // namespace

TZylPlaylist::TZylPlaylist(TZylDispatcher& dispatcher) : FDispatcher(dispatcher) {}

TZylPlaylist::~TZylPlaylist() {
    FObserver = nullptr;
    StopScanForDestruction();
    DeleteAllItems();
    if (FDetachedSong)
        DeleteSongInfo(std::move(FDetachedSong));
    FCurrentSongInfo = nullptr;
}

void TZylPlaylist::SetOptions(TPlaylistOptions options) {
    TPlaylistOptions old = FOptions.exchange(options);
    if ((old ^ options) & poShowFileNames)
        UpdateListItems(true);
}

int TZylPlaylist::GetCurrentPosition() const {
    return FCurrentSongInfo == nullptr ? -1 : FCurrentPosition;
}

unsigned TZylPlaylist::GetScanningCount() const {
    return FScanThread == nullptr ? 0 : FScanThread->FilesAdded();
}

std::string TZylPlaylist::ItemText(int index, int column) const {
    const TSongInfo& song = *FItems[index].SongInfo;
    switch (column) {
    case 0:
        return index == GetCurrentPosition() ? kCurrentMarker : "";
    case 1:
        return std::to_string(index + 1) + ". " + song.Caption;
    default:
        return song.Duration == 0 ? "-" : FormatSongTime(song.Duration);
    }
}

void TZylPlaylist::SetSelected(int index, bool selected) {
    if (index >= 0 && index < GetCount())
        FItems[index].Selected = selected;
}

int TZylPlaylist::GetSelectedCount() const {
    int count = 0;
    for (const TItem& item : FItems)
        count += item.Selected ? 1 : 0;
    return count;
}

int TZylPlaylist::GetFocused() const {
    for (int i = 0; i < GetCount(); ++i) {
        if (FItems[i].Focused)
            return i;
    }
    return -1;
}

void TZylPlaylist::SetFocused(int index) {
    for (int i = 0; i < GetCount(); ++i)
        FItems[i].Focused = i == index;
}

bool TZylPlaylist::IsSongExtension(const std::string& fileName) const {
    return HasExtension(fileName, FExtensions);
}

bool TZylPlaylist::IsPlaylistExtension(const std::string& fileName) const {
    return IsPlaylistFileName(fileName, PlaylistExt);
}

bool TZylPlaylist::CreateSongInfo(TSongScanThread&, TScanResult& result) {
    if (GetCurrentPosition() == -1 && FCurrentSongInfo != nullptr &&
        FCurrentSongInfo->FileName == result.FileName) {
        result.IsCurrentSong = true;
        return true;
    }
    auto song = std::make_unique<TSongInfo>();
    song->FileName = result.FileName;
    song->FileSize = GetFileSize(result.FileName);
    song->Title = ExtractFileTitle(result.FileName);
    bool keep = true;
    if (OnSongInfoCreate) {
        keep = OnSongInfoCreate(*this, song->FileName, song->FileSize, song->Artist, song->Title,
                                song->Duration, song->UserSongInfo);
    }
    if (!keep)
        return false;
    if (song->Artist.empty()) {
        std::string title = song->Title;
        SplitArtistTitle(title, song->Artist, song->Title);
    }
    UpdateCaption(*song);
    result.SongInfo = std::move(song);
    return true;
}

void TZylPlaylist::UpdateCaption(TSongInfo& song) const {
    if (GetOptions() & poShowFileNames)
        song.Caption = ExtractFileTitle(song.FileName);
    else if (song.Artist.empty())
        song.Caption = song.Title;
    else
        song.Caption = song.Artist + " - " + song.Title;
}

void TZylPlaylist::UpdateListItems(bool recomputeCaptions) {
    uint32_t total = 0;
    if (recomputeCaptions)
        ++FCaptionsRevision;
    for (TItem& item : FItems) {
        if (recomputeCaptions)
            UpdateCaption(*item.SongInfo);
        total += item.SongInfo->Duration;
    }
    FTotalDuration = total;
    Changed();
}

void TZylPlaylist::DoListChange() {
    UpdateListItems(false);
    if (OnListChange)
        OnListChange(*this);
}

void TZylPlaylist::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedInUpdate) {
        FChangedInUpdate = false;
        if (FObserver != nullptr)
            FObserver->ItemsChanged();
    }
}

void TZylPlaylist::Changed() {
    if (FUpdateCount > 0)
        FChangedInUpdate = true;
    else if (FObserver != nullptr)
        FObserver->ItemsChanged();
}

void TZylPlaylist::DeleteSongInfo(std::unique_ptr<TSongInfo> song) {
    if (song && OnSongInfoDelete)
        OnSongInfoDelete(*this, *song);
}

void TZylPlaylist::DeleteItem(int index) {
    std::unique_ptr<TSongInfo> song = std::move(FItems[index].SongInfo);
    FItems.erase(FItems.begin() + index);
    // The open song's entry survives its item, detached.
    if (song.get() == FCurrentSongInfo)
        FDetachedSong = std::move(song);
    else
        DeleteSongInfo(std::move(song));
    Changed();
}

void TZylPlaylist::DeleteAllItems() {
    while (!FItems.empty())
        DeleteItem(GetCount() - 1);
}

int TZylPlaylist::AdjustIndex(int index, bool absolute) const {
    int count = GetCount();
    if (count == 0)
        return -1;
    if (!absolute && (GetOptions() & poPlaylistLoop)) {
        if (index < 0)
            return count - 1;
        if (index >= count)
            return 0;
    }
    return index < 0 ? 0 : (index >= count ? count - 1 : index);
}

void TZylPlaylist::OpenSong(int index, bool absolute) {
    int target = AdjustIndex(index, absolute);
    if (GetScanning() || target == -1 || target == GetCurrentPosition())
        return;
    TSongInfo* song = FItems[target].SongInfo.get();
    int previous = FCurrentPosition;
    bool deleted = CloseSong();
    FCurrentCaption = song->Caption;
    FCurrentSongInfo = song;
    FCurrentPosition = (deleted && previous < target) ? target - 1 : target;
    if (OnOpenSong)
        OnOpenSong(*this, *song);
    Changed();
}

bool TZylPlaylist::CloseSong() {
    if (FCurrentSongInfo == nullptr)
        return false;
    TSongInfo* song = FCurrentSongInfo;
    int position = FCurrentPosition;
    FCurrentSongInfo = nullptr;
    FCurrentCaption.clear();
    FCurrentPosition = -1;
    bool allowDelete = true;
    if (OnCloseSong)
        OnCloseSong(*this, *song, allowDelete);
    if (position < 0) {
        DeleteSongInfo(std::move(FDetachedSong));
        return false;
    }
    if ((GetOptions() & poDeleteAfterPlay) && allowDelete) {
        DeleteItem(position);
        FModified = !FItems.empty();
        DoListChange();
        return true;
    }
    Changed();
    return false;
}

void TZylPlaylist::CloseCurrentSong() {
    if (!GetScanning())
        CloseSong();
}

void TZylPlaylist::OpenNext() {
    if (GetScanning())
        return;
    if (!(GetOptions() & poRandomPlay) || GetCount() <= 1) {
        Jump(1);
        return;
    }
    std::minstd_rand random(
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    int current = GetCurrentPosition();
    int draw;
    do {
        draw = static_cast<int>(random() % static_cast<unsigned>(GetCount()));
    } while (draw == current);
    JumpTo(draw);
}

bool TZylPlaylist::CanJump(int delta) const {
    int target = AdjustIndex(GetCurrentPosition() + delta, false);
    return !GetScanning() && target != -1 && target != GetCurrentPosition();
}

bool TZylPlaylist::CanJumpTo(int index) const {
    int target = AdjustIndex(index, true);
    return !GetScanning() && target != -1 && target != GetCurrentPosition();
}
