// The playlist panel below the deck: showing and hiding it, its height, the
// window's size and region that follow them, and its skinned look.
#include "frontend/MainForm.h"

#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistPanel.h"
#include "playlist/view/ZylPlaylistView.h"
#include "skin/DeckLayout.h"
#include "skin/SkinFiles.h"

#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr std::uint32_t kListFontColor = 15454910;
constexpr std::uint32_t kListColor = 5257499;
// The deck's accent, under the playing song.
constexpr std::uint32_t kPlayingColor = 0x00245E9C;
constexpr std::uint32_t kSelectionColor = 0x00876A4C;
constexpr int kListFontPixels = 11;

QString ScrollBarStyle() {
    return QStringLiteral(
               "QScrollBar:vertical { width: %1px; margin: 0; border: none;"
               " border-image: url(%2) 3 0 3 0 stretch stretch; }"
               "QScrollBar::handle:vertical { min-height: 16px;"
               " border-image: url(%3) 3 0 3 0 stretch stretch; }"
               "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical"
               " { height: 0; border: none; background: none; }"
               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
        .arg(VxSkin::PanelScrollTrack.Width)
        .arg(QString::fromLatin1(VxSkin::PanelScrollTrack.Resource),
             QString::fromLatin1(VxSkin::PanelScrollThumb.Resource));
}

} // namespace

void TMainForm::StylePlaylistPanel() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(kListFontPixels);
    PlayList->setFont(font);
    QPalette colors = PlayList->palette();
    colors.setColor(QPalette::Base, ColorOf(kListColor));
    colors.setColor(QPalette::Text, ColorOf(kListFontColor));
    colors.setColor(QPalette::Highlight, ColorOf(kSelectionColor));
    colors.setColor(QPalette::HighlightedText, Qt::white);
    PlayList->setPalette(colors);
    PlayList->Model().SetPlayingColor(ColorOf(kPlayingColor));
    PlayList->verticalScrollBar()->setStyleSheet(ScrollBarStyle());
    PlaylistPanel->SetFooterImage(QImage(QString::fromLatin1(VxSkin::PanelFooter.Resource)));
    PlayList->HeaderAdjust(VxDeck::WindowWidth);
}

int TMainForm::ValidPanelHeight(int stored) {
    return stored < kPanelMinHeight || stored > kPanelMaxHeight ? kPanelDefaultHeight : stored;
}

void TMainForm::ApplyPanelSettings() {
    playlistHeight_ = ValidPanelHeight(config_.PlaylistPanelHeight.Value);
    config_.PlaylistPanelHeight.Value = playlistHeight_;
    SetPlaylistShown(config_.PlaylistShown.Value != 0);
}

void TMainForm::SetPlaylistShown(bool shown) {
    playlistShown_ = shown;
    config_.PlaylistShown.Value = shown ? 1 : 0;
    // Ctrl+A on the deck selects the list's songs while the list is seen.
    config_.PlaylistEnabled.Value = shown ? 1 : 0;
    if (!shown && PlaylistPanel->isAncestorOf(QWidget::focusWidget()))
        setFocus();
    ApplyWindowShape();
}

void TMainForm::SetPlaylistHeight(int height) {
    playlistHeight_ =
        std::clamp(height, kPanelMinHeight, std::min(kPanelMaxHeight, ScreenPanelLimit()));
    config_.PlaylistPanelHeight.Value = playlistHeight_;
    ApplyWindowShape();
}

// The tallest panel with which the window still fits the screen it is on:
// below that the footer, the panel's only drag handle, would be out of reach.
// A stored height above it is kept for a taller screen.
int TMainForm::ScreenPanelLimit() const {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr)
        return kPanelMaxHeight;
    return std::max(kPanelMinHeight, shownOn->availableGeometry().height() - kDeckHeight);
}

// The window is the deck, and the panel below it while shown; its region is
// exactly what it shows.
void TMainForm::ApplyWindowShape() {
    const int panelHeight = std::min(playlistHeight_, ScreenPanelLimit());
    const int height = playlistShown_ ? kDeckHeight + panelHeight : VxDeck::WindowHeight;
    setFixedSize(VxDeck::WindowWidth, height);
    PlaylistPanel->setGeometry(0, kDeckHeight, VxDeck::WindowWidth, panelHeight);
    PlaylistPanel->setVisible(playlistShown_);
    setMask(QRegion(0, 0, VxDeck::WindowWidth, playlistShown_ ? height : kDeckHeight));
}
