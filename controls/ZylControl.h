// The common base of the skinned controls: a non-native child widget that
// paints cells of a TZylImageList.
//
// The base turns the toolkit's events into a few overridable hooks
// (MouseDown/Up/Move, Click, DblClick, MouseEnter/Leave, ImageChanged,
// SizeChanged, MeasureControl, DrawControl, Loaded) and owns measuring,
// auto-sizing, placement of the picture and the off-screen surface used by
// controls that compose their own picture. Everything runs on the window's
// thread.
//
// A window builder sets a control up inside BeginLoading()/EndLoading():
// plain properties first, the image list last; EndLoading() runs Loaded().
#pragma once

#include "controls/ZylColor.h"
#include "controls/ZylImageList.h"

#include <QColor>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>

class QPainter;

enum TZylControlStyle { ecsImage = 0, ecsOffsetImage = 1, ecsCustomDraw = 2 };
enum TZylControlAlignment { ecaLeft, ecaCenter, ecaRight };
enum TZylControlVAlign { ecvTop, ecvMiddle, ecvBottom };

enum TZylMouseButton { mbLeft, mbRight, mbMiddle };

// Modifier keys and buttons held, as bit flags.
using TZylShiftState = unsigned;
constexpr TZylShiftState ssShift = 1u << 0;
constexpr TZylShiftState ssAlt = 1u << 1;
constexpr TZylShiftState ssCtrl = 1u << 2;
constexpr TZylShiftState ssLeft = 1u << 3;
constexpr TZylShiftState ssRight = 1u << 4;
constexpr TZylShiftState ssMiddle = 1u << 5;
constexpr TZylShiftState ssDouble = 1u << 6;

// A raw left or right button press, seen before normal press handling.
struct TZylMouseMessage {
    TZylMouseButton Button = mbLeft;
    TZylShiftState Shift = 0;
    QPoint Pos;       // in the control
    QPoint GlobalPos; // on the screen
};

class TZylControl;
using TZylNotifyEvent = std::function<void(TZylControl* sender)>;
using TZylMouseEvent = std::function<void(TZylControl* sender, TZylMouseButton button,
                                          TZylShiftState shift, int x, int y)>;
using TZylMouseMoveEvent =
    std::function<void(TZylControl* sender, TZylShiftState shift, int x, int y)>;
using TZylAdvMouseEvent =
    std::function<void(TZylControl* sender, const TZylMouseMessage& message, bool& handled)>;

class TZylControl : public QWidget {
public:
    explicit TZylControl(QWidget* parent = nullptr);
    ~TZylControl() override;

    // Loading bracket (the builder's "being read from the stored description").
    void BeginLoading();
    void EndLoading();
    bool IsLoading() const { return m_loading; }

