// The deck's action table: everything the hands can do to the deck, by
// name, for the keys, the controllers and learn alike. An action holds one
// of the deck's buttons, sets a slider, turns a knob, drives the jog wheel
// or runs a command, always through the deck's own control, so that the
// window shows what the hands did.
//
// Adding an action is one line in kVxDeckActions (VxDeckActions.cpp); a key
// for it is one more line in the key map (VxKeyMap.cpp), and a controller
// reaches it by its name in a mapping file.
//
// Window thread only.
#pragma once

#include "frontend/VxJogWheel.h"

#include <functional>
#include <optional>
#include <span>
#include <string_view>

class QWidget;
class TMainForm;
class TZylButton;
class TZylKnob;
class TZylSlider;
class TVxDeckActions;
struct TVxActionEvent;

struct TVxDeckAction {
    enum TKind { Hold, Slide, Knob, Jog, JogTouch, Command };

    const char* Name;
    TKind Kind;
    TZylButton* TMainForm::*Button = nullptr;
    TZylSlider* TMainForm::*Slider = nullptr;
    TZylKnob* TMainForm::*KnobControl = nullptr;
    // Command: runs on the press and on the release.
    void (*Run)(TVxDeckActions& actions, bool pressed) = nullptr;
};

class TVxDeckActions {
public:
    // launcher starts another copy of the program.
    TVxDeckActions(TMainForm& form, std::function<void()> launcher = {});

    static std::span<const TVxDeckAction> All();
    static const TVxDeckAction* Find(std::string_view name);
    // The action whose control the widget is (for learn); null if none.
    const TVxDeckAction* OfControl(const QWidget* widget) const;

    // A button or key pressed or let go.
    void Press(const TVxDeckAction& action, bool pressed);
    // An absolute control: 0..1 over the control's range.
    void Set(const TVxDeckAction& action, double value);
    // A relative control: signed steps, and the steps of a whole turn (0:
    // not known).
    void Turn(const TVxDeckAction& action, double steps, int ticksPerTurn);
    // Where a slider or knob stands (0..1); none for other actions.
    std::optional<double> Value(const TVxDeckAction& action) const;
    // A controller's event, by the action's name; unknown names do nothing.
    void Act(const TVxActionEvent& event);

    TMainForm& Form() { return form_; }

    // State of the keyboard commands.
    bool LeftAltDown = false;
    int VolumeStep = 0;
    std::function<void()> Launcher;

private:
    TMainForm& form_;
    TVxJogWheel jog_;
};
