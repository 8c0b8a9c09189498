// The playlist panel below the deck, on the real window: showing it, its
// height, the window's size and region, drops, the start position and the
// songs' tempos, keys and loudness.
#include "FormTestSupport.h"

#include "frontend/VxPlaylistFacts.h"
#include "playlist/view/ZylPlaylistPanel.h"

#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
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

// A 16-bit stereo 44.1 kHz WAV file of kicks at 120 BPM (a falling tone
// every 22050 samples), lengthMs long.
std::string MakeKicks(const std::string& name, unsigned lengthMs) {
    const fs::path path = WorkDir() / "songs" / name;
    fs::create_directories(path.parent_path());
    const std::uint32_t frames = 44100u * lengthMs / 1000u;
    constexpr std::uint32_t kPeriod = 22050;
    constexpr std::uint32_t kKick = 6174; // 0.14 s
    std::ofstream out(path, std::ios::binary);
    WriteWavHeader(out, 2, 44100, 16, frames * 4);
    double phase = 0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const std::uint32_t at = i % kPeriod;
        const double t = static_cast<double>(at) / kKick;
        if (at == 0)
            phase = 0;
        phase += 2 * M_PI * (160 - 115 * t) / 44100;
        const double fade = at < kKick ? (1 - t) * (1 - t) : 0;
        const auto sample = static_cast<std::int16_t>(28000 * fade * std::sin(phase));
        for (int channel = 0; channel < 2; ++channel)
            out.write(reinterpret_cast<const char*>(&sample), 2);
    }
    return path.string();
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
        TDeck deck({},
                   TDeck::StoredSettings(std::string(kStoreHeader) + "\"PlaylistShown\"=\"Yes\"\n" +
                                         "\"PlaylistPanelHeight\"=" + c.Stored + "\n"));
        ExpectShape(deck, true, c.Height);
        EXPECT_EQ(deck.Form->PlaylistHeight(), c.Height) << c.Stored;
    }
}

// However tall the stored or dragged panel, the window fits the screen it
// is on, so that the footer, the panel's only drag handle, stays in reach.
TEST(PlaylistPanel, TheWindowNeverGrowsTallerThanItsScreen) {
    TDeck deck({}, TDeck::StoredSettings(std::string(kStoreHeader) +
                                         "\"PlaylistShown\"=\"Yes\"\n"
                                         "\"PlaylistPanelHeight\"=dword:000003e8\n"));
    const QRect screen = deck.Form->screen()->availableGeometry();
    const int tallest = screen.height() - 222;
    ASSERT_LT(tallest, TMainForm::kPanelMaxHeight) << "the test needs a screen under 1222 pixels";
    ExpectShape(deck, true, tallest);
    EXPECT_TRUE(screen.contains(deck.Form->geometry())) << deck.Form->geometry().y();
    DragFooter(deck.Form->PlaylistPanel, -100);
    ExpectShape(deck, true, tallest - 100);
    DragFooter(deck.Form->PlaylistPanel, 400);
    ExpectShape(deck, true, tallest);
    EXPECT_EQ(deck.Form->PlaylistHeight(), tallest);
}

