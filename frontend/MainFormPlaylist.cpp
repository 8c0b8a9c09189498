// The playlist's side of the deck: every song reaches the player through the
// playlist. The open dialog, drops, command-line files and the track buttons
// become playlist operations; the playlist's OnOpenSong opens the song.
#include "frontend/MainForm.h"

#include "analysis/VxTempoWorker.h"
#include "controls/ZylLabel.h"
#include "decoding/SongExtensions.h"
#include "diag/Diag.h"
#include "frontend/VxHints.h"
#include "frontend/VxLevelAndCue.h"
#include "frontend/VxMessageBox.h"
#include "frontend/VxPlaylistFacts.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/PlaylistPaths.h"
#include "playlist/view/VxFileNames.h"
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
#include <utility>

namespace {

constexpr const char* kOpenDialogTitle = "Open file(s)";
constexpr const char* kOpenDialogFilter =
    "All supported types|*.mp3;*.mp2;*.mpg;*.wav;*.flac;*.aif;*.aiff;*.aifc;*.m4a;*.mp4;*.alac;"
    "*.ogg;*.oga;*.opus;*.m3u;*.m3u8|MPEG audio|*.mp3;*.mp2;*.mpg|WAV audio|*.wav|"
    "FLAC, AIFF, MP4 and Ogg "
    "audio|*.flac;*.aif;*.aiff;*.aifc;*.m4a;*.mp4;*.alac;*.ogg;*.oga;*.opus|"
    "M3U playlists|*.m3u;*.m3u8|All files|*";

std::vector<std::string> FileSystemNames(const QStringList& list) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& name : list)
        names.push_back(VxFileSystemName(name));
    return names;
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
    playlistFacts_ = std::make_unique<TVxPlaylistFacts>(*PlayList, config_);

    TZylPlaylist& list = PlayList->Playlist();
    list.SetOptions(poAutoOpen);
    list.ScanOptions = fsExpandFolders | fsExpandPlaylists;
    list.PlaylistExt = "m3u";
    list.SetExtensions(VxSongExtensions());
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
    playlistFacts_->AddToMenus(*PlaylistPopup, *sortBy);
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
    if (list.GetScanning() || RefuseWhileOpening() || !ConfirmLoad())
        return;
    FormDeactivate();
    QFileDialog dialog(this, QString::fromLatin1(kOpenDialogTitle),
                       VxDialogFolder(config_.OpenPath.Value));
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
        const std::vector<std::string> files = FileSystemNames(chosen);
        list.AddFiles(files, TZylPlaylist::kReplace);
        // A folder too long for the setting keeps the previous one: a cut
        // name would open the next dialog somewhere else.
        config_.OpenPath.Set(ExtractFilePath(files.front()).c_str());
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
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(VxLocalFileName(url));
    event->acceptProposedAction();
    if (!paths.empty())
        DropOnDeck(paths, event->position().toPoint());
}

void TMainForm::DropOnDeck(const std::vector<std::string>& paths, const QPoint& point) {
    if (RefuseWhileOpening())
        return;
    TZylPlaylist& list = Playlist();
    if (QRect(0, 0, VxDeck::WindowWidth, kDeckHeight).contains(point)) {
        if (!ConfirmLoad())
            return;
        list.CloseCurrentSong();
        list.AddFiles(paths, TZylPlaylist::kReplace);
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
    list.AddFiles(paths, index);
}

void TMainForm::PlayListDropFiles(int position, const std::vector<std::string>& files) {
    if (RefuseWhileOpening())
        return;
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
    scanCountShown_ = QString::fromStdString(vxdisplay::ScanEndMessage(addedFiles, aborted));
    ShowMessage(scanCountShown_, vxdisplay::kScanMessageMs);
    TZylPlaylist& list = Playlist();
    list.SetOptions(static_cast<TPlaylistOptions>(list.GetOptions() | poAutoOpen));
}

void TMainForm::PlayListOpenSong(TSongInfo& songInfo) {
    // The song plays on the output the settings chose, and the sound library
    // is not opened twice at once.
    if (!WaitForDevices())
        return;
    // The deck plays on from the open under way; this song is not opened.
    if (system_->IsOpening()) {
        ShowMessage(QString::fromLatin1(vxdisplay::kMustBeStopped), vxdisplay::kShortMessageMs);
        return;
    }
    const bool keepScanCount =
        !scanCountShown_.isEmpty() && LabelMessage2->GetCaption() == scanCountShown_;
    const QString scanCount = std::exchange(scanCountShown_, QString());
    const QString loading = QString::fromLatin1(vxdisplay::kLoading);
    Title->SetCaption(loading);
    ShowMessage(loading, 0);
    LabelTrack->SetCaption(QString::fromLatin1(vxdisplay::kTrackNone));
    LabelTimeMMSS->SetCaption(QString::fromLatin1(vxdisplay::kTimeMMSSLoading));
    LabelTimeCS->SetCaption(QString::fromLatin1(vxdisplay::kTimeCSInitial));
    LogPrintf("> Playing %s", ExtractFileName(songInfo.FileName).c_str());
    // The entry may go while the window's events run during the open.
    const std::string fileName = songInfo.FileName;
    const TVxSongStart start = levelCue_ != nullptr ? levelCue_->Opening(fileName) : TVxSongStart{};
    if (tempo_ != nullptr)
        tempo_->SetBackgroundAllowed(false);
    // The update timer keeps ticking meanwhile, a second open is refused
    // until this one has returned, and ESC gives it up at once.
    const bool aborted = openAside_.Run(system_->TickLink(), fileName, PlayAfterOpen, start) != 0 &&
                         system_->WasOpenAborted();
    TSongInfo* entry = Playlist().CurrentSongInfo() == &songInfo ? &songInfo : nullptr;
    if (system_->SongLoaded == 0) {
        if (entry != nullptr && !aborted)
            entry->Duration = 0;
        TempoSongChanged({});
        ShowMessage(QString::fromLatin1(aborted ? vxdisplay::kLoadAborted : vxdisplay::kLoadError),
                    0);
    } else {
        TempoSongChanged(fileName);
        // The update timer may have taken the new information already.
        if (system_->SongInfoChanged != 0)
            RefreshSongInfo();
        if (entry != nullptr)
            entry->Duration = songLengthMs_;
        const QString ok = QString::fromLatin1(vxdisplay::kLoadOk);
        if (keepScanCount)
            ShowMessages(ok, scanCount, vxdisplay::kScanMessageMs);
        else
            ShowMessage(ok, vxdisplay::kShortMessageMs);
    }
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
    if (selected < 0 || RefuseTrackChange())
        return;
    PlayAfterOpen = OnAir() || config_.PlayWhenOpen.Value != 0;
    list.JumpTo(selected);
}

void TMainForm::PlayListListChange() {
    RefreshTrack();
    if (tempo_ != nullptr)
        tempoFeed_.ListChanged(Playlist(), *tempo_);
}

void TMainForm::PlaylistPopupPopup() {
    const int selected = Playlist().GetSelectedCount();
    PopupOpen->setEnabled(selected == 1);
    PopupDeleteSelected->setEnabled(selected >= 1);
    (config_.ListShowFileNames.Value != 0 ? PopupViewFileNames : PopupViewID3)->setChecked(true);
    playlistFacts_->PopupShowing();
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
