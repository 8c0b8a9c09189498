// The window's life: construction, the creation event, applying the
// settings, the update timer, and closing.
#include "frontend/MainForm.h"

#include "analysis/VxTapTempo.h"
#include "analysis/VxTempoWorker.h"
#include "controls/ZylButton.h"
#include "controls/ZylImage.h"
#include "controls/ZylKnob.h"
#include "controls/ZylLabel.h"
#include "controls/ZylSlider.h"
#include "controls/ZylVUMeter.h"
#include "diag/Diag.h"
#include "engine/device/ZylAudioConfig.h"
#include "frontend/VxHintManager.h"
#include "frontend/VxHotKey.h"
#include "frontend/VxLevelAndCue.h"
#include "frontend/VxMessageBox.h"
#include "frontend/VxPlaylistFacts.h"
#include "frontend/config/GlobalConfig.h"
#include "frontend/config/ProgramDataLocation.h"
#include "playlist/view/ZylPlaylistPanel.h"
#include "playlist/view/ZylPlaylistView.h"
#include "skin/DeckLayout.h"
#include "skin/SkinFiles.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QScreen>
#include <QWindow>

#include <filesystem>

namespace {

constexpr int kMeterMinLevel = 0;
constexpr int kMeterMaxLevel = 255;
constexpr int kBlinkIntervalMs = 300;
constexpr const char* kLogFileName = "vxs.log";
constexpr const char* kLogStartBanner = "--------- Vxs log start ----------";
constexpr const char* kLogEndBanner = "---------- Vxs log end -----------\n";

void Blink(TZylButton* button) {
    if (!button->GetSequenceRunning())
        button->StartSequence(0, 1, kBlinkIntervalMs, false);
}

} // namespace

TMainForm::TMainForm(TGlobalConfigTAG& config, std::vector<std::string> arguments,
                     TVxFormPlatform platform)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), config_(config),
      arguments_(std::move(arguments)), platform_(std::move(platform)) {
    // First: the listing takes longer than all the rest of the start.
    StartDeviceListing();
    setObjectName(QStringLiteral("MainForm"));
    setFixedSize(VxDeck::WindowWidth, VxDeck::WindowHeight);
    QPalette background = palette();
    background.setColor(QPalette::Window, ColorOf(VxDeck::FormColor));
    setPalette(background);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    BuildDeck();
    CreatePlaylist();
    ApplyWindowShape();
    ConnectHandlers();
    hints_ = std::make_unique<TVxHintManager>(this);
    hotKey_ = std::make_unique<TVxHotKey>(this);
    UpdateDropAcceptance(false);
}

TMainForm::~TMainForm() {
    TimerUpdate.Stop();
    // The other threads' news would reach the timer as it goes.
    if (tempo_ != nullptr)
        tempo_->SetNewsHook({});
    if (system_ != nullptr)
        system_->SetChangeHook({});
    // The keyboard and the dialog work on the controls: they go first.
    keyboard_.reset();
    optionsDialog_.reset();
    // The list's scan thread asks the player system about files, and the
    // controls draw from the image lists: both go before what they use.
    delete PlaylistPanel;
    PlaylistPanel = nullptr;
    PlayList = nullptr;
    const QObjectList owned = children(); // a copy: deleting changes the list
    for (QObject* child : owned)
        if (child->isWidgetType())
            delete child;
    system_.reset();
    if (!devices_.empty())
        TVxSystemTAG::FreeOutputDeviceList(devices_);
}

QColor TMainForm::ColorOf(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xff), static_cast<int>((bgr >> 8) & 0xff),
                  static_cast<int>((bgr >> 16) & 0xff));
}

std::uint64_t TMainForm::NowMs() {
    return (platform_.Clock != nullptr ? *platform_.Clock : VxDefaultClock()).NowMs();
}

bool TMainForm::PlatformCtrlDown() const {
    if (platform_.CtrlDown)
        return platform_.CtrlDown();
    return (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier) != 0;
}

bool TMainForm::OnAir() const {
    return system_ != nullptr && system_->State == kVxPlaying && system_->Volume != 0;
}

