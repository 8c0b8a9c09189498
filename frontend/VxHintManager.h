// The deck's hint windows. Each control keeps its hint in its tool-tip text;
// the toolkit's own tool-tip timing is replaced by the pauses below, and no
// hint at all shows while hints are switched off (outside help mode).
// Window thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

struct TVxHintPauses {
    int PauseMs = 500;      // before the first hint shows
    int ShortPauseMs = 50;  // moving from one hinted control to the next
    int HidePauseMs = 2500; // how long a hint stays up
};

class TVxHintManager : public QObject {
public:
    // Watches the given window and its children.
    explicit TVxHintManager(QWidget* window);
    ~TVxHintManager() override;

    const TVxHintPauses& Pauses() const { return pauses_; }
    void SetPauses(const TVxHintPauses& pauses) { pauses_ = pauses; }
    void SetShowHints(bool on);
    // Hints are folded to this width in pixels (kVxHintMaxWidth at first).
    void SetMaxWidth(int pixels) { maxWidth_ = pixels; }
    bool ShowHints() const { return showHints_; }

    // Shows the hint of whatever lies under the mouse now, without a pause.
    void ShowUnderCursor();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* HintedWidgetFor(QObject* object) const;
    void Arm(QWidget* widget);
    void ShowFor(QWidget* widget);
    void HideHint();

    QWidget* window_;
    TVxHintPauses pauses_;
    bool showHints_ = false;
    int maxWidth_;
    bool hintShown_ = false;
    QPointer<QWidget> pending_;
    QTimer pauseTimer_;
};
