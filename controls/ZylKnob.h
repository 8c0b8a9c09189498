// The skinned rotary knob: one strip frame per position, turned by dragging
// the mouse up and down.
#pragma once

#include "controls/ZylControl.h"

// Frame shown for a value: (value - min) * frames per value, truncated.
int ZylKnobFrame(int value, int minValue, float framesPerValue);
// Value after a vertical drag of `pixels` (upward positive) from `startValue`.
int ZylKnobDragValue(int startValue, int pixels, float valuesPerPixel);

class TZylKnob : public TZylControl {
public:
    explicit TZylKnob(QWidget* parent = nullptr);

    int GetMinValue() const { return m_minValue; }
    void SetMinValue(int value);
    int GetMaxValue() const { return m_maxValue; }
    void SetMaxValue(int value);
    int GetValue() const { return m_value; }
    void SetValue(int value);
    // As SetValue without OnChange.
    void ManualSet(int value);
    int GetMoveRange() const { return m_moveRange; }
    void SetMoveRange(int pixels);
    bool GetReverse() const { return m_reverse; }
    void SetReverse(bool value) { m_reverse = value; }
    int GetDefaultValue() const { return m_defaultValue; }
    void SetDefaultValue(int value);
    bool GetDefaultEnabled() const { return m_defaultEnabled; }
    void SetDefaultEnabled(bool value) { m_defaultEnabled = value; }
    bool GetCtrlEnabled() const { return m_ctrlEnabled; }
    void SetCtrlEnabled(bool value) { m_ctrlEnabled = value; }

    TZylNotifyEvent OnChange;

protected:
    void ImageChanged() override;
    void Loaded() override;
    void MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) override;
    void MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) override;
    void MouseMove(TZylShiftState shift, int x, int y) override;
    void DblClick() override;

private:
    void CalcMetrics();
    void UpdateStatus();
    int Clamp(int value) const;

    int m_minValue = -10;
    int m_maxValue = 10;
    int m_value = 0;
    int m_moveRange = 50;
    bool m_reverse = false;
    int m_defaultValue = 0;
    bool m_defaultEnabled = true;
    bool m_ctrlEnabled = true;
    float m_framesPerValue = 0.0f;
    float m_valuesPerPixel = 0.0f;
    bool m_dragging = false;
    int m_dragStartY = 0;
    int m_dragStartValue = 0;
    bool m_restoreOnRelease = false;
    int m_restoreValue = 0;
};
