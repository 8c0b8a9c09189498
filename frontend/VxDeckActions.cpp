#include "frontend/VxDeckActions.h"

#include "control/midi/VxMidiEngine.h"
#include "controls/ZylButton.h"
#include "controls/ZylKnob.h"
#include "controls/ZylSlider.h"
#include "frontend/MainForm.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistView.h"

#include <algorithm>
#include <cmath>

namespace {

using A = TVxDeckAction;
using TForm = TMainForm;

constexpr A HoldButton(const char* name, TZylButton* TForm::*button) {
    return {name, A::Hold, button};
}
constexpr A Fader(const char* name, TZylSlider* TForm::*slider) {
    return {name, A::Slide, nullptr, slider};
}
constexpr A Rotary(const char* name, TZylKnob* TForm::*knob) {
    return {name, A::Knob, nullptr, nullptr, knob};
}
constexpr A Command(const char* name, void (*run)(TVxDeckActions&, bool)) {
    return {name, A::Command, nullptr, nullptr, nullptr, run};
}
// A command that acts on the press only.
template <void (*Run)(TVxDeckActions&)> void OnPress(TVxDeckActions& a, bool pressed) {
    if (pressed)
        Run(a);
}
template <void (*Run)(TVxDeckActions&)> constexpr A PressCommand(const char* name) {
    return Command(name, &OnPress<Run>);
}

constexpr int kVolumeStep = 5;
constexpr int kFineVolumeStep = 1;
// Handed to ManualDelta as the key map always has; the slider's own 200 ms
// tick paces the repeat.
constexpr int kVolumeRepeatMs = 50;

void VolumeStep(TVxDeckActions& a, int direction, bool pressed) {
    TForm& form = a.Form();
    const int step =
        direction * ((form.Modifiers & TForm::kShift) != 0 ? kFineVolumeStep : kVolumeStep);
    if (pressed) {
        a.VolumeStep = step;
        form.Volume->ManualDelta(step, kVolumeRepeatMs);
    } else if ((a.VolumeStep < 0) == (step < 0)) {
        // Only a key of the running step's direction stops it.
        form.Volume->DisableDelta();
    }
}

void Modifier(TVxDeckActions& a, unsigned bit, bool on) {
    if (on)
        a.Form().Modifiers |= bit;
    else
        a.Form().Modifiers &= ~bit;
}

void ToggleHelp(TVxDeckActions& a) {
    if (a.Form().HelpMode())
        a.Form().HelpOff();
    else
        a.Form().HelpOn();
}

void Escape(TVxDeckActions& a) {
    TForm& form = a.Form();
    if (form.System().IsOpening())
        form.AbortOpen();
    else if (form.Playlist().GetScanning())
        form.Playlist().AbortScan();
    else
        form.HelpOff();
}

void SelectWholePlaylist(TVxDeckActions& a) {
    TForm& form = a.Form();
    if (form.Config().PlaylistEnabled.Value == 0)
        return;
    form.PlayList->setFocus();
    form.Playlist().SelectAll();
}

void PlayOrCue(TVxDeckActions& a) {
    a.Form().System().PlayOrCue();
}
void TapTempo(TVxDeckActions& a) {
    a.Form().TapTempo();
}
void CycleValueDisplay(TVxDeckActions& a) {
    a.Form().CycleValueDisplay();
}
void TogglePlaylist(TVxDeckActions& a) {
    a.Form().TogglePlaylist();
}
void ShowOptions(TVxDeckActions& a) {
    a.Form().ShowOptions(false);
}
void NewCopy(TVxDeckActions& a) {
    if (a.Launcher)
        a.Launcher();
}
void ToggleLearn(TVxDeckActions& a) {
    if (a.Form().ToggleControllerLearn)
        a.Form().ToggleControllerLearn();
}
void Close(TVxDeckActions& a) {
    a.Form().close();
}

// One line per action. The names are what mapping files and the manual use.
const TVxDeckAction kVxDeckActions[] = {
    HoldButton("play", &TForm::btnPlay),
    HoldButton("cue", &TForm::btnCUE),
    HoldButton("search-forward", &TForm::btnFF),
    HoldButton("search-backward", &TForm::btnRW),
    HoldButton("pitch-up", &TForm::btnFast),
    HoldButton("pitch-down", &TForm::btnSlow),
    HoldButton("next-track", &TForm::btnNext),
    HoldButton("previous-track", &TForm::btnPrev),
    HoldButton("open", &TForm::btnOpen),
    HoldButton("mute", &TForm::btnMute),
    HoldButton("time-mode", &TForm::btnTime),
    HoldButton("real-time", &TForm::btnRealTime),
    HoldButton("key-lock", &TForm::btnKeyLock),
    Fader("pitch", &TForm::Pitch),
    Fader("volume", &TForm::Volume),
    Fader("position", &TForm::Position),
    Rotary("touch-bend", &TForm::TouchBend),
    Rotary("balance", &TForm::Balance),
    {"jog", A::Jog},
    {"jog-touch", A::JogTouch},
    PressCommand<PlayOrCue>("play-or-cue"),
    PressCommand<TapTempo>("tap-tempo"),
    PressCommand<CycleValueDisplay>("value-display"),
    PressCommand<TogglePlaylist>("playlist"),
    PressCommand<SelectWholePlaylist>("select-all"),
    PressCommand<ToggleHelp>("help"),
    PressCommand<ShowOptions>("options"),
    PressCommand<Escape>("escape"),
    PressCommand<NewCopy>("new-copy"),
    PressCommand<Close>("close"),
    PressCommand<ToggleLearn>("learn"),
    Command("volume-up", [](TVxDeckActions& a, bool pressed) { VolumeStep(a, 1, pressed); }),
    Command("volume-down", [](TVxDeckActions& a, bool pressed) { VolumeStep(a, -1, pressed); }),
    Command("ctrl", [](TVxDeckActions& a, bool on) { Modifier(a, TForm::kCtrl, on); }),
    Command("shift", [](TVxDeckActions& a, bool on) { Modifier(a, TForm::kShift, on); }),
    Command("alt", [](TVxDeckActions& a, bool on) { Modifier(a, TForm::kAlt, on); }),
    Command("left-alt",
            [](TVxDeckActions& a, bool on) {
                a.LeftAltDown = on;
                Modifier(a, TForm::kAlt, on);
            }),
};

// The range of a slider or knob.
template <typename T> double Fraction(const T& control) {
    const int span = control.GetMaxValue() - control.GetMinValue();
    return span == 0 ? 0 : double(control.GetValue() - control.GetMinValue()) / span;
}
template <typename T> void SetFraction(T& control, double value) {
    const int span = control.GetMaxValue() - control.GetMinValue();
    control.SetValue(control.GetMinValue() +
                     static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * span)));
}

} // namespace

