// The two-channel LED level meter. Fed from the window's update timer, it
// smooths rising and falling levels, holds and decays a peak LED per
// channel, falls by itself when no longer fed, and redraws only the LEDs
// that changed on its off-screen surface.
#pragma once

#include "controls/ZylControl.h"
#include "controls/ZylLedMath.h"

#include <array>
#include <random>

class QTimer;

class TZylVUMeter : public TZylControl {
public:
    static constexpr int kTickMs = 50;

    explicit TZylVUMeter(QWidget* parent = nullptr);
    ~TZylVUMeter() override;

    // Feeds levels on the MinValue … MaxValue scale.
    void SetLevels(int left, int right);
    // No input will come: the meter starts falling at the next tick.
    void DoAutoFallOff();
    // One tick of self-fall and peak decay; run by the meter's 50 ms timer.
    void TimerTick();
    // Moves the meter on by ms of its owner's clock, a tick for every 50 ms
    // gathered, so that it paints with the rest of the owner's displays; the
    // meter's own timer stops for good.
    void Advance(int ms);
    // No LED lit and none to light without new input.
    bool AtRest() const;

    TZylVUMeterMode GetMode() const { return m_mode; }
    void SetMode(TZylVUMeterMode mode) { m_mode = mode; }
    int GetChannelSpacing() const { return m_channelSpacing; }
    void SetChannelSpacing(int pixels);
    int GetLedSpacing() const { return m_ledSpacing; }
    void SetLedSpacing(int pixels);
    bool GetTestMode() const { return m_testMode; }
    void SetTestMode(bool on);
    int GetMaxValue() const { return m_maxValue; }
    void SetMaxValue(int value);
    int GetMinValue() const { return m_minValue; }
    void SetMinValue(int value);
    int GetRedValue() const { return m_redValue; }
    void SetRedValue(int value);
    bool GetPeaks() const { return m_peaks; }
    void SetPeaks(bool on);
    float GetLevelFallOff() const { return m_weights.LevelFallOff; }
    void SetLevelFallOff(float weight);
    float GetLevelUpFallOff() const { return m_weights.LevelUpFallOff; }
    void SetLevelUpFallOff(float weight);
    float GetPeakFallOff() const { return m_peakFallOff; }
    void SetPeakFallOff(float weight);
    float GetAutoFallOff() const { return m_autoFallOff; }
    void SetAutoFallOff(float weight);
    int GetLevelKeepCycles() const { return m_levelKeepCycles; }
    void SetLevelKeepCycles(int ticks);
    int GetPeakKeepCycles() const { return m_peakKeepCycles; }
    void SetPeakKeepCycles(int ticks);
    TZylColor GetBackgroundColor() const { return m_backgroundColor; }
    void SetBackgroundColor(TZylColor color);
    bool GetSqrtLevels() const { return m_sqrtLevels; }
    void SetSqrtLevels(bool on) { m_sqrtLevels = on; }

    // State, for displays and tests. Channel 0 is left, 1 right.
    int GetLedCount() const { return m_ledCount; }
    int GetRedLeds() const { return m_redLeds; }
    float GetLedsPerUnit() const { return m_ledsPerUnit; }
    float GetFallStep() const { return m_fallStep; }
    float GetLevel(int channel) const { return m_level[channel & 1]; }
    float GetPeak(int channel) const { return m_peak[channel & 1]; }
    int GetLitLeds(int channel) const { return m_lit[channel & 1]; }
    int GetPeakLed(int channel) const { return m_peakLed[channel & 1]; }

protected:
    void SetVMLevels(int left, int right, bool instant);
    void UpdatePeaks();
    void Loaded() override;
    void ImageChanged() override;
    void SizeChanged() override;
    void MeasureControl(int& width, int& height) override;
    void DrawControl(QPainter& canvas) override;

private:
    void CalcMetrics();
    void RecalcAndRedraw();
    void DrawChannel(QPainter& canvas, int channel, bool full);
    void DrawLed(QPainter& canvas, int column, int led, bool lit);

    TZylVUMeterMode m_mode = vmInmediateRaise;
    int m_channelSpacing = 2;
    int m_ledSpacing = 1;
    bool m_testMode = false;
    int m_maxValue = 10;
    int m_minValue = 0;
    int m_redValue = 7;
    bool m_peaks = false;
    TZylLevelWeights m_weights;
    float m_peakFallOff = 0.05f;
    float m_autoFallOff = 0.2f;
    int m_levelKeepCycles = 1;
    int m_peakKeepCycles = 5;
    TZylColor m_backgroundColor = clBlack;
    bool m_sqrtLevels = false;

    float m_range = 10.0f;
    int m_ledCount = 0;
    float m_ledsPerUnit = 0.0f;
    int m_redLeds = 0;
    float m_fallStep = 0.0f;
    std::array<float, 2> m_level{};
    std::array<float, 2> m_peak{};
    std::array<int, 2> m_lit{};
    std::array<int, 2> m_peakLed{};
    std::array<int, 2> m_drawnLit{};
    std::array<int, 2> m_drawnPeakLed{};
    std::array<int, 2> m_peakHold{};
    int m_ticksSinceInput = 0;
    int m_gatheredMs = 0;
    bool m_fullRedraw = true;
    std::minstd_rand m_random;
    QTimer* m_timer = nullptr;
};
