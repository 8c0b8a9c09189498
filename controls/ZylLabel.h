// A caption drawn with a bitmap font (LCD digits, the title, messages). It
// can blink between its caption and a second text, crop a caption that does
// not fit with three dots, and offer the full caption as its hint.
#pragma once

#include "controls/ZylControl.h"

#include <QString>

#include <vector>

class QTimer;
class TZylFont;

class TZylLabel : public TZylControl {
public:
    explicit TZylLabel(QWidget* parent = nullptr);
    ~TZylLabel() override;

    const QString& GetCaption() const { return m_caption; }
    void SetCaption(const QString& caption);
    TZylFont* GetFont() const;
    void SetFont(TZylFont* font);
    int GetSpacing() const { return m_spacing; }
    void SetSpacing(int pixels);
    TZylColor GetBackgroundColor() const { return m_backgroundColor; }
    void SetBackgroundColor(TZylColor color);
    bool GetAutoHint() const { return m_autoHint; }
    void SetAutoHint(bool on);
    bool GetAutoCrop() const { return m_autoCrop; }
    void SetAutoCrop(bool on);
    bool GetBlink() const { return m_blink; }
    void SetBlink(bool on);
    const QString& GetBlinkText() const { return m_blinkText; }
    void SetBlinkText(const QString& text);
    int GetBlinkTimeOn() const { return m_blinkTimeOn; }
    void SetBlinkTimeOn(int ms);
    int GetBlinkTimeOff() const { return m_blinkTimeOff; }
    void SetBlinkTimeOff(int ms);

    // The caption's measured (uncropped) size and the glyphs drawn for it.
    QSize GetTextSize() const { return m_textSize; }
    const std::vector<int>& GetCaptionGlyphs() const { return m_captionGlyphs; }
    // True while BlinkText is shown.
    bool GetBlinkPhase() const { return m_blinkPhase; }

    // Flips the blink phase; run by the label's own timer.
    void BlinkTimerTick();

protected:
    void ImageChanged() override;
    void SizeChanged() override;
    void MeasureControl(int& width, int& height) override;
    void DrawControl(QPainter& canvas) override;

private:
    bool CalcMetrics();
    void CalcBlinkTextMetrics();
    void CalcFontData();
    void DoAutoHint();
    void DoAutoCrop();
    void Remeasure(bool resizeOnChange);

    QString m_caption;
    int m_spacing = 0;
    TZylColor m_backgroundColor = clBlack;
    bool m_autoHint = false;
    bool m_autoCrop = false;
    bool m_blink = false;
    QString m_blinkText;
    int m_blinkTimeOn = 500;
    int m_blinkTimeOff = 250;

    std::vector<int> m_captionGlyphs;
    std::vector<int> m_blinkGlyphs;
    QSize m_textSize{0, 0};
    int m_dotsWidth = 0;
    int m_dotsGlyph = 0;
    bool m_clear = true;
    bool m_blinkPhase = false;
    bool m_drawnBlinkPhase = false;
    QTimer* m_timer = nullptr;
};
