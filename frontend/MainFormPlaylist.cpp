// The playlist's side of the deck: every song reaches the player through the
// playlist. The open dialog, drops, command-line files and the track buttons
// become playlist operations; the playlist's OnOpenSong opens the song.
#include "frontend/MainForm.h"

#include "controls/ZylLabel.h"
#include "diag/Diag.h"
#include "frontend/VxHints.h"
#include "frontend/VxMessageBox.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/PlaylistPaths.h"
#include "playlist/view/ZylPlaylistPanel.h"
#include "playlist/view/ZylPlaylistView.h"
#include "skin/DeckLayout.h"

#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>

#include <cstdio>

namespace {

constexpr const char* kOpenDialogTitle = "Open file(s)";
constexpr const char* kOpenDialogFilter =
    "All supported types|*.mp3;*.mp2;*.mpg;*.wav;*.m3u|MPEG Audio Files "
    "(*.mpg;*.mp2;*.mp3)|*.mp3;*.mp2;*.mpg|Microsoft Waveform Audio Files (*.wav)|*.wav|Winamp "
    "Playlist Files (*.m3u)|*.m3u|All files (*.*)|*.*";

std::vector<std::string> ToStdStrings(const QStringList& list) {
    std::vector<std::string> strings;
    strings.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& text : list)
        strings.push_back(text.toStdString());
    return strings;
}

QStringList RunFileDialog(QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

} // namespace

QStringList VxQtNameFilters(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters;
}

void TMainForm::CreatePlaylist() {
    PlaylistPanel = new TZylPlaylistPanel(this);
    PlaylistPanel->setObjectName(QStringLiteral("PlaylistPanel"));
    PlaylistPanel->hide();
    PlaylistPanel->OnHeightDrag = [this](int height) { SetPlaylistHeight(height); };
    PlayList = PlaylistPanel->View();
    PlayList->setObjectName(QStringLiteral("PlayList"));
    PlayList->setFrameShape(QFrame::NoFrame);
    PlayList->setToolTip(QString::fromUtf8(vxhints::HintFor("PlayList").data()));
    PlayList->SetShowHeader(false);
    StylePlaylistPanel();

    TZylPlaylist& list = PlayList->Playlist();
    list.SetOptions(poAutoOpen);
    list.ScanOptions = fsExpandFolders | fsExpandPlaylists;
    list.PlaylistExt = "m3u";
    list.SetExtensions({"mp3", "wav", "mp2", "mpg"});
    list.SetDragAcceptFiles(true);
    list.ScanEventInterval = 5;
    list.ThreadPriority = TThreadPriority::tpLower;

    list.OnSongInfoCreate = [this](TZylPlaylist&, const std::string& fileName, std::uint32_t,
                                   std::string&, std::string& title, std::uint32_t& duration,
                                   void*&) {
        return PlayListSongInfoCreate(fileName, title, duration);
    };
    list.OnDropFiles = [this](TZylPlaylist&, int position, const std::vector<std::string>& files) {
        PlayListDropFiles(position, files);
    };
    list.OnOpenSong = [this](TZylPlaylist&, TSongInfo& songInfo) { PlayListOpenSong(songInfo); };
    list.OnListChange = [this](TZylPlaylist&) { PlayListListChange(); };
    list.OnBeforeScanning = [this](TZylPlaylist&, const std::vector<std::string>& files) {
        PlayListBeforeScanning(files);
    };
    list.OnAfterScanning = [this](TZylPlaylist&, int added, bool aborted) {
        PlayListAfterScanning(added, aborted);
    };
    PlayList->OnOpenSelection = [this] { PlayListDblClick(); };
    CreatePlaylistPopup();
}

