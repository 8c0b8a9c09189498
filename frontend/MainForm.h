// The player's only main window: a borderless, skinned deck of 384 by 223
// pixels. It owns the player system, the output device list, the skin's
// image lists and the controls; it turns every control event into a call on
// the player system, and its 37 ms update timer polls the player system and
// refreshes the displays. The player system never calls the window.
//
// Everything here runs on the window thread, except OnSongInfoCreate of the
// playlist (PlayListSongInfoCreate), which the scan thread calls.
#pragma once

#include "engine/VxSystem.h"
#include "engine/device/ZylDS.h"
#include "frontend/VxDeviceListing.h"
#include "frontend/VxDisplayText.h"
#include "frontend/VxDisplayTimer.h"
#include "frontend/VxInstanceLock.h"
#include "frontend/VxOpenAside.h"
#include "frontend/VxTempoFeed.h"
#include "frontend/VxValueDisplay.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QMenu;
class QAction;
class QKeyEvent;
class TGlobalConfigTAG;
class TVxPlaylistFacts;
class TVxTapTempo;
class TVxTempoWorker;
class TVxLevelAndCue;
class TVxHintManager;
class TVxHotKey;
class TZylButton;
class TZylFont;
class TZylImage;
class TZylImageList;
class TZylKnob;
class TZylLabel;
class TZylPlaylist;
class TZylPlaylistPanel;
class TZylPlaylistView;
class QFileDialog;
class TZylProgressBar;
class TZylSlider;
class TZylVUMeter;
struct TSongInfo;

class TMainForm;

// The keyboard reader's side of the window (installed by the keyboard
// module): started at the end of FormCreate, re-acquired on activation,
// released on deactivation, stopped on close; every key message of the
// window goes to KeyMessage.
class IVxFormKeyboard {
public:
    virtual ~IVxFormKeyboard() = default;
    virtual void Start(TMainForm& form) = 0;
    virtual void Stop() = 0;
    virtual void Reacquire() = 0;
    virtual void ReleaseAll() = 0;
    virtual void KeyMessage(QKeyEvent* event) = 0;
};

// The options dialog as the window runs it (installed by the dialog's
// module). aboutPage opens it on its About page; afterwards, if the About
// page is still the active one, the page that was active before returns.
class IVxOptionsDialog {
public:
    virtual ~IVxOptionsDialog() = default;
    virtual void Show(TMainForm& form, bool aboutPage) = 0;
};

// The few platform facts the controller asks for, replaceable by tests.
struct TVxFormPlatform {
    // The clock of the window's time-outs and of the player system; null: the
    // steady system clock.
    TVxClock* Clock = nullptr;
    // Tests step the player system's worker by hand.
    bool ManualWorker = false;
    // Tests wait for tempo results, which a busy machine would hold back.
    bool TempoAtLowPriority = true;
    // The platform's own Ctrl state (the track buttons ask it directly);
    // empty: the toolkit's query.
    std::function<bool()> CtrlDown;
    // Runs the open dialog and returns the chosen files (none: cancelled);
    // empty: the dialog runs modally.
    std::function<QStringList(QFileDialog& dialog)> RunOpenDialog;
    // Stands for the running program's folder, where the log and the last
    // playlist are kept when it may be written; with its trailing '/'.
    // Empty: the running program's own folder.
    std::string ProgramFolder;
    // Lists the sound output devices; empty: the player system's own list.
    std::function<void(TZylDeviceList& devices)> EnumerateDevices;
};

// The toolkit's name filters for a filter written as "text|patterns|..."
// pairs with ';' between patterns.
QStringList VxQtNameFilters(const QString& pairs);

class TMainForm : public QWidget {
public:
    // Modifier bits as the keyboard reader saw them.
    static constexpr unsigned kShift = 1;
    static constexpr unsigned kAlt = 2;
    static constexpr unsigned kCtrl = 4;

    static constexpr int kUpdateIntervalMs = TVxDisplayTimer::kTickMs;
    static constexpr const char* kSettingsKey = "Software\\Zyl\\Vexaline\\Velm";