TEST(PlaylistPanel, TheStartPositionFitsTheWindowAtItsRealSize) {
    // A position where the bare deck fits on the screen but the deck with
    // its panel does not.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const int y = screen.height() - 300;
    for (const bool shown : {false, true}) {
        TDeck deck({},
                   TDeck::StoredSettings(
                       std::string(kStoreHeader) + "\"PlaylistShown\"=\"" + (shown ? "Yes" : "No") +
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

// The tempo column shows each song's own tempo once the worker found it,
// redrawing only that song's row and the marks; a song without a beat stays blank, a tap
// shows at once, and after a restart the cache fills the column.
TEST(PlaylistPanel, TheTempoColumnShowsEachSongsTempoOnceFound) {
    std::error_code ignored;
    fs::remove_all(WorkDir() / "cache", ignored);
    const QStringList songs = {Q(MakeKicks("p-kicks.wav", 12000)), Q(MakeWav("p-tone.wav", 3000)),
                               Q(MakeWav("p-tone2.wav", 3000))};
    TDeck deck(songs);
    deck.Form->SetPlaylistShown(true);
    TZylPlaylistView* list = deck.Form->PlayList;
    ASSERT_EQ(list->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("BPM"));
    auto bpmCells = [](TDeck& d) {
        std::vector<std::string> cells;
        for (int row = 0; row < d.Form->PlayList->model()->rowCount(); ++row)
            cells.push_back(
                d.Form->PlayList->model()->index(row, 2).data().toString().toStdString());
        return cells;
    };
    using TCells = std::vector<std::string>;
    EXPECT_EQ(bpmCells(deck), (TCells{"", "", ""}));

    QSignalSpy changes(list->model(), &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Run(40);
    EXPECT_EQ(bpmCells(deck), (TCells{"120.00", "", ""}));
    // The tempo cell of the first song changed; being the deck's song, its
    // news may move every row's mark, which is one change of the whole list.
    std::vector<QRect> changed;
    for (const QList<QVariant>& change : changes) {
        const auto from = change[0].toModelIndex();
        const auto to = change[1].toModelIndex();
        changed.emplace_back(QPoint(from.column(), from.row()), QPoint(to.column(), to.row()));
    }
    EXPECT_TRUE(std::any_of(changed.begin(), changed.end(),
                            [](const QRect& cells) { return cells.contains(2, 0); }));
    EXPECT_LE(std::count_if(changed.begin(), changed.end(),
                            [](const QRect& cells) { return cells.bottom() > 0; }),
              1);

    deck.List().JumpTo(1);
    deck.Run(40);
    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Form->Tempo()->SetUserBpm(125);
    deck.Run(40);
    EXPECT_EQ(bpmCells(deck), (TCells{"120.00", "125.00", ""}));

    ASSERT_TRUE(deck.Form->Tempo()->WaitIdle(60000));
    deck.Form->FormClose();
    TDeck restarted(songs);
    ASSERT_TRUE(restarted.Form->Tempo()->WaitIdle(60000));
    restarted.Run(40);
    EXPECT_EQ(bpmCells(restarted), (TCells{"120.00", "125.00", ""}));

    // A song added to the list is analysed in the background once the
    // list's scan is over, though it is not the deck's.
    restarted.Form->PlayListDropFiles(3, {MakeKicks("p-kicks-added.wav", 12000)});
    restarted.WaitForScan();
    restarted.Run(40);
    ASSERT_TRUE(restarted.Form->Tempo()->WaitIdle(60000));
    restarted.Run(40);
    EXPECT_EQ(bpmCells(restarted), (TCells{"120.00", "125.00", "", "120.00"}));
}

namespace {

// A popup menu's entry by its text without the ampersand; null if none.
QAction* MenuEntry(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text().remove(QLatin1Char('&')) == text)
            return action;
        if (action->menu() != nullptr)
            if (QAction* inner = MenuEntry(*action->menu(), text))
                return inner;
    }
    return nullptr;
}

QMenu* SubMenu(QMenu& menu, const QString& text) {
    QAction* entry = MenuEntry(menu, text);
    return entry != nullptr ? entry->menu() : nullptr;
}

// The letters of order that are among letters, in order's order.
std::string InOrder(const std::string& order, const std::string& letters) {
    std::string kept;
    for (const char letter : order)
        if (letters.find(letter) != std::string::npos)
            kept += letter;
    return kept;
}

TVxSongTempo Facts(double bpm, int key, std::optional<double> lufs) {
    TVxSongTempo facts;
    facts.Known = true;
    facts.Bpm = bpm;
    facts.Key = key;
    facts.Loudness.Known = lufs.has_value();
    facts.Loudness.Lufs = lufs.value_or(0);
    return facts;
}

// The list of the real panel with its facts, fed as the worker reports.
class FactsPanel : public ::testing::Test {
protected:
    FactsPanel() {
        for (const char* name : {"a", "b", "c", "d", "e", "f"})
            Songs.push_back(MakeWav(std::string("facts-") + name + ".wav", 40));
        View.Playlist().SetExtensions({"wav"});
        View.Playlist().AddFiles(Songs, TZylPlaylist::kReplace);
        QElapsedTimer waited;
        waited.start();
        while (View.Playlist().GetScanning() && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        Panel.AddToMenus(Popup, SortBy);
        Panel.ApplySettings();
    }

    // The rows' songs by their letters.
    std::string Order() {
        std::string order;
        for (int row = 0; row < View.Playlist().GetCount(); ++row)
            order += View.Playlist().GetSongInfo(row).FileName.end()[-5];
        return order;
    }
    std::string Selected() {
        std::string rows;
        for (int row = 0; row < View.Playlist().GetCount(); ++row)
            if (View.Playlist().IsSelected(row))
                rows += Order()[static_cast<std::size_t>(row)];
        return rows;
    }
    std::string Marked() {
        std::string rows;
        for (int row = 0; row < View.model()->rowCount(); ++row)
            if (View.model()->index(row, 1).data(Qt::ForegroundRole).isValid())
                rows += Order()[static_cast<std::size_t>(row)];
        return rows;
    }
    QString Cell(int row, TZylFact fact) {
        return View.model()->index(row, TZylPlaylistModel::FactColumn(fact)).data().toString();
    }

    struct TApplication {
        TApplication() { EnsureApplication(); }
    } Application; // before the widgets
    std::vector<std::string> Songs;
    TGlobalConfigTAG Config;
    TZylPlaylistView View;
    TVxPlaylistFacts Panel{View, Config};
    QMenu Popup;
    QMenu SortBy;
};

} // namespace

// Each sort puts the known values in order and the unknown ones last in
// their old order, while the playing entry and the selection stay with
// their songs; the mark and the compatible sort follow the deck's song.
TEST_F(FactsPanel, SortsByTempoKeyLoudnessAndMixingWithTheUnknownLast) {
    const int aMinor = VxKeyOf(9, true);   // 8A, Open Key 1m
    const int eMinor = VxKeyOf(4, true);   // 9A, its neighbour
    const int cMajor = VxKeyOf(0, false);  // 8B, its relative
    const int dbMajor = VxKeyOf(1, false); // 3B, Open Key 8d
    // b is never reported; d is in key but 9.4 % faster; f has no beat.
    Panel.Take({{Songs[0], Facts(128, aMinor, -9.8)},
                {Songs[2], Facts(124, eMinor, -14)},
                {Songs[3], Facts(140, aMinor, -6)},
                {Songs[4], Facts(127, cMajor, std::nullopt)},
                {Songs[5], Facts(0, dbMajor, -20)}});
    EXPECT_EQ(Marked(), "");
    View.Playlist().JumpTo(0);
    Panel.SetDeckSong(Songs[0]);
    EXPECT_EQ(Marked(), "ace");
    View.Playlist().SetSelected(2, true);
    View.Playlist().SetSelected(4, true);
    EXPECT_EQ(Cell(0, TZylFact::Key), QStringLiteral("A minor 8A"));
    EXPECT_EQ(Cell(0, TZylFact::Loudness), QStringLiteral("-9.8"));
    EXPECT_EQ(Cell(1, TZylFact::Key), QString());
    EXPECT_EQ(Cell(5, TZylFact::Bpm), QString());

    const struct {
        const char* Entry;
        int Notation;
        const char* Order;
    } cases[] = {
        {"BPM", 0,
         "cead"
         "bf"},
        {"Key", 0,
         "fadec"
         "b"},
        {"Key", 1,
         "adecf"
         "b"},
        {"Loudness", 0,
         "fcad"
         "be"},
        {"Compatible with the playing song", 0,
         "ace"
         "bdf"},
    };
    for (const auto& c : cases) {
        View.Playlist().SortBy(TZylPlaylist::psUnsorted);
        Config.KeyNotation.Value = c.Notation;
        Panel.ApplySettings();
        QAction* entry = MenuEntry(SortBy, QString::fromLatin1(c.Entry));
        ASSERT_NE(entry, nullptr) << c.Entry;
        entry->trigger();
        EXPECT_EQ(Order(), c.Order) << c.Entry << " " << c.Notation;
        EXPECT_EQ(Order()[static_cast<std::size_t>(View.Playlist().GetCurrentPosition())], 'a');
        EXPECT_EQ(Selected(), InOrder(c.Order, "ce"));
        EXPECT_EQ(Marked(), InOrder(c.Order, "ace"));
    }
    // The notation shows at once.
    const int a = static_cast<int>(Order().find('a'));
    EXPECT_EQ(Cell(a, TZylFact::Key), QStringLiteral("A minor 8A"));
    Config.KeyNotation.Value = 1;
    Panel.ApplySettings();
    EXPECT_EQ(Cell(a, TZylFact::Key), QStringLiteral("A minor 1m"));

    // The popup gives the selected songs a key, in the notation shown.
    std::vector<std::pair<std::string, int>> given;
    Panel.OnUserKey = [&](const std::string& path, int key) { given.emplace_back(path, key); };
    Panel.PopupShowing();
    emit SubMenu(Popup, QStringLiteral("Set key"))->aboutToShow();
    MenuEntry(Popup, QStringLiteral("C major 1d"))->trigger();
    MenuEntry(Popup, QStringLiteral("Detected"))->trigger();
    const std::vector<std::pair<std::string, int>> expected = {
        {Songs[2], cMajor}, {Songs[4], cMajor}, {Songs[2], kVxNoKey}, {Songs[4], kVxNoKey}};
    EXPECT_EQ(given, expected);

    // A new deck song moves the marks; so does news of the deck song's tempo.
    Panel.SetDeckSong(Songs[3]);
    EXPECT_EQ(Marked(), "d");
    Panel.Take({{Songs[3], Facts(129, aMinor, -6)}});
    EXPECT_EQ(Marked(), InOrder(Order(), "acde"));
}

// The columns shown or hidden from the list's popup menu stay so after a
// restart, and the menu's checks tell which are shown.
TEST(PlaylistPanel, TheColumnsChosenFromThePopupSurviveARestart) {
    TDeck deck;
    TZylPlaylistView* list = deck.Form->PlayList;
    list->resize(384, 200); // as laid out in the panel on the screen
    auto shown = [](TZylPlaylistView* view) {
        return std::vector<bool>{view->FactShown(TZylFact::Bpm), view->FactShown(TZylFact::Key),
                                 view->FactShown(TZylFact::Loudness)};
    };
    using TShown = std::vector<bool>;
    EXPECT_EQ(shown(list), (TShown{true, true, false}));
    QMenu* columns = SubMenu(*deck.Form->PlaylistPopup, QStringLiteral("Columns"));
    ASSERT_NE(columns, nullptr);
    MenuEntry(*columns, QStringLiteral("BPM"))->trigger();
    MenuEntry(*columns, QStringLiteral("Loudness (LUFS)"))->trigger();
    EXPECT_EQ(shown(list), (TShown{false, true, true}));
    // The title takes the width the hidden column left.
    const int title = list->columnWidth(1);
    MenuEntry(*columns, QStringLiteral("Key"))->trigger();
    EXPECT_GT(list->columnWidth(1), title);

    deck.Form->FormClose();
    TDeck restarted({}, TDeck::StoredSettings(ReadSettings()));
    EXPECT_EQ(shown(restarted.Form->PlayList), (TShown{false, false, true}));
    columns = SubMenu(*restarted.Form->PlaylistPopup, QStringLiteral("Columns"));
    emit columns->aboutToShow();
    std::vector<bool> checks;
    for (QAction* entry : columns->actions())
        checks.push_back(entry->isChecked());
    EXPECT_EQ(checks, (TShown{false, false, true}));
}