void TMainForm::FormCreate() {
    SetHandCursor();
    TVxSystemSetup setup;
    setup.ManualWorker = platform_.ManualWorker;
    setup.Clock = platform_.Clock;
    system_ = std::make_unique<TVxSystemTAG>(static_cast<void*>(this), setup);
    // The display timer stops while the deck stands still: the engine's
    // changes start it again.
    system_->SetChangeHook([this] { TimerUpdate.Poke(); });
    SetInitialRanges();
    ShowMessages(QString::fromLatin1(vxdisplay::kIdleLine1),
                 QString::fromLatin1(vxdisplay::kReadyLine2), vxdisplay::kStartupMessageMs);
    RefreshPitchDisplays(false);
    SettingsStartUp();
    StartTempo();
    SetUpHints();
    TimerUpdate.Start();
    if (keyboard_ != nullptr)
        keyboard_->Start(*this);
    created_ = true;
}

void TMainForm::StartDeviceListing() {
    TVxDeviceListing::TEnumerate enumerate = platform_.EnumerateDevices;
    if (!enumerate)
        enumerate = [](TZylDeviceList& devices) { TVxSystemTAG::EnumerateOutputDevices(devices); };
    deviceListing_.Start(std::move(enumerate), this, [this] { WaitForDevices(); });
}

bool TMainForm::WaitForDevices() {
    if (!deviceListing_.Pending())
        return !devices_.empty();
    devices_ = deviceListing_.Take();
    if (devices_.empty()) {
        EndWithoutSoundOutput();
        return false;
    }
    ApplyOutputDevice();
    if (!startFiles_.empty())
        Playlist().AddFiles(std::exchange(startFiles_, {}), TZylPlaylist::kReplace);
    else if (config_.ListKeepLast.Value != 0)
        LoadLastPlaylist();
    return true;
}

// The run never started: nothing is saved as it ends.
void TMainForm::EndWithoutSoundOutput() {
    closed_ = true;
    TimerUpdate.Stop();
    if (keyboard_ != nullptr)
        keyboard_->Stop();
    hide();
    DiagMessageBox(kDiagIconStop, "Vexaline", "%s", vxdisplay::kNoSoundOutput);
    exitCode_ = 1;
    if (OnEnd)
        OnEnd(exitCode_);
}

void TMainForm::SetHandCursor() {
    QPixmap hand(QString::fromLatin1(VxSkin::CursorHand.Resource));
    if (hand.isNull())
        return;
    const QCursor cursor(hand, VxSkin::CursorHandHotX, VxSkin::CursorHandHotY);
    for (TZylSlider* slider : {Volume, Position, Pitch})
        slider->SetFaderCursor(cursor);
    for (TZylKnob* knob : {Balance, DownMix, TouchBend})
        knob->setCursor(cursor);
}

void TMainForm::SetInitialRanges() {
    TVxPitchLimits limits;
    system_->GetPitchLimits(limits);
    Pitch->SetMinValue(limits.Min);
    Pitch->SetMaxValue(limits.Max);
    Pitch->SetNullZone(limits.NullZone);
    Pitch->ManualSet(0);
    Volume->SetMinValue(0);
    Volume->SetMaxValue(100);
    Volume->ManualSet(system_->Volume);
    Balance->SetMinValue(-100);
    Balance->SetMaxValue(100);
    Balance->ManualSet(system_->Balance);
    VMetter->SetMinValue(kMeterMinLevel);
    VMetter->SetMaxValue(kMeterMaxLevel);
    VMetter->SetRedValue(kMeterMinLevel + (kMeterMaxLevel - kMeterMinLevel) * 3 / 4);
}

void TMainForm::SettingsStartUp() {
    TVxSystemOptions options;
    system_->GetOptions(options);
    config_.FromSystemOptions(options);
    config_.LoadSettings(kSettingsKey);
    std::vector<std::string> files;
    config_.ParseCommandLine(arguments_, files);
    if (!platform_.ProgramFolder.empty())
        config_.ProgramFolder = platform_.ProgramFolder;
    LogSetup(VxProgramDataPath(config_.ProgramFolder, kLogFileName).c_str(), kLogStartBanner,
             kLogEndBanner);
    // The start position has to fit the window at its real size.
    ApplyPanelSettings();
    MoveToStartPosition();
    ApplySettings();
    startFiles_ = std::move(files);
}

void TMainForm::MoveToStartPosition() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(0, 0);
    const TVxStartPosition start = config_.TakeStartPosition(
        screenSize.width(), screenSize.height(), kSettingsKey, width(), height());
    move(start.X, start.Y);
}

