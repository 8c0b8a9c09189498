// Reordering the whole list (sorts and shuffle) and finding an entry by text.
#include "playlist/Zylplaylist.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "playlist/PlaylistPaths.h"

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ContainsFolded(std::string_view text, std::string_view part) {
    auto same = [](char a, char b) { return FoldAscii(a) == FoldAscii(b); };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

// Unknown lengths (0) go after every known one.
uint64_t LengthKey(uint32_t duration) {
    return duration == 0 ? UINT64_MAX : duration;
}

} // namespace

void TZylPlaylist::SortBy(TSortKey key) {
    if (GetScanning() || FItems.size() < 2)
        return;
    auto byAdding = [](const TItem& a, const TItem& b) { return a.AddedOrder < b.AddedOrder; };
    auto byText = [](std::string TSongInfo::*first, std::string TSongInfo::*second) {
        return [=](const TItem& a, const TItem& b) {
            int order = CompareText((*a.SongInfo).*first, (*b.SongInfo).*first);
            if (order == 0)
                order = CompareText((*a.SongInfo).*second, (*b.SongInfo).*second);
            return order < 0;
        };
    };
    switch (key) {
    case psUnsorted:
        std::stable_sort(FItems.begin(), FItems.end(), byAdding);
        break;
    case psArtist:
        std::stable_sort(FItems.begin(), FItems.end(),
                         byText(&TSongInfo::Artist, &TSongInfo::Title));
        break;
    case psTitle:
        std::stable_sort(FItems.begin(), FItems.end(),
                         byText(&TSongInfo::Title, &TSongInfo::Artist));
        break;
    case psLength:
        std::stable_sort(FItems.begin(), FItems.end(), [](const TItem& a, const TItem& b) {
            return LengthKey(a.SongInfo->Duration) < LengthKey(b.SongInfo->Duration);
        });
        break;
    }
    Reordered();
}

void TZylPlaylist::SortByRank(const TRank& rank) {
    if (GetScanning() || FItems.size() < 2)
        return;
    struct TRanked {
        double Rank;
        std::size_t Index;
    };
    std::vector<TRanked> ranked;
    ranked.reserve(FItems.size());
    for (std::size_t i = 0; i < FItems.size(); ++i)
        ranked.push_back({rank(*FItems[i].SongInfo).value_or(HUGE_VAL), i});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const TRanked& a, const TRanked& b) { return a.Rank < b.Rank; });
    std::vector<TItem> sorted;
    sorted.reserve(FItems.size());
    for (const TRanked& entry : ranked)
        sorted.push_back(std::move(FItems[entry.Index]));
    FItems.swap(sorted);
    Reordered();
}

void TZylPlaylist::Shuffle(uint32_t seed) {
    if (GetScanning() || FItems.size() < 2)
        return;
    std::mt19937 random(seed);
    std::shuffle(FItems.begin(), FItems.end(), random);
    Reordered();
}

// The current entry's item moved somewhere: find it again.
void TZylPlaylist::Reordered() {
    if (FCurrentPosition >= 0) {
        auto current = std::find_if(FItems.begin(), FItems.end(), [&](const TItem& item) {
            return item.SongInfo.get() == FCurrentSongInfo;
        });
        FCurrentPosition = static_cast<int>(current - FItems.begin());
    }
    FModified = true;
    DoListChange();
}

int TZylPlaylist::FindText(const std::string& text, int from) const {
    int count = GetCount();
    if (text.empty() || count == 0)
        return -1;
    int start = (from < 0 || from >= count) ? -1 : from;
    for (int step = 1; step <= count; ++step) {
        int i = (start + step) % count;
        const TSongInfo& song = *FItems[i].SongInfo;
        if (ContainsFolded(song.Caption, text) ||
            ContainsFolded(ExtractFileName(song.FileName), text))
            return i;
    }
    return -1;
}