void TMainForm::CreatePlaylistPopup() {
    PlaylistPopup = new QMenu(this);
    PopupOpen = PlaylistPopup->addAction(QStringLiteral("&Open"));
    PlaylistPopup->setDefaultAction(PopupOpen);
    PlaylistPopup->addSeparator();
    auto* views = new QActionGroup(PlaylistPopup);
    PopupViewID3 = PlaylistPopup->addAction(QStringLiteral("View id&3 artist - title"));
    PopupViewFileNames = PlaylistPopup->addAction(QStringLiteral("View &file names"));
    for (QAction* view : {PopupViewID3, PopupViewFileNames}) {
        view->setCheckable(true);
        views->addAction(view);
    }
    PopupViewID3->setChecked(true);
    PlaylistPopup->addAction(QStringLiteral("&Edit id3 tag"))->setVisible(false);
    PlaylistPopup->addSeparator();
    AddSortMenu();
    PlaylistPopup->addSeparator();
    PopupDeleteSelected = PlaylistPopup->addAction(QStringLiteral("&Delete selected"));
    PopupHidePlaylist = PlaylistPopup->addAction(QStringLiteral("&Hide playlist"));

    connect(PopupOpen, &QAction::triggered, this, [this] { PlayListDblClick(); });
    connect(PopupDeleteSelected, &QAction::triggered, this,
            [this] { Playlist().DeleteSelected(); });
    connect(PopupHidePlaylist, &QAction::triggered, this, [this] { SetPlaylistShown(false); });

    connect(PopupViewID3, &QAction::triggered, this, [this] { PopupViewID3Click(); });
    connect(PopupViewFileNames, &QAction::triggered, this, [this] { PopupViewFileNamesClick(); });
    PlayList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PlayList, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        PlaylistPopupPopup();
        PlaylistPopup->popup(PlayList->viewport()->mapToGlobal(point));
    });
}

void TMainForm::AddSortMenu() {
    QMenu* sortBy = PlaylistPopup->addMenu(QStringLiteral("&Sort by"));
    const std::pair<const char*, TZylPlaylist::TSortKey> sorts[] = {
        {"&Unsorted", TZylPlaylist::psUnsorted},
        {"&Artist", TZylPlaylist::psArtist},
        {"&Title", TZylPlaylist::psTitle},
        {"&Length", TZylPlaylist::psLength},
    };
    for (const auto& [caption, key] : sorts)
        connect(sortBy->addAction(QString::fromLatin1(caption)), &QAction::triggered, this,
                [this, key = key] { Playlist().SortBy(key); });
    sortBy->addSeparator();
    connect(sortBy->addAction(QStringLiteral("&Shuffle")), &QAction::triggered, this,
            [this] { Playlist().Shuffle(static_cast<std::uint32_t>(NowMs())); });
}

TZylPlaylist& TMainForm::Playlist() {
    return PlayList->Playlist();
}

void TMainForm::ApplyPlaylistOptions() {
    TZylPlaylist& list = Playlist();
    auto with = [](TPlaylistOptions options, TPlaylistOptions option, bool on) {
        return static_cast<TPlaylistOptions>(on ? options | option : options & ~option);
    };
    TPlaylistOptions options = with(list.GetOptions(), poPlaylistLoop, config_.PlayListLoop.Value);
    options = with(options, poShowFileNames, config_.ListShowFileNames.Value != 0);
    list.SetViewOptions(options);
    options = with(options, poSaveAbsolutePaths, config_.ListSaveAbsolutePaths.Value != 0);
    options = with(options, poDeleteAfterPlay, config_.ListDeleteAfterPlay.Value != 0);
    list.SetOptions(options);
    list.ScanOptions = config_.ListAllowDuplicates.Value != 0
                           ? static_cast<TFileScanOptions>(list.ScanOptions | fsAllowDuplicates)
                           : static_cast<TFileScanOptions>(list.ScanOptions & ~fsAllowDuplicates);
}

