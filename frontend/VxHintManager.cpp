#include "frontend/VxHintManager.h"

#include "frontend/VxHintLayout.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QToolTip>
#include <QWidget>

namespace {

// The hint window sits below and to the right of the mouse pointer, clear of
// the cursor itself.
const QPoint kHintOffset(2, 16);

} // namespace

TVxHintManager::TVxHintManager(QWidget* window) : window_(window), maxWidth_(kVxHintMaxWidth) {
    pauseTimer_.setSingleShot(true);
    connect(&pauseTimer_, &QTimer::timeout, this, [this] {
        if (pending_ != nullptr)
            ShowFor(pending_);
    });
    qApp->installEventFilter(this);
}

TVxHintManager::~TVxHintManager() {
    qApp->removeEventFilter(this);
}

void TVxHintManager::SetShowHints(bool on) {
    showHints_ = on;
    if (!on) {
        pauseTimer_.stop();
        HideHint();
    }
}

void TVxHintManager::ShowUnderCursor() {
    if (!showHints_)
        return;
    if (QWidget* widget = HintedWidgetFor(QApplication::widgetAt(QCursor::pos())))
        ShowFor(widget);
}

QWidget* TVxHintManager::HintedWidgetFor(QObject* object) const {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || (widget != window_ && !window_->isAncestorOf(widget)))
        return nullptr;
    // A list's viewport or a control's inner part carries no hint itself.
    while (widget != nullptr && widget->toolTip().isEmpty() && widget != window_)
        widget = widget->parentWidget();
    return widget != nullptr && !widget->toolTip().isEmpty() ? widget : nullptr;
}

bool TVxHintManager::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip:
        // The toolkit's own hints never show for the deck: its timing is ours.
        return HintedWidgetFor(watched) != nullptr ||
               (qobject_cast<QWidget*>(watched) != nullptr &&
                window_->isAncestorOf(static_cast<QWidget*>(watched)));
    case QEvent::Enter:
        if (showHints_)
            if (QWidget* widget = HintedWidgetFor(watched))
                Arm(widget);
        break;
    case QEvent::Leave:
        if (HintedWidgetFor(watched) == pending_) {
            pauseTimer_.stop();
            HideHint();
        }
        break;
    default:
        break;
    }
    return false;
}

void TVxHintManager::Arm(QWidget* widget) {
    pending_ = widget;
    pauseTimer_.start(hintShown_ ? pauses_.ShortPauseMs : pauses_.PauseMs);
}

void TVxHintManager::ShowFor(QWidget* widget) {
    pending_ = widget;
    // Plain text, laid out here: the toolkit would fold rich text by its own
    // rule.
    QToolTip::showText(QCursor::pos() + kHintOffset, VxLayoutHint(widget->toolTip(), maxWidth_),
                       widget, QRect(), pauses_.HidePauseMs);
    hintShown_ = true;
}

void TVxHintManager::HideHint() {
    if (hintShown_)
        QToolTip::hideText();
    hintShown_ = false;
}
