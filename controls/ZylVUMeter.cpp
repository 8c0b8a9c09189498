#include "controls/ZylVUMeter.h"

#include "controls/ZylImageList.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

namespace {

int SaturatingIncrement(int value) {
    return value == INT_MAX ? value : value + 1;
}

} // namespace

TZylVUMeter::TZylVUMeter(QWidget* parent) : TZylControl(parent) {
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] { TimerTick(); });
    m_timer->start(kTickMs); // runs for the meter's whole life
    SetStyle(ecsCustomDraw);
    SetDoubleClicks(true);
}

TZylVUMeter::~TZylVUMeter() {
    m_timer->stop();
    m_timer->disconnect();
}

void TZylVUMeter::CalcMetrics() {
    const int ledHeight = GetImageSize().height();
    m_ledCount = ZylLedCount(GetHeight(), ledHeight, m_ledSpacing);
    m_range = float(m_maxValue - m_minValue);
    m_ledsPerUnit = ZylLedsPerUnit(m_ledCount, m_maxValue - m_minValue);
    m_fallStep = m_ledsPerUnit > 0
                     ? float(double(m_ledCount) / double(m_ledsPerUnit) * double(m_autoFallOff))
                     : 0.0f;
    m_redLeds = ZylLitLeds(double(m_redValue) - m_minValue, m_ledsPerUnit);
    m_fullRedraw = true;
}

void TZylVUMeter::MeasureControl(int& width, int& height) {
    CalcMetrics();
    const QSize led = GetImageSize();
    width = 2 * led.width() + m_channelSpacing;
    height = m_ledCount * led.height() + (m_ledCount - 1) * m_ledSpacing;
}

void TZylVUMeter::SetVMLevels(int left, int right, bool instant) {
    const int inputs[2] = {isEnabled() ? left : 0, isEnabled() ? right : 0};
    const TZylVUMeterMode mode = instant ? vmInmediateRaise : m_mode;
    std::array<int, 2> lit{};
    for (int ch = 0; ch < 2; ++ch) {
        float x = float(double(inputs[ch]) - m_minValue);
        if (m_sqrtLevels && x > 0) {
            x = ZylSqrtLevel(x, m_range);
        }
        m_level[ch] = ZylSmoothLevel(mode, m_level[ch], x, m_weights, m_range);
        lit[ch] = ZylLitLeds(m_level[ch], m_ledsPerUnit);
    }
    if (lit != m_lit) {
        m_lit = lit;
        Redraw();
    }
}

void TZylVUMeter::SetLevels(int left, int right) {
    // The first input after a pause longer than the keep time rises at once.
    SetVMLevels(left, right, m_ticksSinceInput > m_levelKeepCycles);
    m_ticksSinceInput = 0;
    UpdatePeaks();
}

void TZylVUMeter::DoAutoFallOff() {
    m_ticksSinceInput = m_levelKeepCycles;
}

void TZylVUMeter::TimerTick() {
    if (m_testMode) {
        std::uniform_int_distribution<int> level(0, std::max(m_maxValue, 0));
        const int left = level(m_random);
        SetLevels(left, level(m_random));
    } else if (m_ticksSinceInput >= m_levelKeepCycles) {
        auto fallen = [&](int ch) {
            return int(std::trunc(double(m_level[ch]) - m_fallStep)) + m_minValue;
        };
        SetVMLevels(fallen(0), fallen(1), false);
    }
    UpdatePeaks();
    m_ticksSinceInput = SaturatingIncrement(m_ticksSinceInput);
    m_peakHold[0] = SaturatingIncrement(m_peakHold[0]);
    m_peakHold[1] = SaturatingIncrement(m_peakHold[1]);
}

void TZylVUMeter::Advance(int ms) {
    m_timer->stop();
    for (m_gatheredMs += ms; m_gatheredMs >= kTickMs; m_gatheredMs -= kTickMs) {
        TimerTick();
    }
}

bool TZylVUMeter::AtRest() const {
    constexpr std::array<int, 2> dark{};
    return !m_testMode && m_lit == dark && m_peakLed == dark;
}

void TZylVUMeter::UpdatePeaks() {
    std::array<int, 2> peakLed{};
    for (int ch = 0; ch < 2; ++ch) {
        if (m_level[ch] > m_peak[ch]) {
            m_peak[ch] = m_level[ch];
            m_peakHold[ch] = 0;
        } else if (m_peakHold[ch] >= m_peakKeepCycles) {
            m_peak[ch] =
                float(double(m_peakFallOff) * m_level[ch] + (1.0 - m_peakFallOff) * m_peak[ch]);
        }
        peakLed[ch] = ZylLitLeds(m_peak[ch], m_ledsPerUnit);
    }
    if (peakLed != m_peakLed) {
        m_peakLed = peakLed;
        Redraw();
    }
}

void TZylVUMeter::DrawLed(QPainter& canvas, int column, int led, bool lit) {
    const QSize size = GetImageSize();
    GetImages()->Draw(unsigned(ZylLedCell(led, lit, m_redLeds)), canvas, column,
                      (m_ledCount - led) * (size.height() + m_ledSpacing));
}

