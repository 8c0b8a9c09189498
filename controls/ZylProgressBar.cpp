#include "controls/ZylProgressBar.h"

#include "controls/ZylImageList.h"
#include "controls/ZylLedMath.h"

#include <QPainter>

#include <algorithm>

TZylProgressBar::TZylProgressBar(QWidget* parent) : TZylControl(parent) {
    SetStyle(ecsCustomDraw);
    SetDoubleClicks(true);
}

void TZylProgressBar::CalcMetrics() {
    m_ledCount = ZylLedCount(GetWidth(), GetImageSize().width(), m_ledSpacing);
    m_ledsPerUnit = ZylLedsPerUnit(m_ledCount, m_maxValue - m_minValue);
    m_redLeds = ZylLitLeds(double(m_redValue) - m_minValue, m_ledsPerUnit);
    m_fullRedraw = true;
    m_drawnLit = 0;
}

void TZylProgressBar::MeasureControl(int& width, int& height) {
    CalcMetrics();
    const QSize led = GetImageSize();
    width = m_ledCount * led.width() + (m_ledCount - 1) * m_ledSpacing;
    height = led.height();
}

bool TZylProgressBar::UpdateStatus() {
    m_lit = ZylLitLeds(double(m_value) - m_minValue, m_ledsPerUnit);
    return m_lit != m_drawnLit;
}

void TZylProgressBar::SetValue(int value) {
    value = std::clamp(value, m_minValue, m_maxValue);
    if (value == m_value) {
        return;
    }
    m_value = value;
    if (UpdateStatus()) {
        Redraw();
    }
}

void TZylProgressBar::DrawLed(QPainter& canvas, int led, bool lit) {
    const QSize size = GetImageSize();
    GetImages()->Draw(unsigned(ZylLedCell(led, lit, m_redLeds)), canvas,
                      (led - 1) * (size.width() + m_ledSpacing), 0);
}

void TZylProgressBar::DrawControl(QPainter& canvas) {
    if (m_fullRedraw) {
        canvas.fillRect(Surface().rect(), ZylToQColor(m_backgroundColor));
        for (int k = 1; k <= m_ledCount; ++k) {
            DrawLed(canvas, k, k <= m_lit);
        }
        m_fullRedraw = false;
    } else {
        for (int k = m_drawnLit + 1; k <= m_lit; ++k) {
            DrawLed(canvas, k, true);
        }
        for (int k = m_lit + 1; k <= m_drawnLit; ++k) {
            DrawLed(canvas, k, false);
        }
    }
    m_drawnLit = m_lit;
}

void TZylProgressBar::RecalcAndRedraw() {
    CalcMetrics();
    UpdateStatus();
    Redraw();
}

void TZylProgressBar::SetLedSpacing(int pixels) {
    pixels = std::max(pixels, 0);
    if (pixels != m_ledSpacing) {
        m_ledSpacing = pixels;
        CalcMetrics();
        UpdateStatus();
        Resize();
    }
}

void TZylProgressBar::SetMaxValue(int value) {
    if (value == m_maxValue) {
        return;
    }
    m_maxValue = value;
    if (m_minValue >= m_maxValue) {
        m_minValue = m_maxValue - 1;
    }
    m_value = std::min(m_value, m_maxValue);
    m_redValue = std::min(m_redValue, m_maxValue);
    RecalcAndRedraw();
}

void TZylProgressBar::SetMinValue(int value) {
    if (value == m_minValue) {
        return;
    }
    m_minValue = value;
    if (m_maxValue <= m_minValue) {
        m_maxValue = m_minValue + 1;
    }
    m_value = std::max(m_value, m_minValue);
    m_redValue = std::max(m_redValue, m_minValue);
    RecalcAndRedraw();
}

void TZylProgressBar::SetRedValue(int value) {
    value = std::clamp(value, m_minValue, m_maxValue);
    if (value != m_redValue) {
        m_redValue = value;
        RecalcAndRedraw();
    }
}

void TZylProgressBar::SetBackgroundColor(TZylColor color) {
    if (color != m_backgroundColor) {
        m_backgroundColor = color;
        m_fullRedraw = true;
        Redraw();
    }
}

void TZylProgressBar::Loaded() {
    TZylControl::Loaded();
    CalcMetrics();
    UpdateStatus();
}

void TZylProgressBar::ImageChanged() {
    TZylControl::ImageChanged();
    CalcMetrics();
    UpdateStatus();
    Invalidate();
}

void TZylProgressBar::SizeChanged() {
    TZylControl::SizeChanged();
    DoMeasureControl(); // also recalculates the metrics for the new width
    UpdateStatus();
    Invalidate();
}
