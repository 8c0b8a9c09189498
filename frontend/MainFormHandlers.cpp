// The deck's control handlers: every control event becomes a call on the
// player system. Mouse handlers act for the left button only.
#include "frontend/MainForm.h"

#include "controls/ZylButton.h"
#include "controls/ZylImage.h"
#include "controls/ZylKnob.h"
#include "controls/ZylLabel.h"
#include "controls/ZylSlider.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistView.h"

#include <QWindow>

namespace {

constexpr std::uint64_t kPrevRestartWindowMs = 2000;

template <typename Handler> TZylMouseEvent LeftButton(Handler handler) {
    return [handler](TZylControl*, TZylMouseButton button, TZylShiftState, int, int) {
        if (button == mbLeft)
            handler();
    };
}

template <typename Handler> TZylNotifyEvent Notify(Handler handler) {
    return [handler](TZylControl*) { handler(); };
}

} // namespace

void TMainForm::ConnectHandlers() {
    btnPlay->OnMouseDown = LeftButton([this] { btnPlayMouseDown(); });
    btnCUE->OnMouseDown = LeftButton([this] { btnCUEMouseDown(); });
    btnCUE->OnMouseUp = LeftButton([this] { btnCUEMouseUp(); });
    btnFF->OnMouseDown = LeftButton([this] { btnFFMouseDown(); });
    btnFF->OnMouseUp = LeftButton([this] { btnFFMouseUp(); });
    btnRW->OnMouseDown = LeftButton([this] { btnRWMouseDown(); });
    btnRW->OnMouseUp = LeftButton([this] { btnRWMouseUp(); });
    btnFast->OnMouseDown = LeftButton([this] { btnFastMouseDown(); });
    btnFast->OnMouseUp = LeftButton([this] { btnFastMouseUp(); });
    btnSlow->OnMouseDown = LeftButton([this] { btnSlowMouseDown(); });
    btnSlow->OnMouseUp = LeftButton([this] { btnSlowMouseUp(); });
    btnMute->OnMouseDown = LeftButton([this] { btnMuteMouseDown(); });
    btnMute->OnMouseUp = LeftButton([this] { btnMuteMouseUp(); });
    btnTime->OnMouseDown = LeftButton([this] { btnTimeMouseDown(); });
    btnRealTime->OnMouseDown = LeftButton([this] { btnRealTimeMouseDown(); });
    btnKeyLock->OnMouseDown = LeftButton([this] { btnKeyLockMouseDown(); });
    btnNext->OnMouseUp = LeftButton([this] { btnNextMouseUp(); });
    btnPrev->OnMouseUp = LeftButton([this] { btnPrevMouseUp(); });
    btnConfig->OnMouseUp = LeftButton([this] { btnConfigMouseUp(); });
    btnOpen->OnMouseUp = LeftButton([this] { btnOpenMouseUp(); });
    btnHelp->OnMouseDown = LeftButton([this] { btnHelpMouseDown(); });
    btnClose->OnClick = Notify([this] { btnCloseClick(); });
    btnMinimize->OnClick = Notify([this] { btnMinimizeClick(); });
    SysMenu->OnDblClick = Notify([this] { btnCloseClick(); });
    imgLogoClick->OnDblClick = Notify([this] { imgLogoClickDblClick(); });
    LedPitch->OnDblClick = Notify([this] { LedPitchDblClick(); });
    LabelTrack->OnDblClick = Notify([this] { TogglePlaylist(); });

    Pitch->OnChange = Notify([this] { PitchChange(); });
    TouchBend->OnChange = Notify([this] { TouchBendChange(); });
    TouchBend->OnMouseUp = LeftButton([this] { TouchBendMouseUp(); });
    Position->OnChange = Notify([this] { PositionChange(); });
    Volume->OnChange = Notify([this] { VolumeChange(); });
    Balance->OnChange = Notify([this] { BalanceChange(); });
    DownMix->OnChange = Notify([this] { DownMixChange(); });

    // Dragging the title bar (or the title on it) moves the window.
    const TZylAdvMouseEvent titleBarMouseDown =
        [this](TZylControl*, const TZylMouseMessage& message, bool& handled) {
            if (message.Button != mbLeft)
                return;
            if (QWindow* window = windowHandle())
                window->startSystemMove();
            handled = true;
        };
    TitleBar->OnAdvMouseDown = titleBarMouseDown;
    Title->OnAdvMouseDown = titleBarMouseDown;
}

void TMainForm::btnPlayMouseDown() {
    system_->PlayPause();
}

void TMainForm::btnCUEMouseDown() {
    system_->CuePress();
}

void TMainForm::btnCUEMouseUp() {
    system_->CueRelease();
}

int TMainForm::SearchKind() const {
    return ((Modifiers & kCtrl) != 0 ? 2 : 0) + ((Modifiers & kShift) != 0 ? 1 : 0) +
           ((Modifiers & kAlt) != 0 ? 4 : 0);
}

void TMainForm::btnFFMouseDown() {
    searchHeld_ = true;
    system_->SearchForwardPress(SearchKind());
}

void TMainForm::btnFFMouseUp() {
    system_->SearchForwardRelease();
    searchHeld_ = false;
}

void TMainForm::btnRWMouseDown() {
    searchHeld_ = true;
    system_->SearchBackwardPress(SearchKind());
}

void TMainForm::btnRWMouseUp() {
    system_->SearchBackwardRelease();
    searchHeld_ = false;
}

