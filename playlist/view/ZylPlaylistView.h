// The playlist's list view: a report-style list of three columns (current
// marker, number and caption, time) over the playlist model it owns. The
// view only mirrors the model and turns Qt's selection, drag and drop into
// model operations; every rule lives in TZylPlaylist.
//
// Window thread only.
#pragma once

#include <QColor>
#include <QTreeWidget>

#include "playlist/Zylplaylist.h"
#include "playlist/view/QtDispatcher.h"

class TZylPlaylistView : public QTreeWidget, private TZylPlaylistObserver {
    Q_OBJECT
public:
    explicit TZylPlaylistView(QWidget* parent = nullptr);
    ~TZylPlaylistView() override;

    TZylPlaylist& Playlist() { return FPlaylist; }

    bool GetShowHeader() const { return !isHeaderHidden(); }
    void SetShowHeader(bool show);
    QColor GetFontColor() const;
    void SetFontColor(const QColor& color);
    // Sizes the columns for a control width: the marker and time columns fit
    // their widest text, the title takes the rest but a scroll bar's room.
    void HeaderAdjust(int width);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ItemsChanged() override;
    void ScanningChanged(bool scanning) override;
    void HeaderInit();
    void SyncItemCount();
    void SelectionToModel();
    int RowAt(const QPoint& viewportPoint) const;

    TQtDispatcher FDispatcher;
    TZylPlaylist FPlaylist;
    bool FSyncing = false;
};