    // Builds the deck and starts listing the sound outputs; FormCreate
    // follows before the toolkit's loop runs. The configuration record
    // outlives the window; arguments are the program's command-line
    // arguments without the program's own name, as the bytes the system
    // gave them.
    TMainForm(TGlobalConfigTAG& config, std::vector<std::string> arguments,
              TVxFormPlatform platform = {});
    ~TMainForm() override;

    // The creation event, run once before the window is shown. The sound
    // outputs are listed meanwhile on a thread of their own, from the
    // window's construction on; the songs named at start open once they are
    // known.
    void FormCreate();
    // Window thread: waits for the sound outputs if they are still being
    // listed and takes them. False when there are none: the player has said
    // so, hidden its window and called OnEnd with ExitCode.
    bool WaitForDevices();
    int ExitCode() const { return exitCode_; }
    // Ends the run when the player cannot run (main: the toolkit's loop).
    std::function<void(int exitCode)> OnEnd;

    void ApplySettings();
    void UpdateDropAcceptance(bool scanStarting);
    void ShowOptions(bool aboutPage = false);
    void SetKeyboard(std::unique_ptr<IVxFormKeyboard> keyboard);
    void SetOptionsDialog(std::unique_ptr<IVxOptionsDialog> dialog);

    void FormActivate();
    void FormDeactivate();
    // Both key-down and key-up messages of the window (the form previews
    // every key); the key is swallowed.
    void FormKeyDown(QKeyEvent* event);
    bool FormCloseQuery();
    void FormClose();

    // Displays and hints.
    void ShowMessage(const QString& text, std::uint32_t timeoutMs);
    void ShowMessages(const QString& line1, const QString& line2, std::uint32_t timeoutMs);
    void RefreshPitchDisplays(bool force);
    void RefreshSongInfo();
    void RefreshTime();
    void RefreshTrack();
    void HelpOn();
    void HelpOff();
    bool HelpMode() const { return helpMode_; }

    // One tick of the update timer (also run by tests): true while anything
    // shown moves by itself.
    bool TimerUpdateTimer();
    bool DisplaysMoving() const;

    // Tempo: the tap key, and the worker that finds the songs' tempos.
    void TapTempo();
    // The value display's key: tempo, key, loudness in turn.
    void CycleValueDisplay();
    TVxTempoWorker* Tempo() { return tempo_.get(); }

    // Control handlers. They are published: the keyboard module presses the
    // same buttons, and tests drive them.
    void btnPlayMouseDown();
    void btnCUEMouseDown();
    void btnCUEMouseUp();
    void btnFFMouseDown();
    void btnFFMouseUp();
    void btnRWMouseDown();
    void btnRWMouseUp();
    void btnFastMouseDown();
    void btnFastMouseUp();
    void btnSlowMouseDown();
    void btnSlowMouseUp();
    void PitchChange();
    void TouchBendChange();
    void TouchBendMouseUp();
    void LedPitchDblClick();
    void PositionChange();
    void VolumeChange();
    void BalanceChange();
    void DownMixChange();
    void btnMuteMouseDown();
    void btnMuteMouseUp();
    void btnTimeMouseDown();
    void btnRealTimeMouseDown();
    void btnKeyLockMouseDown();
    // Key lock as the setting says: the deck and the button's lamp.
    void ApplyKeyLock();
    void btnNextMouseUp();
    void btnPrevMouseUp();
    void btnConfigMouseUp();
    void imgLogoClickDblClick();
    void btnHelpMouseDown();
    void btnCloseClick();
    void btnMinimizeClick();
    void btnOpenMouseUp();

    // Playlist integration.
    bool ConfirmLoad();
    void DropOnDeck(const std::vector<std::string>& paths, const QPoint& point);
    void PlayListDropFiles(int position, const std::vector<std::string>& files);
    void PlayListBeforeScanning(const std::vector<std::string>& files);
    void PlayListAfterScanning(int addedFiles, bool aborted);
    void PlayListOpenSong(TSongInfo& songInfo);
    bool PlayListSongInfoCreate(const std::string& fileName, std::string& title,
                                std::uint32_t& duration);
    void PlayListDblClick();
    void PlayListListChange();
    void PlaylistPopupPopup();
    void PopupViewID3Click();
    void PopupViewFileNamesClick();

