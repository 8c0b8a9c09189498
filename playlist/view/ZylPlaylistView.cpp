#include "playlist/view/ZylPlaylistView.h"

#include "playlist/view/VxFileNames.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace {

// Marks a drag of this list's own items, as opposed to files from the desktop.
const char* const kItemDragFormat = "application/x-vexaline-playlist-items";
constexpr int kMinimumAdjustWidth = 120;
constexpr int kColumnPadding = 8;

bool IsFindCharacter(const QString& text) {
    return text.size() == 1 && (text[0].isLetterOrNumber() || text[0] == QLatin1Char(' '));
}

} // namespace

TZylPlaylistView::TZylPlaylistView(QWidget* parent)
    : QTreeView(parent), FDispatcher(this), FPlaylist(FDispatcher), FModel(FPlaylist) {
    FPlaylist.SetObserver(this);
    setModel(&FModel);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setAutoScroll(true);
    setAutoScrollMargin(fontMetrics().height() / 2);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    HeaderAdjust(std::max(width(), kMinimumAdjustWidth));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                SelectionToModel(selected, deselected);
            });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!FSyncing)
                    FPlaylist.SetFocused(current.isValid() ? current.row() : -1);
            });
}

TZylPlaylistView::~TZylPlaylistView() {
    FPlaylist.SetObserver(nullptr);
}

void TZylPlaylistView::SetShowHeader(bool show) {
    setHeaderHidden(!show);
}

QColor TZylPlaylistView::GetFontColor() const {
    return palette().color(QPalette::Text);
}

void TZylPlaylistView::SetFontColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Text, color);
    setPalette(colors);
}

void TZylPlaylistView::SetFactShown(TZylFact fact, bool shown) {
    setColumnHidden(TZylPlaylistModel::FactColumn(fact), !shown);
    HeaderAdjust(std::max(width(), kMinimumAdjustWidth));
}

bool TZylPlaylistView::FactShown(TZylFact fact) const {
    return !isColumnHidden(TZylPlaylistModel::FactColumn(fact));
}

void TZylPlaylistView::HeaderAdjust(int width) {
    const QFontMetrics metrics = fontMetrics();
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    int fixed = 0;
    int stretching = -1;
    for (int column = 0; column < FModel.columnCount(); ++column) {
        if (TZylPlaylistModel::Stretches(column)) {
            stretching = column;
            continue;
        }
        if (isColumnHidden(column))
            continue;
        // The current row is bold: its texts are the widest.
        const QString widest = TZylPlaylistModel::WidestText(column, FPlaylist.GetCount());
        int columnWidth =
            std::max(metrics.horizontalAdvance(widest), boldMetrics.horizontalAdvance(widest)) +
            kColumnPadding;
        setColumnWidth(column, columnWidth);
        fixed += columnWidth;
    }
    int scrollBar = verticalScrollBar()->sizeHint().width();
    if (stretching >= 0)
        setColumnWidth(stretching, std::max(0, width - fixed - (scrollBar + 2)));
}

void TZylPlaylistView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        HeaderAdjust(std::max(event->size().width(), kMinimumAdjustWidth));
}

void TZylPlaylistView::ItemsChanged() {
    FSyncing = true;
    int shownBefore = FModel.rowCount();
    FModel.Sync();
    SelectionToView();
    int focused = FPlaylist.GetFocused();
    if (focused >= 0 && currentIndex().row() != focused)
        selectionModel()->setCurrentIndex(FModel.index(focused, 0), QItemSelectionModel::NoUpdate);
    FSyncing = false;
    // The number column grows with the count's digits.
    if (QString::number(shownBefore).size() != QString::number(FModel.rowCount()).size())
        HeaderAdjust(std::max(width(), kMinimumAdjustWidth));
    if (OnRowsChanged)
        OnRowsChanged();
}

void TZylPlaylistView::ScanningChanged(bool scanning) {
    setEnabled(!scanning);
}

// The playlist's selection as runs of rows.
void TZylPlaylistView::SelectionToView() {
    QItemSelection selection;
    const int count = FPlaylist.GetCount();
    const int lastColumn = FModel.columnCount() - 1;
    for (int i = 0; i < count;) {
        if (!FPlaylist.IsSelected(i)) {
            ++i;
            continue;
        }
        int end = i;
        while (end + 1 < count && FPlaylist.IsSelected(end + 1))
            ++end;
        selection.select(FModel.index(i, 0), FModel.index(end, lastColumn));
        i = end + 1;
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TZylPlaylistView::SelectionToModel(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
    if (FSyncing)
        return;
    for (const QItemSelectionRange& range : deselected)
        for (int row = range.top(); row <= range.bottom(); ++row)
            FPlaylist.SetSelected(row, false);
    for (const QItemSelectionRange& range : selected)
        for (int row = range.top(); row <= range.bottom(); ++row)
            FPlaylist.SetSelected(row, true);
}

bool TZylPlaylistView::IsListKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers commands = Qt::ControlModifier | Qt::AltModifier;
    switch (event.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Return:
    case Qt::Key_Delete:
        return true;
    case Qt::Key_A:
        if ((event.modifiers() & commands) == Qt::ControlModifier)
            return true;
        break;
    default:
        break;
    }
    // Keypad Enter plays; keypad digits are the deck's too.
    if (event.modifiers() & (commands | Qt::KeypadModifier))
        return false;
    return IsFindCharacter(event.text()) && event.text() != QLatin1String(" ");
}

void TZylPlaylistView::keyPressEvent(QKeyEvent* event) {
    if (!IsListKey(*event)) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Return) {
        if (OnOpenSelection)
            OnOpenSelection();
    } else if (event->key() == Qt::Key_Delete) {
        FPlaylist.DeleteSelected();
    } else if (event->key() == Qt::Key_A && (event->modifiers() & Qt::ControlModifier)) {
        FPlaylist.SelectAll();
    } else if (IsFindCharacter(event->text())) {
        FindTyped(event->text());
    } else {
        QTreeView::keyPressEvent(event);
    }
    event->accept();
}

