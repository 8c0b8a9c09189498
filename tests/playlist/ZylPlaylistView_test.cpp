// The list view mirrors its model and turns Qt events into model operations.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QUrl>

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
    EXPECT_EQ(Text(1, 2), QStringLiteral("-"));
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
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/new song.mp3"))});
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
    EXPECT_EQ(dropped, (std::vector<std::string>{"/music/new song.mp3"}));
}