void TMainForm::ApplySettings() {
    TVxSystemOptions options;
    config_.ToSystemOptions(options);
    system_->SetOptions(options);
    btnTime->SetStatus(config_.TimeMode.Value == 1 ? 1 : 0);
    btnRealTime->SetStatus(config_.DisplayRealTime.Value != 0 ? 1 : 0);
    ApplyKeyLock();
    playlistFacts_->ApplySettings();
    UpdateDropAcceptance(false);
    if (!deviceListing_.Pending())
        ApplyOutputDevice();
    ZylSetLatencySetting(config_.OutputLatency.Value);
    hotKey_->Set(config_.HotKey);
    VMetter->SetPeaks(config_.VuMeterPeaks.Value != 0);
    TouchBend->SetReverse(config_.ReverseTouchBend.Value != 0);
    if (config_.ErrorLog.Value != 0)
        LogStart();
    else
        LogStop();
    ApplyStayOnTop(config_.StayOnTop.Value != 0);
    const bool downMix = config_.DownMix.Value != 0;
    if ((downMix && Balance->GetVisible()) || (!downMix && DownMix->GetVisible())) {
        Balance->SetValue(0);
        DownMix->SetValue(0);
        Balance->SetVisible(!downMix);
        DownMix->SetVisible(downMix);
    }
    // The engine's balance and downmix follow the knob on show, whichever
    // way the settings came (start-up, the options, a swap).
    if (downMix)
        DownMixChange();
    else
        BalanceChange();
    TVxPitchLimits limits;
    system_->GetPitchLimits(limits);
    Pitch->SetMinValue(limits.Min);
    Pitch->SetMaxValue(limits.Max);
    Pitch->SetNullZone(limits.NullZone);
    RefreshPitchDisplays(true);
    ApplyPlaylistOptions();
    ApplyPanelSettings();
    ApplyLevelAndCue();
}

void TMainForm::ApplyOutputDevice() {
    config_.CheckOutputDevice(static_cast<int>(devices_.size()));
    system_->SetOutputDevice(devices_[static_cast<std::size_t>(config_.OutputDevice.Value)].Object);
}

void TMainForm::ApplyStayOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window flag hides the window; show it again where it was,
    // without taking the focus.
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void TMainForm::UpdateDropAcceptance(bool scanStarting) {
    const bool refuse = (config_.SecureDropFiles.Value != 0 && OnAir()) ||
                        (PlayList != nullptr && Playlist().GetScanning()) || scanStarting;
    dropsAccepted_ = !refuse && !closed_;
    setAcceptDrops(dropsAccepted_);
}

bool TMainForm::TimerUpdateTimer() {
    if (system_->IsEndOfSong())
        EndOfTrack();
    if (system_->SongInfoChanged != 0)
        RefreshSongInfo();
    if (system_->StateChanged != 0) {
        system_->StateChanged = 0;
        UpdateTransportButtons();
    }
    RefreshTime();
    if (messageTimeout_.Expired(NowMs())) {
        SetMessageLine(LabelMessage1, QString::fromLatin1(vxdisplay::kIdleLine1));
        SetMessageLine(LabelMessage2, QString());
    }
    if (bendHeld_)
        RefreshPitchDisplays(false);
    RefreshTempo();
    return DisplaysMoving();
}

bool TMainForm::DisplaysMoving() const {
    const std::uint8_t state = system_->State;
    return state == kVxPlaying || state == kVxCuePlaying || state == kVxSearching || bendHeld_ ||
           searchHeld_ || messageTimeout_.TimeoutMs() != 0 || !VMetter->AtRest();
}

void TMainForm::EndOfTrack() {
    const uint8_t state = system_->State;
    if (state == kVxCuePlaying) {
        system_->SetState(kVxCued);
        return;
    }
    if (state != kVxPlaying)
        return;
    switch (config_.EndOfTrack.Value) {
    case 0:
        system_->SetState(kVxCued);
        break;
    case 1:
        if (Playlist().CanJump(1)) {
            PlayAfterOpen = true;
            Playlist().Jump(1);
        } else {
            system_->SetState(kVxCued);
        }
        break;
    case 2:
        system_->SetPosition(0);
        break;
    default:
        break;
    }
}

void TMainForm::UpdateTransportButtons() {
    switch (system_->State) {
    case kVxPaused:
    case kVxSearching:
        Blink(btnPlay);
        btnCUE->SetStatus(0);
        break;
    case kVxPlaying:
        btnPlay->SetStatus(1);
        btnCUE->SetStatus(0);
        break;
    case kVxCued:
        btnPlay->SetStatus(0);
        btnCUE->SetStatus(1);
        break;
    case kVxCuePlaying:
        btnPlay->SetStatus(0);
        Blink(btnCUE);
        break;
    default:
        btnPlay->SetStatus(0);
        btnCUE->SetStatus(0);
        break;
    }
    PlayList->SetPlaying(system_->State == kVxPlaying);
    UpdateDropAcceptance(false);
}

