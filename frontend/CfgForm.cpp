// The options dialog's showing protocol and its hints.
#include "frontend/CfgForm.h"

#include "diag/Diag.h"
#include "engine/device/ZylAudioConfig.h"
#include "frontend/CfgLevelGroup.h"
#include "frontend/VxHintLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolTip>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr const char* kPitchRangeHint =
    "Sets the pitch slider range. The speed values are percentages of the original song speed.";
constexpr const char* kHotKeyHint =
    "A function key that makes the current player the active one. When more than one player "
    "are running, you can assign a different key to each one to quickly switch between them.";

// The log lies beside the program or in the user's state folder, whichever
// this run could write: the hint names the file it writes.
QString LogFileHint() {
    const QString path = QString::fromLocal8Bit(LogFilePath());
    return QStringLiteral("Instructs Vexaline to keep a record (log) of all played files as well "
                          "as all error messages. The log file is %1.")
        .arg(path.isEmpty() ? QStringLiteral("vxs.log") : path);
}

} // namespace

TCfgForm::TCfgForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CfgForm"));
    BuildPages();
    using C = TGlobalConfigTAG;
    boolControls_ = {
        {chkPlayWhenOpen, &C::PlayWhenOpen, true},
        {chkSecureClose, &C::SecureClose, true},
        {chkSecureTrack, &C::SecureTrackButtons, true},
        {chkSecureDrop, &C::SecureDropFiles, true},
        {chkExactLength_, &C::ExactSongLength, true},
        {chkRevTouchBend, &C::ReverseTouchBend, true},
        {chkLog, &C::ErrorLog, true},
        {chkStayOnTop, &C::StayOnTop, true},
        {chkVMPeaks, &C::VuMeterPeaks, true},
        {chkDisplayBlink, &C::DisplayBlink, true},
        {chkAccuratePitch_, &C::AccuratePitch, false},
        {chkDoubledPitch_, &C::DoubledPitch, false},
        {chkShowPitchBendValue, &C::ShowPitchBendValue, true},
        {chkShowPlaylist, &C::PlaylistShown, true},
        {chkPlayListLoop, &C::PlayListLoop, true},
        {chkAllowDuplicates, &C::ListAllowDuplicates, true},
        {chkKeepLast_, &C::ListKeepLast, false},
        {chkSaveAbsolutePaths_, &C::ListSaveAbsolutePaths, false},
        {chkConfirmNew_, &C::ListConfirmNew, false},
        {chkConfirmClose_, &C::ListConfirmClose, false},
        {chkConfirmDelete_, &C::ListConfirmDelete, false},
        {chkConfirmDeleteMany_, &C::ListConfirmDeleteMany, false},
        {chkDownmix, &C::DownMix, true},
        {chkShowConfigHints, &C::ShowConfigHints, true},
        {chkKeyLock_, &C::KeyLock, true},
    };
    FormCreate();
}

TCfgForm::~TCfgForm() = default;

void TCfgForm::FormCreate() {
    hints_ = {
        {chkShowConfigHints, "Enables or disables this help hints."},
        {chkPlayWhenOpen, "When checked, Vexaline starts playing automatically when you open or "
                          "drop a song. Otherwise the play button must be pressed."},
        {chkSecureClose, "When checked, Vexaline can't be closed while a song is being played."},
        {chkSecureTrack, "When checked, Vexaline prevents changing to a different song in the "
                         "playlist while the current one is being played."},
        {chkSecureDrop, "When checked, new files can't be droped on the player while a song is "
                        "being played. However, they can be dropped on the playlist editor."},
        {chkRevTouchBend, "Modifies the way of \"push\" of the song in the Touch Bend control. "
                          "When this option is checked, the song speeds up when dragging down "
                          "and its \"braked\" when dragging up."},
        {chkLog, LogFileHint()},
        {chkStayOnTop, "Makes the Vexaline window keep always visible above all other windows."},
        {chkVMPeaks, "Enables the peak level indicator in the graphic vu-meter"},
        {chkDisplayBlink, "When checked, the time display blinks when the song time is within "
                          "the last 30 seconds (the red zone in the graphic progress bar)."},
        {radPitchRange8, kPitchRangeHint},
        {radPitchRange16, kPitchRangeHint},
        {radPitchRange20, kPitchRangeHint},
        {chkShowPitchBendValue,
         "When checked, Vexaline shows the pitch bend value in the display. The pitch bend is "
         "applied with the bend buttons (+/-) or with the Touch Bend control."},
        {radStop, "Instructs Vexaline to stop the player when a song reaches its end. The song "
                  "position is set to the cue position (the Position Bar value)."},
        {radRestart, "When checked, Vexaline will play the current song in an endless loop. The "
                     "song will always restart from the beginning regardless of the current cue "
                     "position."},
        {radNext, "Instructs Vexaline to open the next song in the playlist when the current one "
                  "is ended."},
        {HotKey, kHotKeyHint},
        {LabelHotKey, kHotKeyHint},
        {chkShowPlaylist, "Shows the playlist in a panel below the deck. P or a double click on "
                          "the track display does the same."},
        {chkPlayListLoop, "When checked, advancing from the song at the end of the playlist "
                          "returns to the first one and vice versa."},
        {chkAllowDuplicates, "Allows the playlist to have repeated songs. Otherwise, repeated "
                             "songs can't be added."},
        {Devices, "The sound card or output device this player uses for output. If you change "
                  "this setting, the new selection will be used the next time a song is opened. "
                  "When more than one player are running, you can assign a different device to "
                  "each one."},
        {Latency, "How far ahead of the speakers the player prepares its sound. Automatic asks "
                  "for what the sound server prefers, at least 10 ms. Shorter is quicker to "
                  "answer the controls but may break up on a busy computer. The new setting is "
                  "used the next time a song is opened."},
        {chkDownmix, "When enabled, the two channels of the stereo signal can be mixed down and "
                     "played through one of the two sound card channels. The panning knob is "
                     "replaced by a switch that selects which of the channels (left or right) "
                     "the downmixed signal is sended to."},
        {KeyNotation, "How the songs' keys are written beside their names in the playlist and "
                      "on the message line: Camelot codes (8A is A minor) or Open Key codes (1m "
                      "is A minor). Keys that mix well have the same or a neighbouring number."},
        {chkKeyLock_, "When checked, the pitch slider and bends change the tempo only: the song "
                      "keeps its key. The KEY button beside the pitch slider and the K key "
                      "switch it too."},
    };
    for (auto& hint : LevelGroup->Hints())
        hints_.push_back(std::move(hint));
    connect(chkShowConfigHints, &QCheckBox::toggled, this, [this] { chkShowConfigHintsClick(); });
    chkShowConfigHintsClick();
}