    // The playlist panel below the deck. Showing it grows the window
    // downward by the panel's height; the deck itself never changes.
    static constexpr int kDeckHeight = 222;
    static constexpr int kPanelMinHeight = 80;
    static constexpr int kPanelMaxHeight = 1000;
    static constexpr int kPanelDefaultHeight = 240;
    bool PlaylistShown() const { return playlistShown_; }
    void SetPlaylistShown(bool shown);
    void TogglePlaylist() { SetPlaylistShown(!playlistShown_); }
    int PlaylistHeight() const { return playlistHeight_; }
    // Clamped to the panel's range and to the screen the window is on.
    void SetPlaylistHeight(int height);
    // A stored height outside the range is not a height: the default.
    static int ValidPanelHeight(int stored);

    // The deck's parts, for the keyboard module, the options dialog and tests.
    TVxSystemTAG& System() { return *system_; }
    TGlobalConfigTAG& Config() { return config_; }
    const TZylDeviceList& Devices() const { return devices_; }
    TZylPlaylist& Playlist();
    bool OnAir() const;
    // Gives up the open in progress at once, even one whose read hangs: the
    // window stops waiting for it and another song may be opened.
    void AbortOpen();

    unsigned Modifiers = 0;
    bool PlayAfterOpen = false;
    // Turns controller learn on or off (installed by the controllers' module).
    std::function<void()> ToggleControllerLearn;
    // The file name the save-list dialog offers: the playlist last loaded.
    QString SaveListFileName;

    TZylImage* Background = nullptr;
    TZylImage* TitleBar = nullptr;
    TZylLabel* Title = nullptr;
    TZylImage* SysMenu = nullptr;
    TZylButton* btnConfig = nullptr;
    TZylButton* btnHelp = nullptr;
    TZylButton* btnMinimize = nullptr;
    TZylButton* btnClose = nullptr;
    TZylVUMeter* VMetter = nullptr;
    TZylKnob* Balance = nullptr;
    TZylKnob* DownMix = nullptr;
    TZylSlider* Volume = nullptr;
    TZylButton* btnMute = nullptr;
    TZylButton* btnOpen = nullptr;
    TZylButton* btnAux1 = nullptr;
    TZylButton* btnAux2 = nullptr;
    TZylButton* btnRealTime = nullptr;
    TZylButton* btnTime = nullptr;
    TZylLabel* LabelValue = nullptr;
    TZylLabel* LabelPitch = nullptr;
    TZylLabel* LabelTrack = nullptr;
    TZylLabel* LabelTimeMMSS = nullptr;
    TZylLabel* LabelTimeCS = nullptr;
    TZylLabel* LabelMessage1 = nullptr;
    TZylLabel* LabelMessage2 = nullptr;
    TZylButton* btnPrev = nullptr;
    TZylButton* btnNext = nullptr;
    TZylButton* btnRW = nullptr;
    TZylButton* btnFF = nullptr;
    TZylButton* btnCUE = nullptr;
    TZylButton* btnPlay = nullptr;
    TZylButton* btnSlow = nullptr;
    TZylButton* btnFast = nullptr;
    TZylButton* btnKeyLock = nullptr;
    TZylSlider* Pitch = nullptr;
    TZylKnob* TouchBend = nullptr;
    TZylImage* LedPitch = nullptr;
    TZylSlider* Position = nullptr;
    TZylProgressBar* Progress = nullptr;
    TZylProgressBar* Buffer = nullptr;
    TZylImage* imgLogoClick = nullptr;
    TZylPlaylistPanel* PlaylistPanel = nullptr;
    TZylPlaylistView* PlayList = nullptr;
    QMenu* PlaylistPopup = nullptr;
    QAction* PopupOpen = nullptr;
    QAction* PopupViewID3 = nullptr;
    QAction* PopupViewFileNames = nullptr;
    QAction* PopupDeleteSelected = nullptr;
    QAction* PopupHidePlaylist = nullptr;
    TVxDisplayTimer TimerUpdate{[this] { return TimerUpdateTimer(); }};

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class TDeckBuilder;

