#include "controls/ZylControl.h"

#include "controls/ZylImageList.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

TZylShiftState ZylShiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TZylShiftState shift = 0;
    shift |= modifiers & Qt::ShiftModifier ? ssShift : 0;
    shift |= modifiers & Qt::AltModifier ? ssAlt : 0;
    shift |= modifiers & Qt::ControlModifier ? ssCtrl : 0;
    shift |= buttons & Qt::LeftButton ? ssLeft : 0;
    shift |= buttons & Qt::RightButton ? ssRight : 0;
    shift |= buttons & Qt::MiddleButton ? ssMiddle : 0;
    return shift;
}

QColor ZylToQColor(TZylColor color) {
    return QColor(ZylRed(color), ZylGreen(color), ZylBlue(color));
}

namespace {

bool ToZylButton(Qt::MouseButton button, TZylMouseButton& out) {
    switch (button) {
    case Qt::LeftButton:
        out = mbLeft;
        return true;
    case Qt::RightButton:
        out = mbRight;
        return true;
    case Qt::MiddleButton:
        out = mbMiddle;
        return true;
    default:
        return false;
    }
}

QRgb ToQRgb(TZylColor color) {
    return qRgb(ZylRed(color), ZylGreen(color), ZylBlue(color));
}

} // namespace

TZylControl::TZylControl(QWidget* parent) : QWidget(parent) {
    resize(80, 80);
    setMouseTracking(true); // moves without a button reach MouseMove as well
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

TZylControl::~TZylControl() {
    if (m_images) {
        m_images->ClearChangeListener();
    }
}

void TZylControl::BeginLoading() {
    m_loading = true;
}

void TZylControl::EndLoading() {
    if (m_loading) {
        m_loading = false;
        Loaded();
    }
}

void TZylControl::Loaded() {
    m_lastSize = size();
}

void TZylControl::SetInitialSize(int width, int height) {
    resize(width, height);
    m_lastSize = QSize(width, height);
}

void TZylControl::SetBounds(int left, int top, int width, int height) {
    setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    BoundsChanged(); // a hidden widget gets its resize event only when shown
}

void TZylControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    BoundsChanged();
}

void TZylControl::BoundsChanged() {
    if (m_loading || size() == m_lastSize) {
        return; // a pure move changes nothing
    }
    m_lastSize = size();
    DoAutoSize();
    SizeChanged();
}

void TZylControl::SetStyle(TZylControlStyle style) {
    if (style == m_style) {
        return;
    }
    m_style = style;
    DoMeasureControl();
    DoAutoSize();
    Invalidate();
}

void TZylControl::SetImages(TZylImageList* images) {
    m_images = images;
    if (images) {
        // Only the control attached last hears of changes; the guard keeps a
        // list that outlives a replaced listener from calling a dead control.
        images->SetChangeListener([self = QPointer<TZylControl>(this)](TZylImageList* sender) {
            if (self) {
                self->DoImageChange(sender);
            }
        });
    }
    DoImageChange(images);
}

void TZylControl::DoImageChange(TZylImageList*) {
    DoMeasureControl();
    ImageChanged();
    DoAutoSize();
    Invalidate();
}

void TZylControl::SetImageIndex(int index) {
    if (index == m_imageIndex) {
        return;
    }
    m_imageIndex = index;
    if (m_images && !m_images->GetEmpty() && m_images->GetVariableSize()) {
        DoMeasureControl();
        DoAutoSize();
    }
    Redraw();
}

void TZylControl::SetTransparent(bool transparent) {
    if (transparent == m_transparent) {
        return;
    }
    m_transparent = transparent;
    if (m_images && m_style != ecsCustomDraw) {
        if (transparent) {
            m_images->SetImageTransparentColor(m_transparentColor);
        } else {
            m_images->RemoveImageTransparency();
        }
    }
    Invalidate();
}

void TZylControl::SetTransparentColor(TZylColor color) {
    if (color == m_transparentColor) {
        return;
    }
    m_transparentColor = color;
    if (m_images && m_transparent && m_style != ecsCustomDraw) {
        m_images->SetImageTransparentColor(color);
    }
    Invalidate();
}

void TZylControl::SetAlignment(TZylControlAlignment alignment) {
    StoreAndInvalidate(m_alignment, alignment);
}

void TZylControl::SetVAlign(TZylControlVAlign vAlign) {
    StoreAndInvalidate(m_vAlign, vAlign);
}

void TZylControl::SetStretch(bool stretch) {
    StoreAndInvalidate(m_stretch, stretch);
}

void TZylControl::SetTile(bool tile) {
    StoreAndInvalidate(m_tile, tile);
}

void TZylControl::SetAutoSize(bool autoSize) {
    if (autoSize != m_autoSize) {
        m_autoSize = autoSize;
        DoMeasureControl();
        DoAutoSize();
    }
}

