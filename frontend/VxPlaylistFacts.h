// The songs' tempo, key and loudness in the playlist panel: their columns,
// shown or hidden from the list's popup menu (a stored choice), the sorts by
// each and by mixing well with the deck's song, the mark on the songs that
// do, and the key the user gives songs from the popup menu.
//
// Window thread only.
#pragma once

#include "frontend/VxSongFacts.h"

#include <functional>
#include <string>

class QMenu;
class TGlobalConfigTAG;
class TZylPlaylistView;

class TVxPlaylistFacts {
public:
    // The view's model paints from the facts held here: the view goes
    // first (the window deletes its panel before its members).
    TVxPlaylistFacts(TZylPlaylistView& view, TGlobalConfigTAG& config);
    TVxPlaylistFacts(const TVxPlaylistFacts&) = delete;
    TVxPlaylistFacts& operator=(const TVxPlaylistFacts&) = delete;

    // The columns' submenu and the key's into popup, the sorts into sortBy.
    void AddToMenus(QMenu& popup, QMenu& sortBy);
    // The popup menu is about to show: the key is set for selected songs.
    void PopupShowing();
    // The stored choices: the columns shown and the key notation.
    void ApplySettings();
    // The worker's reports reach the rows they change.
    void Take(const TVxTempoWorker::TFound& found);
    // path empty: the deck has no song.
    void SetDeckSong(const std::string& path);
    void SortBy(TVxFactSort sort);
    void ShowColumn(TZylFact fact, bool shown);
    const TVxSongFacts& Facts() const { return facts_; }

    // The user gave the song a key (kVxNoKey: back to the detected one).
    std::function<void(const std::string& path, int key)> OnUserKey;

private:
    void AddColumnsMenu(QMenu& popup);
    void AddKeyMenu(QMenu& popup);
    void FillKeyMenu();
    void SetSelectedKey(int key);

    TZylPlaylistView& view_;
    TGlobalConfigTAG& config_;
    TVxSongFacts facts_;
    QMenu* keyMenu_ = nullptr;
};