TVxDeckActions::TVxDeckActions(TMainForm& form, std::function<void()> launcher)
    : Launcher(std::move(launcher)), form_(form), jog_(form) {}

std::span<const TVxDeckAction> TVxDeckActions::All() {
    return kVxDeckActions;
}

const TVxDeckAction* TVxDeckActions::Find(std::string_view name) {
    for (const TVxDeckAction& action : kVxDeckActions)
        if (name == action.Name)
            return &action;
    return nullptr;
}

const TVxDeckAction* TVxDeckActions::OfControl(const QWidget* widget) const {
    for (const TVxDeckAction& action : kVxDeckActions) {
        if ((action.Button && form_.*action.Button == widget) ||
            (action.Slider && form_.*action.Slider == widget) ||
            (action.KnobControl && form_.*action.KnobControl == widget))
            return &action;
    }
    return nullptr;
}

void TVxDeckActions::Press(const TVxDeckAction& action, bool pressed) {
    switch (action.Kind) {
    case A::Hold:
        if (pressed)
            (form_.*action.Button)->ManualHold(false);
        else
            (form_.*action.Button)->ManualRelease();
        break;
    case A::JogTouch:
        jog_.Touch(pressed);
        break;
    case A::Command:
        action.Run(*this, pressed);
        break;
    case A::Slide: // a button on a fader or knob: its ends
    case A::Knob:
        if (pressed)
            Set(action, 1);
        break;
    case A::Jog:
        break;
    }
}

void TVxDeckActions::Set(const TVxDeckAction& action, double value) {
    if (action.Kind == A::Slide)
        SetFraction(*(form_.*action.Slider), value);
    else if (action.Kind == A::Knob)
        SetFraction(*(form_.*action.KnobControl), value);
}

void TVxDeckActions::Turn(const TVxDeckAction& action, double steps, int ticksPerTurn) {
    if (action.Kind == A::Jog) {
        jog_.Turn(steps, ticksPerTurn);
        return;
    }
    // A relative knob on a fader or knob: a whole turn sweeps the range.
    const std::optional<double> now = Value(action);
    const int turn = ticksPerTurn > 0 ? ticksPerTurn : TVxJogWheel::kDefaultTicksPerTurn;
    if (now)
        Set(action, *now + steps / turn);
}

std::optional<double> TVxDeckActions::Value(const TVxDeckAction& action) const {
    if (action.Kind == A::Slide)
        return Fraction(*(form_.*action.Slider));
    if (action.Kind == A::Knob)
        return Fraction(*(form_.*action.KnobControl));
    return std::nullopt;
}

void TVxDeckActions::Act(const TVxActionEvent& event) {
    const TVxDeckAction* action = Find(event.Action);
    if (action == nullptr)
        return;
    switch (event.Input) {
    case TVxActionEvent::Press:
    case TVxActionEvent::Release:
        Press(*action, event.Input == TVxActionEvent::Press);
        break;
    case TVxActionEvent::Set:
        Set(*action, event.Value);
        break;
    case TVxActionEvent::Turn:
        Turn(*action, event.Value, event.TicksPerTurn);
        break;
    }
}
