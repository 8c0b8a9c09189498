#include "frontend/VxJogWheel.h"

#include "controls/ZylKnob.h"
#include "controls/ZylSlider.h"
#include "frontend/MainForm.h"

#include <algorithm>
#include <cmath>

TVxJogWheel::TVxJogWheel(TMainForm& form) : form_(form) {
    stop_.setSingleShot(true);
    stop_.setInterval(kStopMs);
    stop_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&stop_, &QTimer::timeout, [this] { EndBend(); });
}

void TVxJogWheel::Turn(double steps, int ticksPerTurn) {
    const std::uint8_t state = form_.System().State;
    if (state == kVxPlaying || state == kVxCuePlaying) {
        TZylKnob* knob = form_.TouchBend;
        const int bend = static_cast<int>(std::lround(steps * kBendPerStep));
        knob->SetValue(std::clamp(bend, knob->GetMinValue(), knob->GetMaxValue()));
        stop_.start();
        return;
    }
    if (state != kVxPaused && state != kVxCued)
        return;
    TVxTimeInfo time;
    form_.System().GetTimeInfo(time);
    const int turn = ticksPerTurn > 0 ? ticksPerTurn : kDefaultTicksPerTurn;
    const long target = static_cast<long>(time.PositionMs) + std::lround(steps * kTurnMs / turn);
    form_.Position->SetValue(static_cast<int>(
        std::clamp<long>(target, form_.Position->GetMinValue(), form_.Position->GetMaxValue())));
}

void TVxJogWheel::Touch(bool touched) {
    if (!touched)
        EndBend();
}

void TVxJogWheel::EndBend() {
    stop_.stop();
    if (form_.TouchBend->GetValue() != 0)
        form_.TouchBend->SetValue(0);
}
