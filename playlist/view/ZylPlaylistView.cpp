#include "playlist/view/ZylPlaylistView.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QMimeData>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace {

// Marks a drag of this list's own items, as opposed to files from the desktop.
const char* const kItemDragFormat = "application/x-vexaline-playlist-items";
constexpr int kMinimumAdjustWidth = 120;

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TZylPlaylistView::TZylPlaylistView(QWidget* parent)
    : QTreeWidget(parent), FDispatcher(this), FPlaylist(FDispatcher) {
    FPlaylist.SetObserver(this);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setAutoScroll(true);
    setAutoScrollMargin(fontMetrics().height() / 2);
    setHeaderHidden(true);
    HeaderInit();
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionToModel(); });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (!FSyncing)
            FPlaylist.SetFocused(current == nullptr ? -1 : indexOfTopLevelItem(current));
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

void TZylPlaylistView::HeaderInit() {
    setColumnCount(3);
    setHeaderLabels({QString(), QStringLiteral("Title"), QStringLiteral("Time")});
    headerItem()->setTextAlignment(0, Qt::AlignCenter);
    headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
    HeaderAdjust(std::max(width(), kMinimumAdjustWidth));
}

void TZylPlaylistView::HeaderAdjust(int width) {
    QFontMetrics metrics = fontMetrics();
    int marker = metrics.horizontalAdvance(QString::fromUtf8(" \xC2\xBB")) + 6;
    int time = metrics.horizontalAdvance(QStringLiteral("0:00:00")) + 12;
    int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setColumnWidth(0, marker);
    setColumnWidth(2, time);
    setColumnWidth(1, std::max(0, width - marker - time - (scrollBar + 8)));
}

void TZylPlaylistView::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        HeaderAdjust(std::max(event->size().width(), kMinimumAdjustWidth));
}

void TZylPlaylistView::ItemsChanged() {
    FSyncing = true;
    SyncItemCount();
    int count = FPlaylist.GetCount();
    int focused = FPlaylist.GetFocused();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* row = topLevelItem(i);
        for (int column = 0; column < 3; ++column)
            row->setText(column, ToQString(FPlaylist.ItemText(i, column)));
        row->setSelected(FPlaylist.IsSelected(i));
    }
    if (focused >= 0)
        setCurrentItem(topLevelItem(focused), 0, QItemSelectionModel::NoUpdate);
    FSyncing = false;
}

void TZylPlaylistView::SyncItemCount() {
    int count = FPlaylist.GetCount();
    while (topLevelItemCount() > count)
        delete takeTopLevelItem(topLevelItemCount() - 1);
    QList<QTreeWidgetItem*> rows;
    for (int i = topLevelItemCount(); i < count; ++i) {
        auto* row = new QTreeWidgetItem;
        row->setTextAlignment(0, Qt::AlignCenter);
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
        rows.append(row);
    }
    addTopLevelItems(rows);
}

void TZylPlaylistView::ScanningChanged(bool scanning) {
    setEnabled(!scanning);
}

void TZylPlaylistView::SelectionToModel() {
    if (FSyncing)
        return;
    int count = std::min(topLevelItemCount(), FPlaylist.GetCount());
    for (int i = 0; i < count; ++i)
        FPlaylist.SetSelected(i, topLevelItem(i)->isSelected());
}

int TZylPlaylistView::RowAt(const QPoint& viewportPoint) const {
    QTreeWidgetItem* row = itemAt(viewportPoint);
    return row == nullptr ? -1 : indexOfTopLevelItem(row);
}

void TZylPlaylistView::startDrag(Qt::DropActions) {
    if (FPlaylist.GetSelectedCount() == 0)
        return;
    FPlaylist.GatherSelection();
    ItemsChanged();
    auto* data = new QMimeData;
    data->setData(kItemDragFormat, QByteArray());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
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
    QTreeWidget::dragMoveEvent(event); // keeps the auto-scroll running
    const QMimeData* data = event->mimeData();
    bool accept =
        data->hasFormat(kItemDragFormat)
            ? event->source() == this && FPlaylist.CanDropOn(RowAt(event->position().toPoint()))
            : data->hasUrls() && FPlaylist.AcceptsDroppedFiles();
    if (accept)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TZylPlaylistView::dropEvent(QDropEvent* event) {
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
            files.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    event->acceptProposedAction();
    // The item under the left edge of the list at the drop's height.
    FPlaylist.DropFiles(RowAt(QPoint(5, point.y())), files);
}
