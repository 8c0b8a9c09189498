#include "controls/ZylSlider.h"

#include <QTimer>

#include <algorithm>
#include <climits>

TZylSlider::TZylSlider(QWidget* parent) : TZylControl(parent) {
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] { TimerTick(); });
    m_timer->start(kTickMs); // stops itself once nothing depends on it
    SetInitialSize(25, 89);
    SetStyle(ecsOffsetImage);
}

TZylSlider::~TZylSlider() {
    m_timer->stop();
    m_timer->disconnect();
}

void TZylSlider::CalcMetrics() {
    const QSize thumb = GetImageSize();
    const int travel =
        m_orientation == soVertical ? GetHeight() - thumb.height() : GetWidth() - thumb.width();
    m_travel = std::max(travel, 0); // a thumb larger than the control cannot move
    m_scale = ZylCalcSliderScale(m_travel, m_minValue, m_maxValue, m_nullZone);
    m_position = ToPhysicalValue(m_value);
}

void TZylSlider::UpdateStatus() {
    const int shown = m_reverse ? m_travel - m_position : m_position;
    if (m_orientation == soVertical) {
        SetOffsetX(0);
        SetOffsetY(shown);
    } else {
        SetOffsetX(shown);
        SetOffsetY(0);
    }
}

void TZylSlider::Refresh() {
    CalcMetrics();
    UpdateStatus();
    Invalidate();
}

void TZylSlider::Loaded() {
    TZylControl::Loaded();
    Refresh();
}

void TZylSlider::ImageChanged() {
    TZylControl::ImageChanged();
    Refresh();
}

void TZylSlider::SizeChanged() {
    TZylControl::SizeChanged();
    const QSize thumb = GetImageSize();
    if (thumb.width() >= 1 && !IsLoading()) {
        // The cross axis follows the thumb; the travel never auto-sizes.
        if (m_orientation == soVertical && GetWidth() != thumb.width()) {
            SetWidth(thumb.width());
        } else if (m_orientation == soHorizontal && GetHeight() != thumb.height()) {
            SetHeight(thumb.height());
        }
    }
    Refresh();
}

void TZylSlider::StoreValue(int value, bool notify) {
    value = std::clamp(value, m_minValue, m_maxValue);
    m_position = ToPhysicalValue(value);
    UpdateStatus();
    if (value != m_value) {
        m_value = value;
        if (notify && isEnabled() && OnChange) {
            OnChange(this);
        }
    }
}

void TZylSlider::SetValue(int value) {
    StoreValue(value, true);
}

void TZylSlider::ManualSet(int value) {
    StoreValue(value, false);
}

void TZylSlider::SetMinValue(int value) {
    m_minValue = value >= m_maxValue ? m_maxValue - 1 : value;
    m_value = std::max(m_value, m_minValue);
    CalcMetrics();
    UpdateStatus();
}

void TZylSlider::SetMaxValue(int value) {
    m_maxValue = value <= m_minValue ? m_minValue + 1 : value;
    m_value = std::min(m_value, m_maxValue);
    CalcMetrics();
    UpdateStatus();
}

void TZylSlider::SetNullZone(int value) {
    value = std::max(value, 0);
    if (value != m_nullZone) {
        m_nullZone = value;
        CalcMetrics();
        UpdateStatus();
    }
}

void TZylSlider::SetReverse(bool value) {
    if (value != m_reverse) {
        m_reverse = value;
        UpdateStatus();
    }
}

void TZylSlider::SetSmooth(bool value) {
    if (value == m_smooth) {
        return;
    }
    m_smooth = value;
    if (!value) {
        m_position = ToPhysicalValue(m_value);
        UpdateStatus();
    }
}

void TZylSlider::SetOrientation(TZylSliderOrientation orientation) {
    if (orientation == m_orientation) {
        return;
    }
    m_orientation = orientation;
    if (!IsLoading()) {
        SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    }
}

void TZylSlider::ManualDelta(int delta, int /*interval: the repeat keeps the 200 ms tick*/) {
    if (m_deltaMode != sdmPaging && delta != 0) {
        SetAutoDelta(sdmManual, delta);
    }
}

void TZylSlider::DisableDelta() {
    if (m_deltaMode != sdmPaging) {
        m_deltaMode = sdmNone;
    }
}

void TZylSlider::SetAutoDelta(TZylSliderDeltaMode mode, int delta) {
    m_timer->stop();
    m_deltaMode = mode;
    m_delta = delta;
    m_timer->start(kTickMs); // a fresh period from now
    TimerTick();
}

void TZylSlider::TimerTick() {
    if (m_deltaMode == sdmPaging) {
        // Paging steps toward the held mouse and stops once the thumb covers it.
        int d = PointPos(m_lastMouse.x(), m_lastMouse.y(), GetDestRect());
        d = m_reverse ? -d : d;
        if (m_delta > 0 && d > 0) {
            SetValue(m_value + m_pageSize);
        } else if (m_delta < 0 && d < 0) {
            SetValue(m_value - m_pageSize);
        }
    } else if (m_deltaMode == sdmManual) {
        SetValue(m_value + m_delta);
    }
    if (m_deltaMode != sdmNone && (m_value == m_maxValue || m_value == m_minValue)) {
        m_deltaMode = sdmNone;
    }
    // Saturates: a player left running for weeks must not wrap into "just pressed".
    m_elapsed = m_elapsed > INT_MAX - kTickMs ? INT_MAX : m_elapsed + kTickMs;
    StopWhenIdle();
}

