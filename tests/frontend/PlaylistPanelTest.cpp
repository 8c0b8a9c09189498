// The playlist panel below the deck, on the real window: showing it, its
// height, the window's size and region, drops and the start position.
#include "FormTestSupport.h"

#include "playlist/view/ZylPlaylistPanel.h"

#include <QMenu>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <sstream>

using namespace formtest;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr const char* kStoreHeader = "[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n";

std::string ReadSettings() {
    std::ostringstream text;
    text << std::ifstream(SettingsFile()).rdbuf();
    return text.str();
}

// The window shows the deck, and the panel below it while shown.
void ExpectShape(TDeck& deck, bool shown, int panelHeight) {
    const int height = shown ? 222 + panelHeight : 223;
    EXPECT_EQ(deck.Form->size(), QSize(384, height));
    EXPECT_EQ(deck.Form->mask(), QRegion(0, 0, 384, shown ? height : 222));
    EXPECT_EQ(deck.Form->PlaylistPanel->isVisibleTo(deck.Form.get()), shown);
    if (shown) {
        EXPECT_EQ(deck.Form->PlaylistPanel->geometry(), QRect(0, 222, 384, panelHeight));
    }
}

void DragFooter(QWidget* panel, int dy) {
    const QPoint from(200, panel->height() - 4);
    const QPoint to = from + QPoint(0, dy);
    QMouseEvent press(QEvent::MouseButtonPress, from, panel->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &press);
    QMouseEvent move(QEvent::MouseMove, to, panel->mapToGlobal(from) + QPoint(0, dy), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, panel->mapToGlobal(from) + QPoint(0, dy),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &release);
}

} // namespace

TEST(PlaylistPanel, EveryToggleResizesTheWindowAndTheLastStateSurvivesARestart) {
    TDeck deck;
    ExpectShape(deck, false, 0);
    const struct {
        const char* Way;
        std::function<void(TDeck&)> Toggle;
        bool ShownAfter;
    } cases[] = {
        {"double click on the track display",
         [](TDeck& d) { QTest::mouseDClick(d.Form->LabelTrack, Qt::LeftButton); }, true},
        {"popup item", [](TDeck& d) { d.Form->PopupHidePlaylist->trigger(); }, false},
        {"options check box",
         [](TDeck& d) {
             d.Config.PlaylistShown.Value = 1;
             d.Form->ApplySettings();
         },
         true},
    };
    for (const auto& c : cases) {
        c.Toggle(deck);
        ExpectShape(deck, c.ShownAfter, TMainForm::kPanelDefaultHeight);
        EXPECT_EQ(deck.Config.PlaylistShown.Value != 0, c.ShownAfter) << c.Way;
    }
    // The lower edge follows a drag of the footer, within its range.
    DragFooter(deck.Form->PlaylistPanel, 60);
    ExpectShape(deck, true, TMainForm::kPanelDefaultHeight + 60);
    DragFooter(deck.Form->PlaylistPanel, -1000);
    ExpectShape(deck, true, TMainForm::kPanelMinHeight);
    DragFooter(deck.Form->PlaylistPanel, 100);
    const int dragged = TMainForm::kPanelMinHeight + 100;

    deck.Form->FormClose();
    TDeck restarted({}, TDeck::StoredSettings(ReadSettings()));
    ExpectShape(restarted, true, dragged);
}

TEST(PlaylistPanel, AStoredHeightThatIsNoHeightGivesTheDefault) {
    const struct {
        const char* Stored;
        int Height;
    } cases[] = {
        {"dword:0000012c", 300},
        {"dword:00000000", TMainForm::kPanelDefaultHeight},
        {"dword:ffffffff", TMainForm::kPanelDefaultHeight},
        {"dword:7fffffff", TMainForm::kPanelDefaultHeight},
        {"\"tall\"", TMainForm::kPanelDefaultHeight},
        {"hex:01,02", TMainForm::kPanelDefaultHeight},
    };
    for (const auto& c : cases) {
        TDeck deck({}, TDeck::StoredSettings(std::string(kStoreHeader) +
                                             "\"PlaylistShown\"=\"Yes\"\n" +
                                             "\"PlaylistPanelHeight\"=" + c.Stored + "\n"));
        ExpectShape(deck, true, c.Height);
        EXPECT_EQ(deck.Form->PlaylistHeight(), c.Height) << c.Stored;
    }
}

TEST(PlaylistPanel, TheStartPositionFitsTheWindowAtItsRealSize) {
    // A position where the bare deck fits on the screen but the deck with
    // its panel does not.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const int y = screen.height() - 300;
    for (const bool shown : {false, true}) {
        TDeck deck({}, TDeck::StoredSettings(
                           std::string(kStoreHeader) + "\"PlaylistShown\"=\"" +
                           (shown ? "Yes" : "No") +
                           "\"\n\"StartX\"=dword:00000010\n\"StartY\"=dword:" +
                           QString::number(y, 16).rightJustified(8, QLatin1Char('0')).toStdString() +
                           "\n"));
        EXPECT_EQ(deck.Form->pos(), shown ? QPoint(0, 0) : QPoint(16, y)) << shown;
    }
}

TEST(PlaylistPanel, DropsOnTheDeckReplaceAndBelowItInsertAtTheDropPoint) {
    TDeck deck(
        {Q(MakeWav("p-a.wav", 500)), Q(MakeWav("p-b.wav", 500)), Q(MakeWav("p-c.wav", 500))});
    deck.Form->SetPlaylistShown(true);
    TZylPlaylistView* list = deck.Form->PlayList;
    const QRect secondRow = list->visualRect(list->model()->index(1, 1));
    const QPoint onSecondRow = list->viewport()->mapTo(deck.Form.get(), secondRow.center());
    const QPoint onFooter(100, deck.Form->height() - 4);
    const struct {
        const char* Where;
        QPoint Point;
        std::vector<std::string> Order;
    } cases[] = {
        {"list row", onSecondRow, {"p-a.wav", "new.wav", "p-b.wav", "p-c.wav"}},
        {"footer", onFooter, {"p-a.wav", "new.wav", "p-b.wav", "p-c.wav", "new.wav"}},
        {"deck", QPoint(200, 221), {"new.wav"}},
    };
    deck.Config.ListAllowDuplicates.Value = 1;
    deck.Form->ApplySettings();
    for (const auto& c : cases) {
        deck.Form->DropOnDeck({MakeWav("new.wav", 500)}, c.Point);
        deck.WaitForScan();
        std::vector<std::string> order;
        for (int i = 0; i < deck.List().GetCount(); ++i)
            order.push_back(fs::path(deck.List().GetSongInfo(i).FileName).filename().string());
        EXPECT_EQ(order, c.Order) << c.Where;
    }
}