void TZylControl::SetOffsetX(int offset) {
    if (offset == m_offsetX) {
        return;
    }
    m_offsetX = offset;
    if (m_style == ecsOffsetImage) {
        update(); // the thumb covers its area: nothing beneath needs painting
    }
}

void TZylControl::SetOffsetY(int offset) {
    if (offset == m_offsetY) {
        return;
    }
    m_offsetY = offset;
    if (m_style == ecsOffsetImage) {
        update();
    }
}

void TZylControl::SetHint(const QString& hint) {
    m_hint = hint;
    UpdateToolTip();
}

void TZylControl::SetShowHint(bool show) {
    m_showHint = show;
    UpdateToolTip();
}

void TZylControl::UpdateToolTip() {
    setToolTip(m_showHint ? m_hint : QString());
}

void TZylControl::Redraw() {
    // Queued: every change until the event loop next runs shares one paint
    // and one flush of the window.
    update();
}

void TZylControl::Invalidate() {
    // Drop the opaque flag until the next paint so that what lies beneath is
    // painted first.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    update();
}

void TZylControl::Resize() {
    DoMeasureControl();
    DoAutoSize();
    Invalidate();
}

void TZylControl::DoMeasureControl() {
    if (m_images && !m_images->GetEmpty()) {
        const unsigned index = unsigned(m_imageIndex);
        m_imageSize = QSize(m_images->GetImageWidth(index), m_images->GetImageHeight(index));
        int width = 0, height = 0;
        MeasureControl(width, height);
        m_measuredSize = QSize(width, height);
    } else {
        m_imageSize = QSize(0, 0);
        m_measuredSize = size();
    }
    if (m_style == ecsCustomDraw) {
        m_surfaceUsable = m_measuredSize.width() > 0 && m_measuredSize.height() > 0;
        if (m_surfaceUsable && m_surface.size() != m_measuredSize) {
            // Keep what was drawn; new area starts black.
            m_surface = m_surface.isNull() ? QImage(m_measuredSize, QImage::Format_RGB32)
                                           : m_surface.copy(QRect(QPoint(0, 0), m_measuredSize));
            if (m_surface.format() != QImage::Format_RGB32) {
                m_surface = m_surface.convertToFormat(QImage::Format_RGB32);
            }
        }
    }
}

void TZylControl::MeasureControl(int& width, int& height) {
    width = m_imageSize.width();
    height = m_imageSize.height();
}

void TZylControl::DrawControl(QPainter&) {}

void TZylControl::DoAutoSize() {
    // Without a usable list the measured size is only the size the control
    // had when last measured; sizing to it would undo every later resize.
    if (!m_autoSize || m_style == ecsOffsetImage || !m_images || m_images->GetEmpty()) {
        return;
    }
    if (m_measuredSize != size() && m_measuredSize.width() > 0 && m_measuredSize.height() > 0) {
        SetBounds(GetLeft(), GetTop(), m_measuredSize.width(), m_measuredSize.height());
        Invalidate();
    }
}

QRect TZylControl::GetDestRect() const {
    const int mw = m_measuredSize.width(), mh = m_measuredSize.height();
    if (m_style == ecsOffsetImage) {
        return QRect(m_offsetX, m_offsetY, mw, mh);
    }
    if (m_stretch || (m_tile && m_style != ecsCustomDraw)) {
        return rect();
    }
    int dx = 0, dy = 0;
    if (m_alignment == ecaCenter) {
        dx = (width() - mw) / 2;
    } else if (m_alignment == ecaRight) {
        dx = width() - mw;
    }
    if (m_vAlign == ecvMiddle) {
        dy = (height() - mh) / 2;
    } else if (m_vAlign == ecvBottom) {
        dy = height() - mh;
    }
    return QRect(dx, dy, mw, mh);
}

void TZylControl::paintEvent(QPaintEvent* event) {
    bool covered = false;
    if (m_images && !m_images->GetEmpty()) {
        QPainter painter(this);
        painter.setClipRegion(event->region());
        const QRect dest = GetDestRect();
        if (m_style == ecsCustomDraw) {
            PaintSurface(painter, dest);
            covered = m_surfaceUsable && KeyColor() == clNone;
        } else {
            PaintImage(painter, dest);
            const TZylPngImage& image = m_images->GetBitmap();
            covered = m_style == ecsImage && !image.GetHasAlpha() &&
                      image.GetTransparentColor() == clNone;
        }
        covered = covered && (dest.contains(rect()) || (m_tile && m_style == ecsImage));
    }
    // Only a control whose picture covers it may skip painting what lies
    // beneath it the next time (the slider's thumb, transparent pixels and
    // an empty caption never do).
    setAttribute(Qt::WA_OpaquePaintEvent, covered);
}

