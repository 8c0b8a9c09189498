// The playlist as a Qt item model: one row per entry, the columns of one
// table (number, title, tempo, key, loudness, length), texts read from the
// playlist when the view asks for them; the tempo, key and loudness come
// from the song facts, which this library does not know, and so does the
// mark on a row. Sync compares the rows with what the view was last told and
// reports only the rows that changed, so a change costs the view the rows it
// shows, not the whole list.
//
// Window thread only.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include "playlist/view/ZylSongFacts.h"

#include <string>
#include <vector>

class TZylPlaylist;
struct TSongInfo;

class TZylPlaylistModel final : public QAbstractTableModel {
public:
    explicit TZylPlaylistModel(TZylPlaylist& playlist, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Tells the view what changed since the last Sync.
    void Sync();
    // The current row is highlighted while the deck plays it.
    void SetPlaying(bool playing);
    void SetPlayingColor(const QColor& color) { FPlayingColor = color; }
    // The songs' tempo, key and loudness, and their mark (drawn in the mark
    // color); without facts their columns stay blank. Not owned.
    void SetFacts(const TZylSongFacts* facts) { FFacts = facts; }
    void SetMarkColor(const QColor& color) { FMarkColor = color; }
    // The facts of the row's song changed.
    void FactsChanged(int row);
    // Any row's mark may have changed (another deck song, say).
    void MarksChanged();
    static int FactColumn(TZylFact fact);

    TZylPlaylist& Playlist() const { return FPlaylist; }
    QString FactText(int row, TZylFact fact) const;

    // The widest text a column shows for count entries (for its width).
    static QString WidestText(int column, int count);
    static bool Stretches(int column);

private:
    void ReadRows();
    void ReportStructure();
    void RowsChanged(int first, int last);

    TZylPlaylist& FPlaylist;
    // The entries of the rows as the view was last told, and as they are now.
    std::vector<const TSongInfo*> FShown;
    std::vector<const TSongInfo*> FNow;
    unsigned FShownCaptions = 0;
    int FShownCurrent = -1;
    bool FPlaying = false;
    QColor FPlayingColor;
    QColor FMarkColor;
    const TZylSongFacts* FFacts = nullptr;
};
