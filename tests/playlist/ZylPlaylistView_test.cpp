// The list view mirrors its model and turns Qt events into model operations.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "PlaylistTestSupport.h"
#include "playlist/view/ZylPlaylistView.h"

namespace {

class PlaylistView : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "playlist_view_tests";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr)
            new QApplication(argc, argv);
    }

    // Runs the window thread's event loop until the scan has been merged.
    bool WaitForScan() {
        QElapsedTimer timer;
        timer.start();
        while (View.Playlist().GetScanning() && timer.elapsed() < 120000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return !View.Playlist().GetScanning();
    }

    void Fill() {
        View.Playlist().SetExtensions({"mp3"});
        View.Playlist().AddFiles({Tree.File("a.mp3"), Tree.File("Band_-_Tune.mp3")},
                                 TZylPlaylist::kAppend);
        EXPECT_FALSE(View.isEnabled());
        ASSERT_TRUE(WaitForScan());
    }

    QString Text(int row, int column) { return View.model()->index(row, column).data().toString(); }
    int Rows() { return View.model()->rowCount(); }

    TTempTree Tree;
    TZylPlaylistView View;
};

} // namespace

TEST_F(PlaylistView, RowsFollowTheModel) {
    Fill();
    EXPECT_TRUE(View.isEnabled());
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Text(1, 0), QStringLiteral("2"));
    EXPECT_EQ(Text(1, 1), QStringLiteral("Band - Tune"));
    EXPECT_EQ(Text(1, View.model()->columnCount() - 1), QStringLiteral("-")); // the length
    View.Playlist().JumpTo(1);
    EXPECT_EQ(Text(1, 0), QString::fromUtf8("\xC2\xBB 2"));
    EXPECT_EQ(Text(0, 0), QStringLiteral("1"));
    View.Playlist().MoveItem(1, 0);
    EXPECT_EQ(Text(0, 0), QString::fromUtf8("\xC2\xBB 1"));
    EXPECT_EQ(Text(0, 1), QStringLiteral("Band - Tune"));
}

TEST_F(PlaylistView, SelectionMadeInTheViewIsDeletedFromTheModel) {
    Fill();
    View.selectionModel()->select(View.model()->index(0, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(View.Playlist().IsSelected(0));
    EXPECT_EQ(View.Playlist().DeleteSelected(), 1);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Text(0, 1), QStringLiteral("Band - Tune"));
}

TEST_F(PlaylistView, FilesDroppedFromTheDesktopAreAnnouncedWithTheRowUnderThem) {
    Fill();
    View.resize(300, 200);
    std::vector<std::string> dropped;
    int position = -9;
    View.Playlist().OnDropFiles = [&](TZylPlaylist&, int where,
                                      const std::vector<std::string>& files) {
        position = where;
        dropped = files;
    };
    QMimeData data;
    // A file manager names a file that is not UTF-8 by its bytes, encoded.
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/new song.mp3")),
                  QUrl::fromEncoded("file:///music/caf%E9%20%C3%A9.mp3")});
    QPoint onFirstRow = View.visualRect(View.model()->index(0, 1)).center();
    // Qt hands a drop to the widget that accepted the drag's entry.
    auto dragAndDrop = [&] {
        QDragEnterEvent enter(onFirstRow, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(View.viewport(), &enter);
        QDropEvent drop(onFirstRow, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(View.viewport(), &drop);
        return enter.isAccepted();
    };
    EXPECT_FALSE(dragAndDrop()); // drops are not accepted by default
    EXPECT_TRUE(dropped.empty());

    View.Playlist().SetDragAcceptFiles(true);
    EXPECT_TRUE(dragAndDrop());
    EXPECT_EQ(position, 0);
    EXPECT_EQ(dropped,
              (std::vector<std::string>{"/music/new song.mp3", "/music/caf\xE9 \xC3\xA9.mp3"}));
}

namespace {

// What the model told its views, one line per signal.
class TReports : public QObject {
public:
    explicit TReports(QAbstractItemModel& model) {
        connect(&model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) { Add("insert", first, last); });
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex&, int first, int last) { Add("remove", first, last); });
        connect(&model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) {
                    Add("change", from.row(), to.row());
                });
    }
    std::vector<std::string> Take() { return std::exchange(Lines, {}); }

private:
    void Add(const char* kind, int first, int last) {
        Lines.push_back(std::string(kind) + " " + std::to_string(first) + "-" +
                        std::to_string(last));
    }
    std::vector<std::string> Lines;
};

std::string WriteM3u(TTempTree& tree, const std::string& name, int first, int count) {
    std::string lines;
    for (int i = first; i < first + count; ++i)
        lines += "song " + std::to_string(i) + ".mp3\n";
    return tree.File(name, lines);
}

} // namespace

