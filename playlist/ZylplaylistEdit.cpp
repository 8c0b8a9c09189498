// Editing the playlist: clearing, deleting, selecting, moving and dragging
// items, and files dropped from the desktop.
#include "playlist/Zylplaylist.h"

#include <algorithm>

void TZylPlaylist::Clear() {
    if (GetScanning() || FItems.empty())
        return;
    BeginUpdate();
    DeleteAllItems();
    EndUpdate();
    FCurrentPosition = -1;
    FModified = false;
    DoListChange();
}

int TZylPlaylist::DeleteSelected() {
    int selected = GetSelectedCount();
    if (GetScanning() || selected == 0)
        return 0;
    if (selected == GetCount()) {
        Clear();
        return selected;
    }
    BeginUpdate();
    for (int i = 0; i < GetCount();) {
        if (!FItems[i].Selected) {
            ++i;
            continue;
        }
        if (i < FCurrentPosition)
            --FCurrentPosition;
        else if (i == FCurrentPosition)
            FCurrentPosition = -1;
        DeleteItem(i);
    }
    EndUpdate();
    FModified = !FItems.empty();
    DoListChange();
    return selected;
}

void TZylPlaylist::SelectAll() {
    if (GetScanning())
        return;
    for (TItem& item : FItems)
        item.Selected = true;
    Changed();
}

void TZylPlaylist::MoveItem(int from, int to) {
    int count = GetCount();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to)
        return;
    if (from < to)
        std::rotate(FItems.begin() + from, FItems.begin() + from + 1, FItems.begin() + to + 1);
    else
        std::rotate(FItems.begin() + to, FItems.begin() + from, FItems.begin() + from + 1);
    int& current = FCurrentPosition;
    if (from < to && from <= current && current <= to)
        current = current == from ? to : current - 1;
    else if (from > to && to <= current && current <= from)
        current = current == from ? to : current + 1;
    Changed();
}

bool TZylPlaylist::IsSelectionContiguous() const {
    auto first =
        std::find_if(FItems.begin(), FItems.end(), [](const TItem& i) { return i.Selected; });
    auto end = std::find_if(first, FItems.end(), [](const TItem& i) { return !i.Selected; });
    return std::none_of(end, FItems.end(), [](const TItem& i) { return i.Selected; });
}

void TZylPlaylist::GatherSelection() {
    if (IsSelectionContiguous())
        return;
    int anchor = GetFocused();
    if (anchor < 0 || !FItems[anchor].Selected) {
        auto first =
            std::find_if(FItems.begin(), FItems.end(), [](const TItem& i) { return i.Selected; });
        anchor = static_cast<int>(first - FItems.begin());
    }
    BeginUpdate();
    // Nearest first: each selected item above joins the run directly above
    // the anchor, each one below the run directly below it.
    int top = anchor;
    for (int i = anchor - 1; i >= 0; --i) {
        if (FItems[i].Selected)
            MoveItem(i, --top);
    }
    int bottom = anchor;
    for (int i = anchor + 1; i < GetCount(); ++i) {
        if (FItems[i].Selected)
            MoveItem(i, ++bottom);
    }
    EndUpdate();
}

bool TZylPlaylist::CanDropOn(int index) const {
    if (index < 0)
        return GetSelectedCount() > 0;
    return index < GetCount() && !FItems[index].Selected;
}

void TZylPlaylist::DropSelectionOn(int index) {
    int selected = GetSelectedCount();
    if (GetScanning() || index < 0 || index >= GetCount() || selected == 0 ||
        selected == GetCount() || FItems[index].Selected)
        return;
    // Gathering a scattered selection may move the target; follow its entry.
    const TSongInfo* target = FItems[index].SongInfo.get();
    GatherSelection();
    auto first =
        std::find_if(FItems.begin(), FItems.end(), [](const TItem& i) { return i.Selected; });
    auto targetItem = std::find_if(FItems.begin(), FItems.end(),
                                   [&](const TItem& i) { return i.SongInfo.get() == target; });
    int from = static_cast<int>(first - FItems.begin());
    int to = static_cast<int>(targetItem - FItems.begin());
    if (from < to)
        to += 1 - selected;
    to = std::min(to, GetCount() - selected);
    if (from == to)
        return;
    BeginUpdate();
    // Front first when moving up, back first when moving down, so that no
    // step moves an item over another item of the block.
    if (to < from) {
        for (int k = 0; k < selected; ++k)
            MoveItem(from + k, to + k);
    } else {
        for (int k = selected - 1; k >= 0; --k)
            MoveItem(from + k, to + k);
    }
    EndUpdate();
    FModified = true;
    DoListChange();
}

void TZylPlaylist::DropFiles(int position, const std::vector<std::string>& files) {
    if (!files.empty() && OnDropFiles)
        OnDropFiles(*this, position, files);
}