void TCfgForm::chkShowConfigHintsClick() {
    hintsShown_ = chkShowConfigHints->isChecked();
    // A control without a tool-tip text shows no hint at all.
    for (const auto& [widget, hint] : hints_)
        widget->setToolTip(hintsShown_ ? VxLayoutHint(hint, kVxHintMaxWidth) : QString());
    if (!hintsShown_)
        QToolTip::hideText();
}

bool TCfgForm::event(QEvent* event) {
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::EnterWhatsThisMode) {
        event->accept();
        return true;
    }
    return QDialog::event(event);
}

void TCfgForm::FillFrom(TMainForm& form) {
    const TGlobalConfigTAG& config = form.Config();
    Devices->clear();
    for (const TZylDeviceListItem& device : form.Devices())
        Devices->addItem(QString::fromStdString(device.Text));
    Devices->setCurrentIndex(
        config.OutputDevice.Value < Devices->count() ? config.OutputDevice.Value : -1);
    for (const TBoolControl& control : boolControls_)
        control.Box->setChecked((config.*control.Setting).Value != 0);
    chkShowFileNames_->setChecked(config.ListShowFileNames.Value == 0);
    const int endOfTrack = config.EndOfTrack.Value;
    (endOfTrack == 0 ? radStop : endOfTrack == 1 ? radNext : radRestart)->setChecked(true);
    const int pitchRange = config.PitchRange.Value;
    (pitchRange == 0   ? radPitchRange8
     : pitchRange == 1 ? radPitchRange16
                       : radPitchRange20)
        ->setChecked(true);
    HotKey->setCurrentIndex(config.HotKey >= 0 && config.HotKey < HotKey->count() ? config.HotKey
                                                                                  : 0);
    FillLatency(config.OutputLatency.Value);
    KeyNotation->setCurrentIndex(config.KeyNotation.Value == 1 ? 1 : 0);
    LevelGroup->FillFrom(config);
    for (auto& [widget, hint] : hints_)
        if (widget == chkLog)
            hint = LogFileHint();
    // A box that did not change fired no click: the hints follow it anyway.
    chkShowConfigHintsClick();
}

void TCfgForm::StoreInto(TMainForm& form) const {
    TGlobalConfigTAG& config = form.Config();
    config.OutputDevice.Value = Devices->currentIndex();
    for (const TBoolControl& control : boolControls_)
        if (control.Edited)
            (config.*control.Setting).Value = control.Box->isChecked() ? 1 : 0;
    config.EndOfTrack.Value = radStop->isChecked() ? 0 : radNext->isChecked() ? 1 : 2;
    config.PitchRange.Value = radPitchRange8->isChecked()    ? 0
                              : radPitchRange16->isChecked() ? 1
                                                             : 2;
    config.HotKey = HotKey->currentIndex();
    config.OutputLatency.Value = kZylLatencyChoices[std::max(0, Latency->currentIndex())];
    config.KeyNotation.Value = KeyNotation->currentIndex() == 1 ? 1 : 0;
    LevelGroup->StoreInto(config);
}

// A stored value the list does not offer shows as automatic, which is what
// the device makes of it.
void TCfgForm::FillLatency(int milliseconds) {
    const auto* found =
        std::find(std::begin(kZylLatencyChoices), std::end(kZylLatencyChoices), milliseconds);
    Latency->setCurrentIndex(
        found != std::end(kZylLatencyChoices) ? static_cast<int>(found - kZylLatencyChoices) : 0);
}

int TCfgForm::RunModal() {
    if (modalRunner_)
        return modalRunner_(*this);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    return exec();
}

void TCfgForm::Show(TMainForm& form, bool aboutPage) {
    form.FormDeactivate();
    FillFrom(form);
    const int pageBefore = ConfigPages->currentIndex();
    if (aboutPage)
        ConfigPages->setCurrentWidget(PageAbout);
    // Above a deck that keeps on top, not hidden behind it.
    setWindowFlag(Qt::WindowStaysOnTopHint, form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    if (RunModal() == QDialog::Accepted) {
        StoreInto(form);
        form.ApplySettings();
    }
    if (aboutPage && ConfigPages->currentWidget() == PageAbout)
        ConfigPages->setCurrentIndex(pageBefore);
    form.FormActivate();
    if (std::exchange(learnAfterClose_, false) && form.ToggleControllerLearn)
        form.ToggleControllerLearn();
}