void TZylControl::PaintImage(QPainter& painter, const QRect& dest) {
    const unsigned index = unsigned(m_imageIndex);
    const int w = m_measuredSize.width(), h = m_measuredSize.height();
    if (m_tile && w >= 1 && h >= 1) {
        for (int y = 0; y < height(); y += h) {
            for (int x = 0; x < width(); x += w) {
                m_images->Draw(index, painter, x, y);
            }
        }
    } else {
        m_images->StretchDraw(index, painter, dest);
    }
}

void TZylControl::PaintSurface(QPainter& painter, const QRect& dest) {
    if (!m_surfaceUsable) {
        return;
    }
    {
        QPainter canvas(&m_surface);
        DrawControl(canvas);
    }
    const QRect source(QPoint(0, 0), m_measuredSize);
    const TZylColor key = KeyColor();
    if (key == clNone) {
        painter.drawImage(dest, m_surface, source);
        return;
    }
    m_keyedSurface = m_surface.convertToFormat(QImage::Format_ARGB32);
    const QRgb keyRgb = ToQRgb(key) & 0xFFFFFF;
    for (int y = 0; y < m_keyedSurface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_keyedSurface.scanLine(y));
        for (int x = 0; x < m_keyedSurface.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == keyRgb) {
                line[x] = 0;
            }
        }
    }
    painter.drawImage(dest, m_keyedSurface, source);
}

void TZylControl::SetMouseInside(bool inside) {
    if (inside == m_mouseInside) {
        return;
    }
    m_mouseInside = inside;
    if (!isEnabled()) {
        return;
    }
    if (inside) {
        MouseEnter();
    } else {
        MouseLeave();
    }
}

void TZylControl::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    SetMouseInside(true);
}

void TZylControl::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    SetMouseInside(false);
}

void TZylControl::mousePressEvent(QMouseEvent* event) {
    Press(event, false);
}

void TZylControl::mouseDoubleClickEvent(QMouseEvent* event) {
    Press(event, m_doubleClicks);
}

void TZylControl::Press(QMouseEvent* event, bool isDouble) {
    TZylMouseButton button;
    if (!ToZylButton(event->button(), button)) {
        return;
    }
    const TZylShiftState shift = ZylShiftState(event->modifiers(), event->buttons());
    const QPoint pos = event->position().toPoint();
    if (button == mbLeft) {
        m_leftDown = true;
    }
    if (isDouble) {
        if (button == mbLeft) {
            DblClick();
        }
        MouseDown(button, shift | ssDouble, pos.x(), pos.y());
        return;
    }
    if (button != mbMiddle && OnAdvMouseDown) {
        bool handled = false;
        const TZylMouseMessage message{button, shift, pos, event->globalPosition().toPoint()};
        OnAdvMouseDown(this, message, handled);
        if (handled) {
            return;
        }
    }
    if (button == mbLeft) {
        m_clicked = true;
    }
    MouseDown(button, shift, pos.x(), pos.y());
}

void TZylControl::mouseReleaseEvent(QMouseEvent* event) {
    TZylMouseButton button;
    if (!ToZylButton(event->button(), button)) {
        return;
    }
    const TZylShiftState shift = ZylShiftState(event->modifiers(), event->buttons());
    const QPoint pos = event->position().toPoint();
    if (button == mbLeft) {
        m_leftDown = false;
        const bool clicked = m_clicked;
        m_clicked = false;
        if (clicked && rect().contains(pos)) {
            Click();
        }
    }
    MouseUp(button, shift, pos.x(), pos.y());
}

void TZylControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_leftDown) {
        // While the mouse is captured the toolkit holds enter and leave back
        // until the release; the pressed look needs them as they happen.
        SetMouseInside(rect().contains(pos));
    }
    MouseMove(ZylShiftState(event->modifiers(), event->buttons()), pos.x(), pos.y());
}

void TZylControl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_clicked = false;
        m_leftDown = false;
    }
}

void TZylControl::MouseEnter() {
    if (OnMouseEnter) {
        OnMouseEnter(this);
    }
}

void TZylControl::MouseLeave() {
    if (OnMouseLeave) {
        OnMouseLeave(this);
    }
}

void TZylControl::MouseDown(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    if (OnMouseDown) {
        OnMouseDown(this, button, shift, x, y);
    }
}

void TZylControl::MouseUp(TZylMouseButton button, TZylShiftState shift, int x, int y) {
    if (OnMouseUp) {
        OnMouseUp(this, button, shift, x, y);
    }
}

void TZylControl::MouseMove(TZylShiftState shift, int x, int y) {
    if (OnMouseMove) {
        OnMouseMove(this, shift, x, y);
    }
}

void TZylControl::Click() {
    if (OnClick) {
        OnClick(this);
    }
}

void TZylControl::DblClick() {
    if (OnDblClick) {
        OnDblClick(this);
    }
}