// A large list: every change reports the rows it touched and no others, and
// the rows still read what the playlist holds.
TEST_F(PlaylistView, ChangesReportOnlyTheRowsTheyTouched) {
    const int count = 100000;
    TZylPlaylist& list = View.Playlist();
    list.SetExtensions({"mp3"});
    list.PlaylistExt = "m3u";
    list.LoadFromFile(WriteM3u(Tree, "big.m3u", 0, count));
    ASSERT_TRUE(WaitForScan());
    ASSERT_EQ(Rows(), count);
    list.JumpTo(2);
    TReports reports(*View.model());
    const std::string more = WriteM3u(Tree, "more.m3u", count, 3);
    const struct {
        const char* What;
        std::function<void()> Change;
        std::vector<std::string> Reported;
    } cases[] = {
        {"track change", [&] { list.JumpTo(50000); }, {"change 2-2", "change 50000-50000"}},
        {"move down", [&] { list.MoveItem(10, 12); }, {"change 10-12"}},
        // The current song moves one row down with the rows it passed.
        {"move up",
         [&] { list.MoveItem(99998, 7); },
         {"change 7-99998", "change 50000-50000", "change 50001-50001"}},
        {"delete",
         [&] {
             list.SetSelected(20, true);
             list.DeleteSelected();
         },
         {"remove 20-20", "change 50001-50001", "change 50000-50000"}},
        {"scan batch",
         [&] { list.AddFiles(more, TZylPlaylist::kAppend), WaitForScan(); },
         {"insert 99999-100001"}},
        // Every caption is made anew.
        {"captions", [&] { list.SetViewOptions(poShowFileNames); }, {"change 0-100001"}},
    };
    for (const auto& c : cases) {
        c.Change();
        EXPECT_EQ(reports.Take(), c.Reported) << c.What;
    }
    ASSERT_EQ(Rows(), list.GetCount());
    for (int row : {0, 7, 49999, 99998, 100001}) {
        EXPECT_EQ(Text(row, 1).toStdString(), list.GetSongInfo(row).Caption) << row;
        EXPECT_EQ(Text(row, 0).startsWith(QString::fromUtf8("\xC2\xBB")),
                  row == list.GetCurrentPosition())
            << row;
    }
}

// A title far wider than its column, in a right-to-left script, leaves the
// number and time columns exactly as a short title does.
TEST_F(PlaylistView, LongAndRightToLeftTitlesStayInsideTheirColumn) {
    Fill();
    View.resize(300, 120);
    View.show();
    TZylPlaylist& list = View.Playlist();
    std::string rightToLeft;
    for (int i = 0; i < 80; ++i)
        rightToLeft += "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD8\xB9\xD8\xA7\xD9\x84\xD9\x85 ";
    const std::string longTitles[] = {std::string(400, 'W'), rightToLeft};
    auto timeCell = [&](int row) {
        QRect cell = View.visualRect(View.model()->index(row, View.model()->columnCount() - 1));
        return View.viewport()->grab(cell).toImage();
    };
    auto setTitle = [&](int row, const std::string& title) {
        list.GetSongInfo(row).Artist.clear();
        list.GetSongInfo(row).Title = title;
        list.UpdateListItems(true);
    };
    for (int row : {0, 1}) {
        list.GetSongInfo(row).Duration = 61000;
        setTitle(row, "x");
        const QImage shortTitle = timeCell(row);
        setTitle(row, longTitles[row]);
        EXPECT_EQ(timeCell(row), shortTitle) << "row " << row;
    }
}

// Files dragged over a row show where they go in: a line over that row,
// gone when the drag leaves.
TEST_F(PlaylistView, ADragOverTheListShowsItsInsertLine) {
    Fill();
    View.resize(300, 120);
    View.show();
    View.Playlist().SetDragAcceptFiles(true);
    View.SetFontColor(Qt::red);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/new song.mp3"))});
    const QRect second = View.visualRect(View.model()->index(1, 1));
    auto lineAt = [&](int y) {
        const QImage shown = View.viewport()->grab().toImage();
        int red = 0;
        for (int x = 0; x < shown.width(); ++x)
            red += shown.pixelColor(x, y) == QColor(Qt::red) ? 1 : 0;
        return red == shown.width();
    };
    QDragEnterEvent enter(second.center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View.viewport(), &enter);
    QDragMoveEvent move(second.center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View.viewport(), &move);
    EXPECT_TRUE(lineAt(second.top()));
    QDragLeaveEvent leave;
    QApplication::sendEvent(View.viewport(), &leave);
    EXPECT_FALSE(lineAt(second.top()));
}
