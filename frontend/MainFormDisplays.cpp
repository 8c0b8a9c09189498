// What the deck's displays show: messages and their time-outs, the pitch and
// value displays, song information, time, levels, the track number, and the
// help mode with its hints.
#include "frontend/MainForm.h"

#include "controls/ZylButton.h"
#include "controls/ZylImage.h"
#include "controls/ZylLabel.h"
#include "controls/ZylProgressBar.h"
#include "controls/ZylSlider.h"
#include "controls/ZylVUMeter.h"
#include "frontend/VxHintLayout.h"
#include "frontend/VxHintManager.h"
#include "frontend/VxHints.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistView.h"

#include <QScreen>
#include <QStringDecoder>

namespace {

constexpr int kStartupHintHidePauseMs = 60000;
constexpr int kHelpHintHidePauseMs = 1000000;
constexpr int kHintHidePauseMs = 10000;

// Song titles come from file names (UTF-8 here) or from ID3 tags, whose
// texts are Latin-1.
QString TitleText(const char* bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes));
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text);
}

} // namespace

void TMainForm::SetMessageLine(TZylLabel* label, const QString& text) {
    label->SetCaption(text);
}

void TMainForm::ShowMessage(const QString& text, std::uint32_t timeoutMs) {
    SetMessageLine(LabelMessage2, text);
    StartMessageTimeout(timeoutMs);
}

void TMainForm::ShowMessages(const QString& line1, const QString& line2, std::uint32_t timeoutMs) {
    SetMessageLine(LabelMessage1, line1);
    SetMessageLine(LabelMessage2, line2);
    StartMessageTimeout(timeoutMs);
}

// The display timer, which may stand still, times the message out.
void TMainForm::StartMessageTimeout(std::uint32_t timeoutMs) {
    messageTimeout_.Start(timeoutMs, NowMs());
    if (timeoutMs != 0)
        TimerUpdate.Poke();
}

void TMainForm::RefreshPitchDisplays(bool force) {
    TVxPitchInfo info;
    system_->GetPitchInfo(info);
    const bool accurate = config_.AccuratePitch.Value != 0;
    if (info.Pitch != lastPitchShown_ || force) {
        LabelPitch->SetCaption(Latin1(vxdisplay::PitchText(info.Pitch, accurate)));
        LedPitch->SetImageIndex(info.Pitch == 0 ? 1 : 0);
        lastPitchShown_ = info.Pitch;
    }
    std::string value = vxdisplay::ValueText(info.Bend, info.SlideStep,
                                             config_.ShowPitchBendValue.Value != 0, accurate);
    // A running bend's value wins; otherwise the song's value chosen.
    if (value == vxdisplay::kValueBlank)
        value = valueDisplay_.LcdText(songTempo_, info.Pitch, KeyNotation());
    LabelValue->SetCaption(Latin1(value));
    if (Pitch->GetValue() != info.Pitch)
        Pitch->ManualSet(info.Pitch);
}

void TMainForm::CycleValueDisplay() {
    valueDisplay_.Cycle();
    RefreshPitchDisplays(true);
    ShowValueCaption(true);
}

// The message line names the key or loudness the value display shows, until
// the next message; back at the tempo, which the display shows whole, it
// says so for a moment.
void TMainForm::ShowValueCaption(bool cycled) {
    const bool tempo = valueDisplay_.Shown() == TVxValueDisplay::TShown::Tempo;
    if (tempo && !cycled)
        return;
    ShowMessage(QString::fromStdString(valueDisplay_.Caption(songTempo_, KeyNotation())),
                tempo ? vxdisplay::kShortMessageMs : 0);
}

TVxKeyNotation TMainForm::KeyNotation() const {
    return config_.KeyNotation.Value == 1 ? TVxKeyNotation::OpenKey : TVxKeyNotation::Camelot;
}