bool TMainForm::ConfirmLoad() {
    if (config_.ListConfirmLoad.Value == 0 || !Playlist().GetModified())
        return true;
    return DiagMessageBox(kMbOkCancel | kMbIconQuestion, "Load playlist confirm", "%s",
                          "Current playlist has changed and it will be lost, continue?") ==
           kDiagIdOk;
}

void TMainForm::btnOpenMouseUp() {
    TZylPlaylist& list = Playlist();
    if (list.GetScanning() || !ConfirmLoad())
        return;
    FormDeactivate();
    QFileDialog dialog(this, QString::fromLatin1(kOpenDialogTitle),
                       QString::fromUtf8(config_.OpenPath.Value));
    dialog.setNameFilters(VxQtNameFilters(QString::fromLatin1(kOpenDialogFilter)));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("mp3"));
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    dialog.setOption(QFileDialog::ReadOnly);
    // The scan takes its options when it starts: files of any extension
    // chosen here are scanned.
    list.ScanOptions = static_cast<TFileScanOptions>(list.ScanOptions | fsAllowAnyExt);
    const QStringList chosen =
        platform_.RunOpenDialog ? platform_.RunOpenDialog(dialog) : RunFileDialog(dialog);
    if (!chosen.isEmpty()) {
        list.CloseCurrentSong();
        list.AddFiles(ToStdStrings(chosen), TZylPlaylist::kReplace);
        const std::string folder = ExtractFilePath(chosen.front().toStdString());
        std::snprintf(config_.OpenPath.Value, sizeof config_.OpenPath.Value, "%s", folder.c_str());
    }
    list.ScanOptions = static_cast<TFileScanOptions>(list.ScanOptions & ~fsAllowAnyExt);
    FormActivate();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (dropsAccepted_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    // A drag that entered before the deck went on air ends here refused.
    if (!dropsAccepted_) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    if (!paths.isEmpty())
        DropOnDeck(paths, event->position().toPoint());
}

void TMainForm::DropOnDeck(const QStringList& paths, const QPoint& point) {
    TZylPlaylist& list = Playlist();
    if (QRect(0, 0, VxDeck::WindowWidth, kDeckHeight).contains(point)) {
        if (!ConfirmLoad())
            return;
        list.CloseCurrentSong();
        list.AddFiles(ToStdStrings(paths), TZylPlaylist::kReplace);
        raise();
        activateWindow();
        return;
    }
    const QRect listBox(PlayList->mapTo(this, QPoint(0, 0)), PlayList->size());
    int index = -1;
    if (point.y() < listBox.top()) {
        index = 0;
    } else if (point.y() <= listBox.bottom()) {
        const QPoint inView = PlayList->viewport()->mapFrom(this, point);
        const QModelIndex item = PlayList->indexAt(inView);
        index = item.isValid() ? item.row() : -1;
    }
    list.AddFiles(ToStdStrings(paths), index);
}

void TMainForm::PlayListDropFiles(int position, const std::vector<std::string>& files) {
    TZylPlaylist& list = Playlist();
    // Songs dropped on an empty list do not replace a song already loaded.
    if (list.GetCount() == 0 && system_->SongLoaded != 0)
        list.SetOptions(static_cast<TPlaylistOptions>(list.GetOptions() & ~poAutoOpen));
    list.AddFiles(files, position);
}

void TMainForm::PlayListBeforeScanning(const std::vector<std::string>& files) {
    UpdateDropAcceptance(true);
    PlayAfterOpen = config_.PlayWhenOpen.Value != 0;
    if (files.size() == 1 && Playlist().IsPlaylistExtension(files.front())) {
        SaveListFileName = QString::fromStdString(ExtractFileName(files.front()));
        ShowMessage(QString::fromLatin1(vxdisplay::kLoadingPlaylist), 0);
    } else {
        ShowMessage(QString::fromLatin1(vxdisplay::kSearchingFiles), 0);
    }
}