void TZylVUMeter::DrawChannel(QPainter& canvas, int ch, bool full) {
    const int column = ch == 0 ? 0 : GetImageSize().width() + m_channelSpacing;
    const int lit = m_lit[ch];
    if (full) {
        for (int k = m_ledCount; k >= 1; --k) {
            DrawLed(canvas, column, k, k <= lit);
        }
        if (m_peaks && m_peakLed[ch] > lit) {
            DrawLed(canvas, column, m_peakLed[ch], true);
        }
        return;
    }
    const int drawn = m_drawnLit[ch];
    for (int k = drawn + 1; k <= lit; ++k) {
        DrawLed(canvas, column, k, true);
    }
    for (int k = lit + 1; k <= drawn; ++k) {
        DrawLed(canvas, column, k, false);
    }
    if (m_peaks) {
        if (m_drawnPeakLed[ch] > lit) {
            DrawLed(canvas, column, m_drawnPeakLed[ch], false);
        }
        if (m_peakLed[ch] > lit) {
            DrawLed(canvas, column, m_peakLed[ch], true);
        }
    }
}

void TZylVUMeter::DrawControl(QPainter& canvas) {
    const bool full = m_fullRedraw;
    if (full) {
        canvas.fillRect(Surface().rect(), ZylToQColor(m_backgroundColor));
        m_fullRedraw = false;
    }
    DrawChannel(canvas, 0, full);
    DrawChannel(canvas, 1, full);
    m_drawnLit = m_lit;
    m_drawnPeakLed = m_peakLed;
}

void TZylVUMeter::RecalcAndRedraw() {
    CalcMetrics();
    Redraw();
}

void TZylVUMeter::SetChannelSpacing(int pixels) {
    pixels = std::max(pixels, 0);
    if (pixels != m_channelSpacing) {
        m_channelSpacing = pixels;
        CalcMetrics();
        Resize();
    }
}

void TZylVUMeter::SetLedSpacing(int pixels) {
    pixels = std::max(pixels, 0);
    if (pixels != m_ledSpacing) {
        m_ledSpacing = pixels;
        CalcMetrics();
        Resize();
    }
}

void TZylVUMeter::SetTestMode(bool on) {
    m_testMode = on;
    if (on) {
        m_random.seed(
            std::uint_fast32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    }
}

void TZylVUMeter::SetMaxValue(int value) {
    if (value == m_maxValue) {
        return;
    }
    m_maxValue = value;
    if (m_minValue >= m_maxValue) {
        m_minValue = m_maxValue - 1;
    }
    m_redValue = std::min(m_redValue, m_maxValue);
    RecalcAndRedraw();
}

void TZylVUMeter::SetMinValue(int value) {
    if (value == m_minValue) {
        return;
    }
    m_minValue = value;
    if (m_maxValue <= m_minValue) {
        m_maxValue = m_minValue + 1;
    }
    m_redValue = std::max(m_redValue, m_minValue);
    RecalcAndRedraw();
}

void TZylVUMeter::SetRedValue(int value) {
    value = std::clamp(value, m_minValue, m_maxValue);
    if (value != m_redValue) {
        m_redValue = value;
        RecalcAndRedraw();
    }
}

void TZylVUMeter::SetPeaks(bool on) {
    m_peaks = on;
    if (!on) {
        m_fullRedraw = true;
        Redraw();
    }
}

void TZylVUMeter::SetLevelFallOff(float weight) {
    m_weights.LevelFallOff = ZylClampWeight(weight);
}

void TZylVUMeter::SetLevelUpFallOff(float weight) {
    m_weights.LevelUpFallOff = ZylClampWeight(weight);
}

void TZylVUMeter::SetPeakFallOff(float weight) {
    m_peakFallOff = ZylClampWeight(weight);
}

void TZylVUMeter::SetAutoFallOff(float weight) {
    m_autoFallOff = ZylClampWeight(weight);
    RecalcAndRedraw();
}

void TZylVUMeter::SetLevelKeepCycles(int ticks) {
    m_levelKeepCycles = std::max(ticks, 0);
}

void TZylVUMeter::SetPeakKeepCycles(int ticks) {
    m_peakKeepCycles = std::max(ticks, 0);
}

void TZylVUMeter::SetBackgroundColor(TZylColor color) {
    if (color != m_backgroundColor) {
        m_backgroundColor = color;
        m_fullRedraw = true;
        Redraw();
    }
}

void TZylVUMeter::Loaded() {
    TZylControl::Loaded();
    CalcMetrics();
    m_testMode = false; // there is no design view to show random levels in
}

void TZylVUMeter::ImageChanged() {
    TZylControl::ImageChanged();
    CalcMetrics();
    Invalidate();
}

void TZylVUMeter::SizeChanged() {
    TZylControl::SizeChanged();
    // Re-measuring keeps the surface as large as the LEDs that now fit.
    DoMeasureControl();
    Invalidate();
}