void TMainForm::RefreshSongInfo() {
    TVxSongInfo info;
    system_->GetSongInfo(info);
    songLengthMs_ = info.LengthMs;
    // Following the new song moves no position: the slider is set without
    // its change event, to the cue the song opened with (its start, or where
    // its music starts).
    Position->SetMinValue(0);
    Position->SetMaxValue(static_cast<int>(info.LengthMs));
    Position->SetPageSize(static_cast<int>(info.PageMs));
    TVxTimeInfo time;
    system_->GetTimeInfo(time);
    Position->ManualSet(static_cast<int>(time.SliderMs));
    Progress->SetValue(0);
    vxdisplay::TProgressRange range;
    if (vxdisplay::ProgressRangeFor(info.LengthMs, range)) {
        Progress->SetMinValue(0);
        Progress->SetMaxValue(range.Max);
        Progress->SetRedValue(range.RedValue);
    }
    const int bufferMax = static_cast<int>(info.BufferBytes / 100);
    Buffer->SetValue(0);
    Buffer->SetMinValue(0);
    Buffer->SetMaxValue(bufferMax);
    Buffer->SetRedValue(bufferMax);
    const QString title = TitleText(info.Title);
    Title->SetCaption(title);
    setWindowTitle(title);
    RefreshTrack();
}

void TMainForm::RefreshTime() {
    TVxTimeInfo time;
    system_->GetTimeInfo(time);
    LabelTimeMMSS->SetCaption(QString::fromLatin1(time.TimeText));
    LabelTimeCS->SetCaption(QString::fromLatin1(time.HundredthsText));
    Progress->SetValue(static_cast<int>(time.PositionMs / 100));
    Buffer->SetValue(Buffer->GetMaxValue() - static_cast<int>(time.BufferFreeBytes / 100));
    const std::uint8_t state = system_->State;
    if (state == kVxPlaying || state == kVxCuePlaying || state == kVxSearching)
        VMetter->SetLevels(time.LevelLeft, time.LevelRight);
    else
        VMetter->DoAutoFallOff();
    VMetter->Advance(kUpdateIntervalMs);
    if (time.SliderChanged != 0 && Position->GetValue() != static_cast<int>(time.SliderMs))
        Position->ManualSet(static_cast<int>(time.SliderMs));
    LabelTimeMMSS->SetBlink(vxdisplay::TimeBlinks(state, config_.DisplayBlink.Value != 0,
                                                  static_cast<std::uint32_t>(time.ShownLengthMs),
                                                  static_cast<std::uint32_t>(time.ShownElapsedMs)));
}

void TMainForm::RefreshTrack() {
    LabelTrack->SetCaption(Latin1(vxdisplay::TrackText(Playlist().GetCurrentPosition())));
}

void TMainForm::SetUpHints() {
    TVxHintPauses pauses = hints_->Pauses();
    rememberedHintPause_ = pauses.PauseMs;
    rememberedHintShortPause_ = pauses.ShortPauseMs;
    pauses.HidePauseMs = kStartupHintHidePauseMs;
    hints_->SetPauses(pauses);
    hints_->SetShowHints(false);
    helpMode_ = false;
}

void TMainForm::HelpOn() {
    if (helpMode_)
        return;
    hints_->SetPauses({0, 0, kHelpHintHidePauseMs});
    hints_->SetMaxWidth(screen()->geometry().width());
    rememberedTitleHint_ = Title->GetHint();
    rememberedTitleShowHint_ = Title->GetShowHint();
    Title->SetHint(QString::fromUtf8(vxhints::kTitleHelpHint.data(),
                                     static_cast<qsizetype>(vxhints::kTitleHelpHint.size())));
    Title->SetShowHint(true);
    setCursor(Qt::WhatsThisCursor);
    PlayList->setCursor(Qt::WhatsThisCursor);
    hints_->SetShowHints(true);
    helpMode_ = true;
    hints_->ShowUnderCursor();
    btnHelp->SetStatus(1);
}

void TMainForm::HelpOff() {
    if (!helpMode_)
        return;
    hints_->SetPauses({rememberedHintPause_, rememberedHintShortPause_, kHintHidePauseMs});
    hints_->SetMaxWidth(kVxHintMaxWidth);
    Title->SetHint(rememberedTitleHint_);
    Title->SetShowHint(rememberedTitleShowHint_);
    unsetCursor();
    PlayList->unsetCursor();
    hints_->SetShowHints(false);
    helpMode_ = false;
    btnHelp->SetStatus(0);
}
