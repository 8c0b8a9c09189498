// The jog wheel: while the deck plays it bends the pitch through the
// touch-bend knob, as a hand on the platter would; while the deck is paused
// it nudges the position finely, without scratching. The bend ends when the
// hand leaves the platter (the touch sensor) or the wheel stops; a wheel
// reports no stop, so a short silence of its messages counts as one.
//
// Window thread only.
#pragma once

#include <QTimer>

class TMainForm;

class TVxJogWheel {
public:
    // A turning wheel sends a message every few milliseconds; this long
    // without one, it has stopped.
    static constexpr int kStopMs = 20;
    // Bend per step of one message, in the knob's units (0.001 %).
    static constexpr int kBendPerStep = 400;
    // A platter turns once in 1.8 s at 33 1/3 rpm: a whole turn while paused
    // moves the position by that much.
    static constexpr int kTurnMs = 1800;
    // Steps of a whole turn when the mapping does not say.
    static constexpr int kDefaultTicksPerTurn = 128;

    explicit TVxJogWheel(TMainForm& form);

    void Turn(double steps, int ticksPerTurn);
    // The hand on (true) or off the platter.
    void Touch(bool touched);

private:
    void EndBend();

    TMainForm& form_;
    QTimer stop_;
};
