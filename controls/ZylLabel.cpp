#include "controls/ZylLabel.h"

#include "controls/ZylFont.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>

TZylLabel::TZylLabel(QWidget* parent) : TZylControl(parent) {
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] { BlinkTimerTick(); });
    SetStyle(ecsCustomDraw);
    SetDoubleClicks(true);
}

TZylLabel::~TZylLabel() {
    m_timer->stop();
    m_timer->disconnect();
}

TZylFont* TZylLabel::GetFont() const {
    return dynamic_cast<TZylFont*>(GetImages());
}

void TZylLabel::SetFont(TZylFont* font) {
    SetImages(font);
}

void TZylLabel::CalcFontData() {
    TZylFont* font = GetFont();
    if (!font) {
        m_dotsWidth = 0;
        m_dotsGlyph = 0;
        return;
    }
    std::vector<int> dots;
    font->TextToIndex(QStringLiteral("..."), dots);
    m_dotsWidth = font->MeasureGlyphs(dots, m_spacing);
    m_dotsGlyph = dots.front();
}

bool TZylLabel::CalcMetrics() {
    const QSize old = m_textSize;
    TZylFont* font = GetFont();
    if (font && !font->GetEmpty()) {
        font->TextToIndex(m_caption, m_captionGlyphs);
        m_textSize =
            QSize(font->MeasureGlyphs(m_captionGlyphs, m_spacing), font->GetImageHeight(0));
        DoAutoCrop();
    } else {
        m_textSize = size();
    }
    return m_textSize != old;
}

void TZylLabel::DoAutoCrop() {
    if (!m_autoCrop || GetAutoSize() || m_textSize.width() <= GetWidth()) {
        return;
    }
    // A cropped row ends where its glyphs happen to end, not where the
    // caption does: it need not cover the row drawn before it.
    m_clear = true;
    const int room = GetWidth() - m_dotsWidth;
    if (room <= 0) {
        m_captionGlyphs.assign(3, m_dotsGlyph);
        return;
    }
    const TZylFont* font = GetFont();
    do {
        m_captionGlyphs.pop_back();
    } while (font->MeasureGlyphs(m_captionGlyphs, m_spacing) > room);
    m_captionGlyphs.insert(m_captionGlyphs.end(), 3, m_dotsGlyph);
}

void TZylLabel::Remeasure(bool resizeOnChange) {
    if (CalcMetrics() && resizeOnChange) {
        Resize();
    }
}

void TZylLabel::CalcBlinkTextMetrics() {
    if (TZylFont* font = GetFont()) {
        font->TextToIndex(m_blinkText, m_blinkGlyphs);
    } else {
        m_blinkGlyphs.clear();
    }
}

void TZylLabel::DoAutoHint() {
    if (!m_autoHint) {
        return;
    }
    if (m_textSize.width() > GetWidth()) {
        SetHint(m_caption + QLatin1Char(' '));
        SetShowHint(true);
    } else {
        SetShowHint(false); // the old hint text stays
    }
}

void TZylLabel::SetCaption(const QString& caption) {
    if (caption == m_caption) {
        return;
    }
    m_caption = caption;
    // With spacing, the gaps between glyphs would keep old pixels.
    if (m_spacing != 0) {
        m_clear = true;
    }
    if (CalcMetrics()) {
        Resize();
    } else if (GetTransparent()) {
        Invalidate();
    } else {
        Redraw();
    }
    DoAutoHint();
}

void TZylLabel::SetSpacing(int pixels) {
    pixels = std::max(pixels, 0);
    if (pixels == m_spacing) {
        return;
    }
    m_spacing = pixels;
    CalcFontData();
    Remeasure(true);
    DoAutoHint();
    m_clear = true;
    Invalidate();
}

void TZylLabel::SetBackgroundColor(TZylColor color) {
    if (color != m_backgroundColor) {
        m_backgroundColor = color;
        m_clear = true;
        Invalidate();
    }
}

void TZylLabel::SetAutoHint(bool on) {
    if (on == m_autoHint) {
        return;
    }
    m_autoHint = on;
    if (!on) {
        SetHint(QString());
    }
    DoAutoHint();
}

void TZylLabel::SetAutoCrop(bool on) {
    if (on == m_autoCrop) {
        return;
    }
    m_autoCrop = on;
    CalcFontData();
    Remeasure(true);
    m_clear = true;
    Invalidate();
}

void TZylLabel::SetBlink(bool on) {
    if (on == m_blink) {
        return;
    }
    m_blink = on;
    if (on) {
        m_timer->start(m_blinkTimeOff); // the blink text shows first
        m_blinkPhase = true;
    } else {
        m_timer->stop();
        m_blinkPhase = false;
    }
    Redraw();
}

void TZylLabel::SetBlinkText(const QString& text) {
    if (text != m_blinkText) {
        m_blinkText = text;
        CalcBlinkTextMetrics();
        Redraw();
    }
}

// The running period keeps its length; the next one uses the new value.
void TZylLabel::SetBlinkTimeOn(int ms) {
    m_blinkTimeOn = std::max(ms, 1);
}

void TZylLabel::SetBlinkTimeOff(int ms) {
    m_blinkTimeOff = std::max(ms, 1);
}

void TZylLabel::BlinkTimerTick() {
    m_timer->setInterval(m_blinkPhase ? m_blinkTimeOn : m_blinkTimeOff);
    m_blinkPhase = !m_blinkPhase;
    Redraw();
}

void TZylLabel::ImageChanged() {
    TZylControl::ImageChanged();
    CalcFontData();
    Remeasure(true);
    CalcBlinkTextMetrics();
    DoAutoHint();
    m_clear = true;
    Invalidate();
}

void TZylLabel::SizeChanged() {
    TZylControl::SizeChanged();
    Remeasure(false); // cropping follows the new width
    m_clear = true;
    Invalidate();
}

void TZylLabel::MeasureControl(int& width, int& height) {
    width = m_textSize.width();
    height = m_textSize.height();
}

void TZylLabel::DrawControl(QPainter& canvas) {
    if (m_blinkPhase != m_drawnBlinkPhase) {
        m_clear = true;
        m_drawnBlinkPhase = m_blinkPhase;
    }
    if (m_clear) {
        canvas.fillRect(Surface().rect(), ZylToQColor(m_backgroundColor));
        m_clear = false;
    }
    const TZylFont* font = GetFont();
    if (!font) {
        return; // a plain image list has no character map to draw text with
    }
    int x = 0;
    for (int glyph : m_blinkPhase ? m_blinkGlyphs : m_captionGlyphs) {
        font->DrawGlyph(glyph, canvas, x, 0);
        x += font->GetGlyphWidth(glyph) + m_spacing;
    }
}