// Letters typed in quick succession extend the text searched for; the entry
// with the focus is tried first while the text grows, the next one on a new
// text.
void TZylPlaylistView::FindTyped(const QString& text) {
    const bool extending =
        FTypedAt.isValid() && FTypedAt.elapsed() < QApplication::keyboardInputInterval();
    FTyped = extending ? FTyped + text : text;
    FTypedAt.start();
    const int focused = FPlaylist.GetFocused();
    const int found = FPlaylist.FindText(FTyped.toStdString(), extending ? focused - 1 : focused);
    if (found < 0)
        return;
    const QModelIndex row = FModel.index(found, 0);
    selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect |
                                               QItemSelectionModel::Rows);
    scrollTo(row);
}

void TZylPlaylistView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && RowAt(event->position().toPoint()) >= 0 &&
        OnOpenSelection)
        OnOpenSelection();
}

int TZylPlaylistView::RowAt(const QPoint& viewportPoint) const {
    const QModelIndex row = indexAt(viewportPoint);
    return row.isValid() ? row.row() : -1;
}

void TZylPlaylistView::startDrag(Qt::DropActions) {
    if (FPlaylist.GetSelectedCount() == 0)
        return;
    FPlaylist.GatherSelection();
    auto* data = new QMimeData;
    data->setData(kItemDragFormat, QByteArray());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
    SetInsertLine(-1);
}

void TZylPlaylistView::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasFormat(kItemDragFormat) && event->source() == this)
        event->acceptProposedAction();
    else if (data->hasUrls() && FPlaylist.AcceptsDroppedFiles())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZylPlaylistView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event); // keeps the auto-scroll running
    const QMimeData* data = event->mimeData();
    const QPoint point = event->position().toPoint();
    const bool ownItems = data->hasFormat(kItemDragFormat);
    bool accept = ownItems ? event->source() == this && FPlaylist.CanDropOn(RowAt(point))
                           : data->hasUrls() && FPlaylist.AcceptsDroppedFiles();
    SetInsertLine(accept ? InsertLineAt(point, ownItems) : -1);
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZylPlaylistView::dragLeaveEvent(QDragLeaveEvent* event) {
    SetInsertLine(-1);
    QTreeView::dragLeaveEvent(event);
}

// Own items dropped on a row below them end there (the line under it), above
// them start there (the line over it); files go in before the row, or after
// the last one where there is no row.
int TZylPlaylistView::InsertLineAt(const QPoint& point, bool ownItems) const {
    const int target = RowAt(point);
    if (target < 0) {
        const int count = FModel.rowCount();
        return count == 0 ? 0 : visualRect(FModel.index(count - 1, 0)).bottom() + 1;
    }
    const QRect row = visualRect(FModel.index(target, 0));
    int firstSelected = 0;
    while (firstSelected < FPlaylist.GetCount() && !FPlaylist.IsSelected(firstSelected))
        ++firstSelected;
    const bool below = ownItems && firstSelected < target;
    return below ? row.bottom() + 1 : row.top();
}

void TZylPlaylistView::SetInsertLine(int y) {
    if (y == FInsertLine)
        return;
    FInsertLine = y;
    viewport()->update();
}

void TZylPlaylistView::dropEvent(QDropEvent* event) {
    SetInsertLine(-1);
    const QMimeData* data = event->mimeData();
    QPoint point = event->position().toPoint();
    if (data->hasFormat(kItemDragFormat)) {
        if (event->source() == this)
            FPlaylist.DropSelectionOn(RowAt(point));
        event->acceptProposedAction();
        return;
    }
    if (!data->hasUrls() || !FPlaylist.AcceptsDroppedFiles()) {
        event->ignore();
        return;
    }
    std::vector<std::string> files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.push_back(VxLocalFileName(url));
    }
    event->acceptProposedAction();
    // The item under the left edge of the list at the drop's height.
    FPlaylist.DropFiles(RowAt(QPoint(5, point.y())), files);
}

void TZylPlaylistView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                   const QList<int>& roles) {
    // Qt measures every row of a range to find the area to redraw; a range
    // longer than the rows shown covers them all anyway.
    const int shownRows = viewport()->height() / std::max(1, sizeHintForRow(0)) + 1;
    if (bottomRight.row() - topLeft.row() > shownRows) {
        viewport()->update();
        return;
    }
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}

void TZylPlaylistView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (FInsertLine < 0)
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(GetFontColor(), 2));
    painter.drawLine(0, FInsertLine, viewport()->width(), FInsertLine);
}
