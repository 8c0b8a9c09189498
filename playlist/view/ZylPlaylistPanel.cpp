#include "playlist/view/ZylPlaylistPanel.h"

#include <QMouseEvent>
#include <QPainter>

#include "playlist/SongText.h"
#include "playlist/view/ZylPlaylistView.h"

namespace {
constexpr int kFooterTextMargin = 6;
} // namespace

TZylPlaylistPanel::TZylPlaylistPanel(QWidget* parent)
    : QWidget(parent), FView(new TZylPlaylistView(this)) {
    FView->OnRowsChanged = [this] { update(FooterRect()); };
    setMouseTracking(true);
}

void TZylPlaylistPanel::SetFooterImage(const QImage& image) {
    FFooterImage = image;
    update(FooterRect());
}

QString TZylPlaylistPanel::FooterText() const {
    const TZylPlaylist& list = FView->Playlist();
    const int count = list.GetCount();
    const QString songs =
        count == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(count);
    return songs + QStringLiteral(", ") +
           QString::fromStdString(FormatSongTime(list.TotalDuration()));
}

QRect TZylPlaylistPanel::FooterRect() const {
    return QRect(0, height() - kFooterHeight, width(), kFooterHeight);
}

void TZylPlaylistPanel::resizeEvent(QResizeEvent*) {
    FView->setGeometry(0, 0, width(), std::max(0, height() - kFooterHeight));
}

void TZylPlaylistPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect footer = FooterRect();
    if (FFooterImage.isNull())
        painter.fillRect(footer, palette().color(QPalette::Base));
    else
        painter.drawImage(footer, FFooterImage);
    painter.setFont(FView->font());
    painter.setPen(FView->GetFontColor());
    const QRect text = footer.adjusted(kFooterTextMargin, 0, -kFooterTextMargin, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(FooterText(), Qt::ElideRight, text.width()));
}

void TZylPlaylistPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !FooterRect().contains(event->position().toPoint()))
        return;
    FDragStartY = qRound(event->globalPosition().y());
    FDragStartHeight = height();
}

void TZylPlaylistPanel::mouseMoveEvent(QMouseEvent* event) {
    const bool overFooter = FooterRect().contains(event->position().toPoint());
    setCursor(overFooter || FDragStartY >= 0 ? Qt::SizeVerCursor : Qt::ArrowCursor);
    if (FDragStartY >= 0 && OnHeightDrag)
        OnHeightDrag(FDragStartHeight + qRound(event->globalPosition().y()) - FDragStartY);
}

void TZylPlaylistPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        FDragStartY = -1;
}
