// The horizontal LED bar of the song position; redraws only the LEDs that
// changed on its off-screen surface.
#pragma once

#include "controls/ZylControl.h"

class TZylProgressBar : public TZylControl {
public:
    explicit TZylProgressBar(QWidget* parent = nullptr);

    int GetValue() const { return m_value; }
    // Clamps; repaints at once only when the lit count changes.
    void SetValue(int value);
    int GetLedSpacing() const { return m_ledSpacing; }
    void SetLedSpacing(int pixels);
    int GetMaxValue() const { return m_maxValue; }
    void SetMaxValue(int value);
    int GetMinValue() const { return m_minValue; }
    void SetMinValue(int value);
    int GetRedValue() const { return m_redValue; }
    void SetRedValue(int value);
    TZylColor GetBackgroundColor() const { return m_backgroundColor; }
    void SetBackgroundColor(TZylColor color);

    int GetLedCount() const { return m_ledCount; }
    int GetRedLeds() const { return m_redLeds; }
    int GetLitLeds() const { return m_lit; }

protected:
    void Loaded() override;
    void ImageChanged() override;
    void SizeChanged() override;
    void MeasureControl(int& width, int& height) override;
    void DrawControl(QPainter& canvas) override;

private:
    void CalcMetrics();
    bool UpdateStatus();
    void RecalcAndRedraw();
    void DrawLed(QPainter& canvas, int led, bool lit);

    int m_ledSpacing = 1;
    int m_maxValue = 100;
    int m_minValue = 0;
    int m_redValue = 80;
    int m_value = 0;
    TZylColor m_backgroundColor = clBlack;

    int m_ledCount = 0;
    float m_ledsPerUnit = 0.0f;
    int m_redLeds = 0;
    int m_lit = 0;
    int m_drawnLit = 0;
    bool m_fullRedraw = true;
};