    // Bounds in the parent's coordinates. SetBounds reports a size change
    // at once (not only when the widget is shown).
    int GetLeft() const { return x(); }
    int GetTop() const { return y(); }
    int GetWidth() const { return width(); }
    int GetHeight() const { return height(); }
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, GetTop(), GetWidth(), GetHeight()); }
    void SetTop(int top) { SetBounds(GetLeft(), top, GetWidth(), GetHeight()); }
    void SetWidth(int width) { SetBounds(GetLeft(), GetTop(), width, GetHeight()); }
    void SetHeight(int height) { SetBounds(GetLeft(), GetTop(), GetWidth(), height); }

    TZylControlStyle GetStyle() const { return m_style; }
    TZylImageList* GetImages() const { return m_images; }
    void SetImages(TZylImageList* images);
    int GetImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    bool GetTransparent() const { return m_transparent; }
    void SetTransparent(bool transparent);
    TZylColor GetTransparentColor() const { return m_transparentColor; }
    void SetTransparentColor(TZylColor color);
    TZylControlAlignment GetAlignment() const { return m_alignment; }
    void SetAlignment(TZylControlAlignment alignment);
    TZylControlVAlign GetVAlign() const { return m_vAlign; }
    void SetVAlign(TZylControlVAlign vAlign);
    bool GetAutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);
    bool GetStretch() const { return m_stretch; }
    void SetStretch(bool stretch);
    bool GetTile() const { return m_tile; }
    void SetTile(bool tile);
    int GetOffsetX() const { return m_offsetX; }
    void SetOffsetX(int offset);
    int GetOffsetY() const { return m_offsetY; }
    void SetOffsetY(int offset);

    // Hint text and whether it shows (as the widget's tool tip).
    const QString& GetHint() const { return m_hint; }
    void SetHint(const QString& hint);
    bool GetShowHint() const { return m_showHint; }
    void SetShowHint(bool show);

    bool GetEnabled() const { return isEnabled(); }
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool GetVisible() const { return isVisibleTo(parentWidget()); }
    void SetVisible(bool visible) { setVisible(visible); }

    // Repaint over what is on screen, with the next paint of the window.
    void Redraw();
    // Schedule a repaint with the parent's background painted beneath first.
    void Invalidate();
    // Re-measure, auto-size, Invalidate.
    void Resize();

    QRect GetDestRect() const;
    QSize GetImageSize() const { return m_imageSize; }
    QSize GetMeasuredSize() const { return m_measuredSize; }

    // The change listener this control installs in its image list.
    void DoImageChange(TZylImageList* sender);

    TZylNotifyEvent OnClick;
    TZylNotifyEvent OnDblClick;
    TZylMouseEvent OnMouseDown;
    TZylMouseEvent OnMouseUp;
    TZylMouseMoveEvent OnMouseMove;
    TZylNotifyEvent OnMouseEnter;
    TZylNotifyEvent OnMouseLeave;
    TZylAdvMouseEvent OnAdvMouseDown;

protected:
    void SetStyle(TZylControlStyle style);
    // Whether the second press of a quick pair is a double click (DblClick
    // then MouseDown with ssDouble) or a plain press.
    void SetDoubleClicks(bool enabled) { m_doubleClicks = enabled; }
    // Sets the constructor's default size (also the last known size).
    void SetInitialSize(int width, int height);

    virtual void ImageChanged() {}
    virtual void SizeChanged() {}
    virtual void MeasureControl(int& width, int& height);
    virtual void DrawControl(QPainter& canvas);
    virtual void Loaded();

    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y);
    virtual void MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y);
    virtual void MouseMove(TZylShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();

    void DoMeasureControl();
    void DoAutoSize();
    bool IsPressTracked() const { return m_clicked; }

    // The off-screen surface of ecsCustomDraw controls; it keeps its content
    // between paints.
    QImage& Surface() { return m_surface; }
    bool SurfaceUsable() const { return m_surfaceUsable; }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BoundsChanged();
    void Press(QMouseEvent* event, bool isDouble);
    void SetMouseInside(bool inside);
    void PaintImage(QPainter& painter, const QRect& dest);
    void PaintSurface(QPainter& painter, const QRect& dest);
    void UpdateToolTip();
    TZylColor KeyColor() const { return m_transparent ? m_transparentColor : clNone; }
    template <typename T> void StoreAndInvalidate(T& field, T value) {
        if (field != value) {
            field = value;
            Invalidate();
        }
    }

    TZylControlStyle m_style = ecsImage;
    QPointer<TZylImageList> m_images;
    int m_imageIndex = 0;
    bool m_transparent = false;
    TZylColor m_transparentColor = clBlack;
    TZylControlAlignment m_alignment = ecaLeft;
    TZylControlVAlign m_vAlign = ecvTop;
    bool m_autoSize = false;
    bool m_stretch = false;
    bool m_tile = false;
    int m_offsetX = 0;
    int m_offsetY = 0;
    QString m_hint;
    bool m_showHint = false;

    QSize m_imageSize{0, 0};
    QSize m_measuredSize{0, 0};
    QSize m_lastSize{80, 80};
    QImage m_surface;
    bool m_surfaceUsable = false;
    QImage m_keyedSurface; // the surface with its key colour cleared

    bool m_loading = false;
    bool m_doubleClicks = false;
    bool m_clicked = false;     // a left press on this control awaits its release
    bool m_mouseInside = false; // as last reported through MouseEnter/MouseLeave
    bool m_leftDown = false;
};

// Toolkit conversions shared by the controls.
TZylShiftState ZylShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
QColor ZylToQColor(TZylColor color);