void TMainForm::FormActivate() {
    if (keyboard_ != nullptr)
        keyboard_->Reacquire();
    TitleBar->SetImageIndex(1);
}

void TMainForm::FormDeactivate() {
    if (keyboard_ != nullptr)
        keyboard_->ReleaseAll();
    TitleBar->SetImageIndex(0);
}

void TMainForm::FormKeyDown(QKeyEvent* event) {
    if (keyboard_ != nullptr)
        keyboard_->KeyMessage(event);
    event->accept();
}

void TMainForm::keyPressEvent(QKeyEvent* event) {
    FormKeyDown(event);
}

void TMainForm::keyReleaseEvent(QKeyEvent* event) {
    FormKeyDown(event);
}

void TMainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && created_ && !closed_) {
        if (isActiveWindow())
            FormActivate();
        else
            FormDeactivate();
    }
    QWidget::changeEvent(event);
}

void TMainForm::SetKeyboard(std::unique_ptr<IVxFormKeyboard> keyboard) {
    keyboard_ = std::move(keyboard);
}

void TMainForm::SetOptionsDialog(std::unique_ptr<IVxOptionsDialog> dialog) {
    optionsDialog_ = std::move(dialog);
}

void TMainForm::ShowOptions(bool aboutPage) {
    // The dialog offers the outputs.
    if (!WaitForDevices())
        return;
    HelpOff();
    if (optionsDialog_ != nullptr)
        optionsDialog_->Show(*this, aboutPage);
}

void TMainForm::AbortOpen() {
    system_->AbortOpen();
    openAside_.LetGo();
}

bool TMainForm::FormCloseQuery() {
    if ((config_.SecureClose.Value != 0 && OnAir()) || Playlist().GetScanning()) {
        ShowMessage(QString::fromLatin1(vxdisplay::kMustBeStopped), vxdisplay::kShortMessageMs);
        return false;
    }
    if (config_.ListConfirmClose.Value != 0 && Playlist().GetModified())
        return DiagMessageBox(kMbOkCancel | kMbIconQuestion, "Playlist changed confirm", "%s",
                              "Current playlist has changed and it is not saved, exit anyway?") ==
               kDiagIdOk;
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (closed_ || !created_) {
        event->accept();
        return;
    }
    if (openAside_.Running()) {
        // The open's wait is on the stack below: the open is given up (its
        // read may hang for ever) and the window closes once it has unwound.
        AbortOpen();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        event->ignore();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TMainForm::FormClose() {
    closed_ = true;
    setAcceptDrops(false);
    TimerUpdate.Stop();
    if (keyboard_ != nullptr) {
        // A key still held keeps a control stepping on its own timer (the
        // volume fader), which would reach the player system after it is
        // gone: every held key is let go first.
        keyboard_->ReleaseAll();
        keyboard_->Stop();
    }
    config_.SaveSettings(kSettingsKey);
    if (config_.ListKeepLast.Value != 0)
        SaveLastPlaylist();
    if (tempo_ != nullptr)
        tempo_->SetNewsHook({});
    if (system_ != nullptr)
        system_->SetChangeHook({});
    tempo_.reset();
    system_.reset();
    TVxSystemTAG::FreeOutputDeviceList(devices_);
    devices_.clear();
    LogStop();
}

std::string TMainForm::LastPlaylistPath() const {
    // Named after the program. The name keeps its case: on this system a
    // lower-cased path is another file.
    std::filesystem::path name =
        std::filesystem::path(QCoreApplication::applicationFilePath().toStdString()).filename();
    name.replace_extension(".m3u");
    return VxProgramDataPath(config_.ProgramFolder, name.string());
}

// Read from where it is saved: a list beside the program that this user
// cannot replace is not the last one.
void TMainForm::LoadLastPlaylist() {
    const std::string path = LastPlaylistPath();
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored))
        Playlist().LoadFromFile(path);
}

void TMainForm::SaveLastPlaylist() {
    const std::string path = LastPlaylistPath();
    TZylPlaylist& list = Playlist();
    list.SetOptions(static_cast<TPlaylistOptions>(list.GetOptions() | poSaveAbsolutePaths));
    if (list.GetCount() == 0) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    } else {
        list.SaveToFile(path);
    }
}
