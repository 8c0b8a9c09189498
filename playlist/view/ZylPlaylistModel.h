// The playlist as a Qt item model: one row per entry, the columns of one
// table (number, title, tempo, length), texts read from the playlist when the
// view asks for them; the tempo's text comes from whoever knows the songs'
// tempos, which this library does not. Sync compares the rows with what the view was last told and
// reports only the rows that changed, so a change costs the view the rows it
// shows, not the whole list.
//
// Window thread only.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include <functional>
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
    // The tempo column's text for a song file; it is asked on every paint,
    // so it must answer from memory. Without one the column stays blank.
    using TBpmText = std::function<QString(const std::string& fileName)>;
    void SetBpmText(TBpmText bpmText) { FBpmText = std::move(bpmText); }
    // The tempo text of the row's song changed.
    void BpmChanged(int row);

    TZylPlaylist& Playlist() const { return FPlaylist; }
    QString BpmText(int row) const;

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
    TBpmText FBpmText;
};
