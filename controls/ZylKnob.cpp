#include "controls/ZylKnob.h"

#include "controls/ZylImageList.h"

#include <algorithm>
#include <climits>
#include <cmath>

int ZylKnobFrame(int value, int minValue, float framesPerValue) {
    return int(std::trunc((double(value) - double(minValue)) * double(framesPerValue)));
}

int ZylKnobDragValue(int startValue, int pixels, float valuesPerPixel) {
    const double value = double(startValue) + double(pixels) * double(valuesPerPixel);
    return int(std::trunc(std::clamp(value, double(INT_MIN), double(INT_MAX))));
}

TZylKnob::TZylKnob(QWidget* parent) : TZylControl(parent) {
    SetInitialSize(41, 41);
    SetAutoSize(true);
    SetDoubleClicks(true);
}

int TZylKnob::Clamp(int value) const {
    return std::clamp(value, m_minValue, m_maxValue);
}

void TZylKnob::CalcMetrics() {
    const double values = double(m_maxValue) - double(m_minValue) + 1;
    const unsigned frames = GetImages() ? GetImages()->GetCount() : 0;
    m_framesPerValue = float(frames / values);
    m_valuesPerPixel = float(values / m_moveRange);
}

void TZylKnob::UpdateStatus() {
    SetImageIndex(ZylKnobFrame(m_value, m_minValue, m_framesPerValue));
}

void TZylKnob::SetValue(int value) {
    value = Clamp(value);
    if (value == m_value) {
        UpdateStatus();
        return;
    }
    m_value = value;
    UpdateStatus();
    if (isEnabled() && OnChange) {
        OnChange(this);
    }
}

void TZylKnob::ManualSet(int value) {
    m_value = Clamp(value);
    UpdateStatus();
}

void TZylKnob::SetMinValue(int value) {
    m_minValue = value >= m_maxValue ? m_maxValue - 1 : value;
    m_value = Clamp(m_value);
    m_defaultValue = Clamp(m_defaultValue);
    CalcMetrics();
    UpdateStatus();
}

void TZylKnob::SetMaxValue(int value) {
    m_maxValue = value <= m_minValue ? m_minValue + 1 : value;
    m_value = Clamp(m_value);
    m_defaultValue = Clamp(m_defaultValue);
    CalcMetrics();
    UpdateStatus();
}

void TZylKnob::SetMoveRange(int pixels) {
    m_moveRange = std::max(pixels, 10);
    CalcMetrics();
}

void TZylKnob::SetDefaultValue(int value) {
    m_defaultValue = Clamp(value);
}

void TZylKnob::ImageChanged() {
    TZylControl::ImageChanged();
    CalcMetrics();
    UpdateStatus();
}

void TZylKnob::Loaded() {
    TZylControl::Loaded();
    CalcMetrics();
    UpdateStatus();
}

void TZylKnob::MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    TZylControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) {
        return;
    }
    if (m_ctrlEnabled && (shift & ssCtrl)) {
        m_restoreValue = m_value;
        m_restoreOnRelease = true;
    }
    m_dragging = true;
    m_dragStartY = y;
    m_dragStartValue = m_value;
}

void TZylKnob::MouseMove(TZylShiftState shift, int x, int y) {
    TZylControl::MouseMove(shift, x, y);
    if (m_dragging) {
        const int pixels = m_reverse ? y - m_dragStartY : m_dragStartY - y; // upward is positive
        SetValue(ZylKnobDragValue(m_dragStartValue, pixels, m_valuesPerPixel));
    }
}

void TZylKnob::MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    TZylControl::MouseUp(button, shift, x, y); // OnMouseUp sees the dragged value
    if (button != mbLeft) {
        return;
    }
    m_dragging = false;
    if (m_restoreOnRelease) {
        m_restoreOnRelease = false;
        SetValue(m_restoreValue);
    }
}

void TZylKnob::DblClick() {
    TZylControl::DblClick();
    if (m_defaultEnabled) {
        SetValue(m_defaultValue);
    }
}