    void BuildDeck();
    void CreatePlaylist();
    void CreatePlaylistPopup();
    void AddSortMenu();
    void StylePlaylistPanel();
    void ApplyWindowShape();
    int ScreenPanelLimit() const;
    void ApplyPanelSettings();
    void SetHandCursor();
    void StartDeviceListing();
    // The listed outputs' part of the settings: the output device.
    void ApplyOutputDevice();
    void EndWithoutSoundOutput();
    void ApplyStayOnTop(bool onTop);
    void ConnectHandlers();
    void ConnectPlaylist();
    void SetInitialRanges();
    void SettingsStartUp();
    void MoveToStartPosition();
    void SetUpHints();
    void EndOfTrack();
    void UpdateTransportButtons();
    int SearchKind() const;
    bool BendKind(int& kind) const;
    void BendPress(void (TVxSystemTAG::*press)(int kind));
    void BendRelease(void (TVxSystemTAG::*release)());
    bool RefuseTrackChange();
    // Nothing may move the list's current song or start a scan while a song
    // opens: the deck would load one song while the list shows another.
    bool RefuseWhileOpening();
    void StartMessageTimeout(std::uint32_t timeoutMs);
    std::string LastPlaylistPath() const;
    void LoadLastPlaylist();
    void SaveLastPlaylist();
    void ApplyPlaylistOptions();
    void SetMessageLine(TZylLabel* label, const QString& text);
    // A colour value of the form (0x00BBGGRR) as the toolkit's colour.
    static QColor ColorOf(std::uint32_t bgr);
    std::uint64_t NowMs();
    bool PlatformCtrlDown() const;
    void StartTempo();
    // path empty: the deck has no song.
    void TempoSongChanged(const std::string& path);
    void RefreshTempo();
    bool BackgroundAnalysisAllowed();
    void ShowValueCaption(bool cycled);
    TVxKeyNotation KeyNotation() const;
    // The leveling and auto cue options, as the settings say.
    void ApplyLevelAndCue();

    TVxInstanceLock instanceLock_;
    TGlobalConfigTAG& config_;
    std::vector<std::string> arguments_;
    TVxFormPlatform platform_;
    std::unique_ptr<TVxSystemTAG> system_;
    TZylDeviceList devices_;
    TVxDeviceListing deviceListing_;
    // What the command line named, opened once the outputs are known.
    std::vector<std::string> startFiles_;
    std::vector<std::unique_ptr<QObject>> imageLists_;
    std::unique_ptr<TVxHintManager> hints_;
    std::unique_ptr<TVxHotKey> hotKey_;
    std::unique_ptr<IVxFormKeyboard> keyboard_;
    std::unique_ptr<IVxOptionsDialog> optionsDialog_;
    std::unique_ptr<TVxTempoWorker> tempo_;
    TVxTempoFeed tempoFeed_;
    std::unique_ptr<TVxTapTempo> tap_;
    std::unique_ptr<TVxLevelAndCue> levelCue_;
    std::uint64_t tempoGeneration_ = 0;
    // The deck song's analysis (tempo at the song's own speed) and what the
    // value display shows of it.
    TVxSongTempo songTempo_;
    TVxValueDisplay valueDisplay_;
    // The songs' tempo, key and loudness in the list.
    std::unique_ptr<TVxPlaylistFacts> playlistFacts_;

    bool created_ = false;
    bool closed_ = false;
    TVxOpenAside openAside_;
    int exitCode_ = 0;
    bool searchHeld_ = false;
    bool bendHeld_ = false;
    bool dropsAccepted_ = false;
    std::optional<std::uint64_t> lastTrackPress_;
    int lastPitchShown_ = 0;
    std::uint32_t songLengthMs_ = 0;
    vxdisplay::TMessageTimeout messageTimeout_;
    bool helpMode_ = false;
    bool playlistShown_ = false;
    int playlistHeight_ = kPanelDefaultHeight;
    int rememberedHintPause_ = 0;
    int rememberedHintShortPause_ = 0;
    QString rememberedTitleHint_;
    // The count a finished scan showed; a song the scan opens while it still
    // shows keeps it on the second line beside its own result.
    QString scanCountShown_;
    bool rememberedTitleShowHint_ = false;
};