bool TZylSlider::GetTimerRunning() const {
    return m_timer->isActive();
}

void TZylSlider::StopWhenIdle() {
    // With no repeat running and the last press too old to pair with a
    // second, ticks change nothing until the next press.
    if (m_deltaMode == sdmNone && m_elapsed >= m_dblClickInterval) {
        m_elapsed = INT_MAX; // still "long ago" if the interval grows later
        m_timer->stop();
    }
}

void TZylSlider::RunTimer() {
    if (!m_timer->isActive()) {
        m_timer->start(kTickMs);
    }
}

QSize TZylSlider::HalfThumb() const {
    // Halves truncate toward zero (QSize's own division would round).
    return QSize(GetImageSize().width() / 2, GetImageSize().height() / 2);
}

QPoint TZylSlider::Mirrored(int x, int y) const {
    return m_reverse ? QPoint(GetWidth() - x, GetHeight() - y) : QPoint(x, y);
}

int TZylSlider::PointPos(int x, int y, const QRect& thumb) const {
    if (thumb.contains(x, y)) {
        return 0;
    }
    return m_orientation == soVertical ? y - thumb.top() : x - thumb.left();
}

void TZylSlider::UpdatePhysicalPos(int x, int y) {
    const int p = std::clamp(m_orientation == soVertical ? y : x, 0, m_travel);
    int value;
    if (m_smooth) {
        m_position = p;
        UpdateStatus();
        value = ToLogicalValue(m_position);
    } else {
        value = ToLogicalValue(p);
        if (value == m_value) {
            return;
        }
        m_position = ToPhysicalValue(value);
        UpdateStatus();
    }
    value = std::clamp(value, m_minValue, m_maxValue);
    if (value != m_value) {
        m_value = value;
        if (isEnabled() && OnChange) {
            OnChange(this);
        }
    }
}

void TZylSlider::UpdateCursor(int x, int y) {
    if (GetDestRect().contains(x, y)) {
        setCursor(m_faderCursor);
    } else {
        unsetCursor(); // the parent's cursor (help mode sets one there)
    }
}

void TZylSlider::MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    TZylControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) {
        return;
    }
    m_deltaMode = sdmNone;
    m_lastMouse = QPoint(x, y);
    const QPoint m = Mirrored(x, y);
    const QRect thumb = GetDestRect();
    const QSize half = HalfThumb();
    const int d = PointPos(x, y, thumb);
    const bool ctrl = shift & ssCtrl;
    const bool jump = m_externalClickMode == ecmSingleClick ||
                      (m_externalClickMode == ecmDoubleClick && m_elapsed < m_dblClickInterval);
    if (!ctrl && d != 0 && jump) {
        m_jumpDrag = true;
        m_restoreOnRelease = false;
        UpdatePhysicalPos(m.x() - half.width(), m.y() - half.height());
    } else if (m_ctrlEnabled && ctrl) {
        m_restoreValue = m_value;
        m_jumpDrag = true;
        m_restoreOnRelease = true;
        UpdatePhysicalPos(m.x() - half.width(), m.y() - half.height());
    } else if (d == 0) {
        m_grab = true;
        const QPoint end = thumb.topLeft() + QPoint(thumb.width(), thumb.height());
        m_grabOffset = m_reverse ? end - QPoint(x, y) : QPoint(x, y) - thumb.topLeft();
    } else {
        SetAutoDelta(sdmPaging, m_reverse ? -d : d);
    }
    m_elapsed = 0;
    RunTimer();
    UpdateCursor(x, y);
}

void TZylSlider::MouseMove(TZylShiftState shift, int x, int y) {
    TZylControl::MouseMove(shift, x, y);
    m_lastMouse = QPoint(x, y);
    const QPoint m = Mirrored(x, y);
    if (m_grab) {
        UpdatePhysicalPos(m.x() - m_grabOffset.x(), m.y() - m_grabOffset.y());
    } else if (m_jumpDrag) {
        const QSize half = HalfThumb();
        UpdatePhysicalPos(m.x() - half.width(), m.y() - half.height());
    }
    UpdateCursor(x, y);
}

void TZylSlider::MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    TZylControl::MouseUp(button, shift, x, y);
    if (button == mbMiddle) {
        return;
    }
    m_grab = false;
    m_deltaMode = sdmNone;
    if (m_jumpDrag) {
        m_jumpDrag = false;
        // A right-button release ends a Ctrl-drag and keeps the dragged value.
        if (m_restoreOnRelease && button == mbLeft) {
            SetValue(m_restoreValue);
        }
        m_restoreOnRelease = false;
    }
    UpdateCursor(x, y);
}

void TZylSlider::MouseLeave() {
    TZylControl::MouseLeave();
    unsetCursor();
}
