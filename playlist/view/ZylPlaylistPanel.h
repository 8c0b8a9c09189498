// The playlist panel below the deck: the list view over a footer that shows
// the song count and the total time. Dragging the footer moves the panel's
// lower edge; the window decides the height it takes.
//
// Window thread only.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class TZylPlaylistView;

class TZylPlaylistPanel : public QWidget {
public:
    static constexpr int kFooterHeight = 16;

    explicit TZylPlaylistPanel(QWidget* parent = nullptr);

    TZylPlaylistView* View() const { return FView; }
    // The footer's background, stretched across the panel's width.
    void SetFooterImage(const QImage& image);
    QString FooterText() const;

    // A drag of the footer asks for this panel height.
    std::function<void(int height)> OnHeightDrag;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect FooterRect() const;

    TZylPlaylistView* FView;
    QImage FFooterImage;
    // The drag of the lower edge: where it started and the height then.
    int FDragStartY = -1;
    int FDragStartHeight = 0;
};
