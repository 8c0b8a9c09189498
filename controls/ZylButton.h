// The skinned push button: cell 2s shows status s released, 2s + 1 pressed.
// It can play a timed sequence of statuses (a blinking lamp) and be pressed
// and released by the program exactly as by the mouse.
#pragma once

#include "controls/ZylControl.h"

#include <array>
#include <vector>

class QTimer;

// The statuses StartSequence(from, to, ..., pingPong) plays, at most
// TZylButton::kMaxSequence of them.
std::vector<int> ZylBuildStatusSequence(int from, int to, bool pingPong);

class TZylButton : public TZylControl {
public:
    static constexpr int kMaxSequence = 30;

    explicit TZylButton(QWidget* parent = nullptr);
    ~TZylButton() override;

    int GetNumStatus() const { return m_numStatus; }
    void SetNumStatus(int count);
    int GetStatus() const { return m_status; }
    // Clamps, and always stops a running sequence.
    void SetStatus(int status);
    bool GetMouseUpAsClick() const { return m_mouseUpAsClick; }
    void SetMouseUpAsClick(bool value) { m_mouseUpAsClick = value; }

    // Plays the first `count` statuses (2 … 30) every `interval` ms in a loop.
    void StartSequence(int count, int interval, const int* statuses);
    void StartSequence(int from, int to, int interval, bool pingPong);
    void StopSequence();
    bool GetSequenceRunning() const;

    // Press and release from the program (keyboard). While held, the real
    // mouse is ignored. A silent hold fires no events.
    void ManualHold(bool silent);
    void ManualRelease();
    bool GetHeld() const { return m_held; }
    bool GetDownLook() const { return m_downLook; }

    // Plays one step of the sequence; run by the button's own timer.
    void SequenceTick();

protected:
    void ImageChanged() override;
    void Loaded() override;
    void Click() override;
    void MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) override;
    void MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    void ShowCell();
    void LeftPress(TZylShiftState shift, int x, int y);
    void LeftRelease(TZylShiftState shift, int x, int y);

    int m_numStatus = 1;
    int m_status = 0;
    bool m_mouseUpAsClick = false;
    bool m_pressed = false;
    bool m_downLook = false;
    bool m_held = false;
    // A mouse press made while held: its release and click are ignored too,
    // even when the hold ends first.
    bool m_pressIgnored = false;
    bool m_silentHold = false;
    std::array<int, kMaxSequence> m_sequence{};
    int m_sequenceLength = 0;
    int m_sequencePosition = 0;
    QTimer* m_timer = nullptr;
};
