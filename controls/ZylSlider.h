// The skinned fader: a one-cell thumb travelling along the control.
#pragma once

#include "controls/ZylControl.h"
#include "controls/ZylSliderScale.h"

#include <QCursor>

class QTimer;

enum TZylSliderOrientation { soVertical, soHorizontal };
enum TZylSliderExternalClickMode { ecmNormal, ecmSingleClick, ecmDoubleClick };
enum TZylSliderDeltaMode { sdmNone = 0, sdmPaging = 1, sdmManual = 2 };

class TZylSlider : public TZylControl {
public:
    static constexpr int kTickMs = 200;

    explicit TZylSlider(QWidget* parent = nullptr);
    ~TZylSlider() override;

    int GetMinValue() const { return m_minValue; }
    void SetMinValue(int value);
    int GetMaxValue() const { return m_maxValue; }
    void SetMaxValue(int value);
    int GetValue() const { return m_value; }
    // Clamps, moves the thumb to the value's exact place, fires OnChange
    // (when enabled) if the value changed.
    void SetValue(int value);
    // As SetValue without OnChange: the window follows the song this way.
    void ManualSet(int value);
    int GetNullZone() const { return m_nullZone; }
    void SetNullZone(int value);
    int GetPageSize() const { return m_pageSize; }
    void SetPageSize(int value) { m_pageSize = value; }
    bool GetReverse() const { return m_reverse; }
    void SetReverse(bool value);
    bool GetCtrlEnabled() const { return m_ctrlEnabled; }
    void SetCtrlEnabled(bool value) { m_ctrlEnabled = value; }
    bool GetSmooth() const { return m_smooth; }
    void SetSmooth(bool value);
    const QCursor& GetFaderCursor() const { return m_faderCursor; }
    void SetFaderCursor(const QCursor& cursor) { m_faderCursor = cursor; }
    TZylSliderOrientation GetOrientation() const { return m_orientation; }
    void SetOrientation(TZylSliderOrientation orientation);
    TZylSliderExternalClickMode GetExternalClickMode() const { return m_externalClickMode; }
    void SetExternalClickMode(TZylSliderExternalClickMode mode) { m_externalClickMode = mode; }
    int GetDblClickInterval() const { return m_dblClickInterval; }
    void SetDblClickInterval(int ms) { m_dblClickInterval = ms; }

    // Program-driven auto-repeat (volume keys): one step now and one per
    // 200 ms tick until DisableDelta, a press, a release or an end of the
    // range. Ignored during mouse paging. `interval` has no effect.
    void ManualDelta(int delta, int interval);
    void DisableDelta();
    TZylSliderDeltaMode GetDeltaMode() const { return m_deltaMode; }

    int GetTravel() const { return m_travel; }
    int GetPosition() const { return m_position; }
    int ToPhysicalValue(int value) const { return ZylSliderToPhysical(m_scale, value); }
    int ToLogicalValue(int position) const { return ZylSliderToLogical(m_scale, position); }

    // One step of paging or auto-repeat; run by the slider's 200 ms timer,
    // which runs only while a repeat or a press younger than the
    // double-click interval needs it.
    void TimerTick();
    bool GetTimerRunning() const;

    TZylNotifyEvent OnChange;

protected:
    void Loaded() override;
    void ImageChanged() override;
    void SizeChanged() override;
    void MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) override;
    void MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) override;
    void MouseMove(TZylShiftState shift, int x, int y) override;
    void MouseLeave() override;

private:
    void CalcMetrics();
    void UpdateStatus();
    void UpdatePhysicalPos(int x, int y);
    void UpdateCursor(int x, int y);
    int PointPos(int x, int y, const QRect& thumb) const;
    void SetAutoDelta(TZylSliderDeltaMode mode, int delta);
    void StoreValue(int value, bool notify);
    void Refresh();
    QPoint Mirrored(int x, int y) const;
    QSize HalfThumb() const;

    int m_minValue = -10;
    int m_maxValue = 10;
    int m_value = 0;
    int m_nullZone = 0;
    int m_pageSize = 2;
    bool m_reverse = false;
    bool m_ctrlEnabled = false;
    bool m_smooth = true;
    QCursor m_faderCursor;
    TZylSliderOrientation m_orientation = soVertical;
    TZylSliderExternalClickMode m_externalClickMode = ecmNormal;
    int m_dblClickInterval = 200;

    int m_travel = 0;
    int m_position = 0;
    TZylSliderScale m_scale;
    bool m_grab = false;
    QPoint m_grabOffset;
    bool m_jumpDrag = false;
    bool m_restoreOnRelease = false;
    int m_restoreValue = 0;
    QPoint m_lastMouse;
    TZylSliderDeltaMode m_deltaMode = sdmNone;
    int m_delta = 0;
    int m_elapsed = 0;
    QTimer* m_timer = nullptr;

    void StopWhenIdle();
    void RunTimer();
};