// The kind of a bend press; false when Alt asks for a step that only the
// accurate pitch has.
bool TMainForm::BendKind(int& kind) const {
    kind = ((Modifiers & kCtrl) != 0 ? 2 : 0) + ((Modifiers & kShift) != 0 ? 1 : 0);
    if ((Modifiers & kAlt) == 0)
        return true;
    if (config_.AccuratePitch.Value == 0)
        return false;
    kind += 4;
    return true;
}

void TMainForm::BendPress(void (TVxSystemTAG::*press)(int kind)) {
    int kind = 0;
    if (!BendKind(kind))
        return;
    (system_.get()->*press)(kind);
    bendHeld_ = true;
}

void TMainForm::BendRelease(void (TVxSystemTAG::*release)()) {
    (system_.get()->*release)();
    bendHeld_ = false;
    RefreshPitchDisplays(false);
}

void TMainForm::btnFastMouseDown() {
    BendPress(&TVxSystemTAG::PitchUpPress);
}

void TMainForm::btnFastMouseUp() {
    BendRelease(&TVxSystemTAG::PitchUpRelease);
}

void TMainForm::btnSlowMouseDown() {
    BendPress(&TVxSystemTAG::PitchDownPress);
}

void TMainForm::btnSlowMouseUp() {
    BendRelease(&TVxSystemTAG::PitchDownRelease);
}

void TMainForm::PitchChange() {
    system_->SetPitch(Pitch->GetValue());
    RefreshPitchDisplays(false);
}

void TMainForm::TouchBendChange() {
    system_->SetTouchBend(TouchBend->GetValue());
    RefreshPitchDisplays(false);
}

void TMainForm::TouchBendMouseUp() {
    TouchBend->SetValue(0);
}

void TMainForm::LedPitchDblClick() {
    system_->SetPitch(0);
    RefreshPitchDisplays(false);
}

void TMainForm::PositionChange() {
    if (!searchHeld_)
        system_->SetPosition(static_cast<std::uint32_t>(std::max(0, Position->GetValue())));
}

void TMainForm::VolumeChange() {
    system_->SetVolume(Volume->GetValue());
    // The fader alone can put the deck on or off air: a drop refused on air
    // must follow it, not wait for the next state change.
    UpdateDropAcceptance(false);
}

void TMainForm::BalanceChange() {
    system_->SetBalance(Balance->GetValue(), 0);
}

void TMainForm::DownMixChange() {
    if (config_.DownMix.Value == 0)
        return;
    const int side = DownMix->GetValue();
    system_->SetBalance(side > 0 ? 100 : side < 0 ? -100 : 0, 1);
}

void TMainForm::btnMuteMouseDown() {
    system_->MuteOn();
}

void TMainForm::btnMuteMouseUp() {
    system_->MuteOff();
}

void TMainForm::btnTimeMouseDown() {
    system_->ToggleTimeMode();
    config_.TimeMode.Value = config_.TimeMode.Value == 0 ? 1 : 0;
    btnTime->SetStatus(config_.TimeMode.Value);
}

void TMainForm::btnRealTimeMouseDown() {
    system_->ToggleRealTime();
    config_.DisplayRealTime.Value = config_.DisplayRealTime.Value == 0 ? 1 : 0;
    btnRealTime->SetStatus(config_.DisplayRealTime.Value);
}

bool TMainForm::RefuseTrackChange() {
    if (RefuseWhileOpening())
        return true;
    if (config_.SecureTrackButtons.Value == 0 || !OnAir())
        return false;
    ShowMessage(QString::fromLatin1(vxdisplay::kMustBeStopped), vxdisplay::kShortMessageMs);
    return true;
}

bool TMainForm::RefuseWhileOpening() {
    if (!system_->IsOpening())
        return false;
    ShowMessage(QString::fromLatin1(vxdisplay::kMustBeStopped), vxdisplay::kShortMessageMs);
    return true;
}

void TMainForm::btnNextMouseUp() {
    if (RefuseTrackChange())
        return;
    const int step = PlatformCtrlDown() ? 5 : 1;
    if (!Playlist().CanJump(step))
        return;
    PlayAfterOpen = OnAir();
    Playlist().Jump(step);
    lastTrackPress_ = NowMs();
}

// The first press restarts the song; a second press within two seconds (or
// a press at the song's start) goes to the previous song.
void TMainForm::btnPrevMouseUp() {
    if (RefuseTrackChange())
        return;
    const int step = PlatformCtrlDown() ? -5 : -1;
    TVxTimeInfo time;
    system_->GetTimeInfo(time);
    const std::uint64_t now = NowMs();
    const bool longAgo = !lastTrackPress_ || now - *lastTrackPress_ >= kPrevRestartWindowMs;
    if ((longAgo && time.PositionMs != 0) || !Playlist().CanJump(step)) {
        system_->SetPosition(0);
        if (system_->State == kVxSearching)
            system_->SetState(kVxPlaying);
    } else {
        PlayAfterOpen = OnAir();
        Playlist().Jump(step);
    }
    lastTrackPress_ = now;
}

void TMainForm::btnConfigMouseUp() {
    ShowOptions(false);
}

void TMainForm::imgLogoClickDblClick() {
    ShowOptions(true);
}

void TMainForm::btnHelpMouseDown() {
    if (helpMode_)
        HelpOff();
    else
        HelpOn();
}

void TMainForm::btnCloseClick() {
    close();
}

void TMainForm::btnMinimizeClick() {
    showMinimized();
}
