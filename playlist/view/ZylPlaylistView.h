// The playlist's list view: a report-style list of the columns the model
// defines (number with the current marker, title, the song facts, length),
// the facts' columns shown as asked, over the playlist
// it owns. The view only mirrors the playlist and turns Qt's selection, keys,
// drag and drop into playlist operations; every rule lives in TZylPlaylist.
//
// Window thread only.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QTreeView>

#include <functional>

#include "playlist/Zylplaylist.h"
#include "playlist/view/QtDispatcher.h"
#include "playlist/view/ZylPlaylistModel.h"

class QKeyEvent;

class TZylPlaylistView : public QTreeView, private TZylPlaylistObserver {
    Q_OBJECT
public:
    explicit TZylPlaylistView(QWidget* parent = nullptr);
    ~TZylPlaylistView() override;

    TZylPlaylist& Playlist() { return FPlaylist; }
    TZylPlaylistModel& Model() { return FModel; }

    bool GetShowHeader() const { return !isHeaderHidden(); }
    void SetShowHeader(bool show);
    QColor GetFontColor() const;
    void SetFontColor(const QColor& color);
    // Sizes the columns for a control width: the fixed columns fit their
    // widest text, the title takes the rest but a scroll bar's room.
    void HeaderAdjust(int width);
    // The tempo, key and loudness columns each show or hide.
    void SetFactShown(TZylFact fact, bool shown);
    bool FactShown(TZylFact fact) const;
    // The current song is highlighted while it plays.
    void SetPlaying(bool playing) { FModel.SetPlaying(playing); }

    // Whether the list takes this key while it has the focus: moving the
    // focus (arrows, Page Up, Page Down, Home, End), Enter, Del, Ctrl+A and
    // letters or digits for type-to-find. Every other key belongs to the deck.
    static bool IsListKey(const QKeyEvent& event);

    // Enter on the selection, or a double click on a row.
    std::function<void()> OnOpenSelection;
    // After the rows were brought up to date with the playlist.
    std::function<void()> OnRowsChanged;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles) override;

private:
    void ItemsChanged() override;
    void ScanningChanged(bool scanning) override;
    void SelectionToView();
    void SelectionToModel(const QItemSelection& selected, const QItemSelection& deselected);
    void FindTyped(const QString& text);
    int RowAt(const QPoint& viewportPoint) const;
    // The insert marker's height in the viewport for a drag at point; -1
    // where the drop would be refused.
    int InsertLineAt(const QPoint& point, bool ownItems) const;
    void SetInsertLine(int y);

    TQtDispatcher FDispatcher;
    TZylPlaylist FPlaylist;
    TZylPlaylistModel FModel;
    bool FSyncing = false;
    int FInsertLine = -1;
    QString FTyped;
    QElapsedTimer FTypedAt;
};