void TMainForm::PlayListAfterScanning(int addedFiles, bool aborted) {
    UpdateDropAcceptance(false);
    ShowMessage(QString::fromStdString(vxdisplay::ScanEndMessage(addedFiles, aborted)),
                vxdisplay::kScanMessageMs);
    TZylPlaylist& list = Playlist();
    list.SetOptions(static_cast<TPlaylistOptions>(list.GetOptions() | poAutoOpen));
}

void TMainForm::PlayListOpenSong(TSongInfo& songInfo) {
    const QString loading = QString::fromLatin1(vxdisplay::kLoading);
    Title->SetCaption(loading);
    ShowMessage(loading, 0);
    TimerUpdate.stop();
    LabelTrack->SetCaption(QString::fromLatin1(vxdisplay::kTrackNone));
    LabelTimeMMSS->SetCaption(QString::fromLatin1(vxdisplay::kTimeMMSSLoading));
    LabelTimeCS->SetCaption(QString::fromLatin1(vxdisplay::kTimeCSInitial));
    // Drawn now: opening may take a moment. Painting these labels directly
    // runs no other handler in between, as processing all pending events
    // would.
    for (TZylLabel* label : {Title, LabelMessage2, LabelTrack, LabelTimeMMSS, LabelTimeCS})
        label->Redraw();
    LogPrintf("> Playing %s", ExtractFileName(songInfo.FileName).c_str());
    if (system_->OpenSong(songInfo.FileName.c_str(), PlayAfterOpen) != 0) {
        songInfo.Duration = 0;
        ShowMessage(QString::fromLatin1(vxdisplay::kLoadError), 0);
    } else {
        if (system_->SongInfoChanged != 0) {
            RefreshSongInfo();
            songInfo.Duration = songLengthMs_;
        }
        ShowMessage(QString::fromLatin1(vxdisplay::kLoadOk), vxdisplay::kShortMessageMs);
    }
    TimerUpdate.start();
}

// Scan thread: asks the player system's decoders, which open the file with
// decoders of their own and touch neither the window nor the loaded song.
bool TMainForm::PlayListSongInfoCreate(const std::string& fileName, std::string& title,
                                       std::uint32_t& duration) {
    char name[kSongNameSize] = "";
    std::uint32_t lengthMs = 0;
    if (system_->GetSongFileInfo(fileName.c_str(), name, &lengthMs) != 1)
        return false;
    duration = lengthMs;
    title = name;
    return true;
}

void TMainForm::PlayListDblClick() {
    TZylPlaylist& list = Playlist();
    int selected = -1;
    for (int i = 0; i < list.GetCount() && selected < 0; ++i)
        if (list.IsSelected(i))
            selected = i;
    if (selected < 0)
        return;
    if (config_.SecureTrackButtons.Value != 0 && OnAir()) {
        ShowMessage(QString::fromLatin1(vxdisplay::kMustBeStopped), vxdisplay::kShortMessageMs);
        return;
    }
    PlayAfterOpen = OnAir() || config_.PlayWhenOpen.Value != 0;
    list.JumpTo(selected);
}

void TMainForm::PlayListListChange() {
    RefreshTrack();
}

void TMainForm::PlaylistPopupPopup() {
    const int selected = Playlist().GetSelectedCount();
    PopupOpen->setEnabled(selected == 1);
    PopupDeleteSelected->setEnabled(selected >= 1);
    (config_.ListShowFileNames.Value != 0 ? PopupViewFileNames : PopupViewID3)->setChecked(true);
}

void TMainForm::PopupViewFileNamesClick() {
    TZylPlaylist& list = Playlist();
    list.SetViewOptions(static_cast<TPlaylistOptions>(list.GetOptions() | poShowFileNames));
    config_.ListShowFileNames.Value = 1;
}

void TMainForm::PopupViewID3Click() {
    TZylPlaylist& list = Playlist();
    list.SetViewOptions(static_cast<TPlaylistOptions>(list.GetOptions() & ~poShowFileNames));
    config_.ListShowFileNames.Value = 0;
}
