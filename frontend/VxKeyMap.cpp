#include "frontend/VxKeyMap.h"

#include "diag/Diag.h"
#include "frontend/VxKeyTranslate.h"
#include "playlist/view/ZylPlaylistView.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>

#include <iterator>

namespace {

namespace Key {
constexpr std::uint32_t Esc = 1, Minus = 12, Equals = 13, R = 19, T = 20, O = 24, Enter = 28,
                        LeftCtrl = 29, A = 30, H = 35, LeftShift = 42, N = 49, M = 50,
                        RightShift = 54, NumMultiply = 55, LeftAlt = 56, Space = 57, F1 = 59,
                        F4 = 62, NumMinus = 74, NumPlus = 78, Num0 = 82, NumEnter = 156,
                        RightCtrl = 157, NumDivide = 181, RightAlt = 184, Up = 200, PageUp = 201,
                        Left = 203, Right = 205, Down = 208, PageDown = 209, Delete = 211, P = 25,
                        Grave = 41, B = 48, K = 37, L = 38, V = 47;
} // namespace Key

// A key's action; some act only with a modifier held.
enum class TNeeds { Nothing, Ctrl, LeftAlt };
struct TKeyAction {
    std::uint32_t Key;
    const char* Action;
    TNeeds Needs = TNeeds::Nothing;
};

// The key map: one line per key.
constexpr TKeyAction kKeyActions[] = {
    {Key::R, "real-time"},
    {Key::T, "time-mode"},
    {Key::Enter, "open"},
    {Key::M, "mute"},
    {Key::NumMinus, "pitch-down"},
    {Key::Down, "pitch-down"},
    {Key::NumPlus, "pitch-up"},
    {Key::Up, "pitch-up"},
    {Key::Num0, "cue"},
    {Key::NumEnter, "play"},
    {Key::PageUp, "previous-track"},
    {Key::Left, "search-backward"},
    {Key::Right, "search-forward"},
    {Key::PageDown, "next-track"},
    {Key::Esc, "escape"},
    {Key::Minus, "volume-down"},
    {Key::NumDivide, "volume-down"},
    {Key::Equals, "volume-up"},
    {Key::NumMultiply, "volume-up"},
    {Key::LeftCtrl, "ctrl"},
    {Key::RightCtrl, "ctrl"},
    {Key::LeftShift, "shift"},
    {Key::RightShift, "shift"},
    {Key::LeftAlt, "left-alt"},
    {Key::RightAlt, "alt"},
    {Key::O, "options", TNeeds::Ctrl},
    {Key::A, "select-all", TNeeds::Ctrl},
    {Key::H, "help", TNeeds::Ctrl},
    {Key::P, "playlist"},
    {Key::F1, "help"},
    {Key::N, "new-copy", TNeeds::Ctrl},
    {Key::Space, "play-or-cue"},
    {Key::B, "tap-tempo"},
    {Key::F4, "close", TNeeds::LeftAlt},
    {Key::L, "learn", TNeeds::Ctrl},
    {Key::K, "key-lock"},
    {Key::V, "value-display"},
};

} // namespace

const std::uint32_t TVxKeyboardControl::kWatchedKeys[] = {
    Key::RightShift, Key::LeftShift, Key::RightCtrl, Key::LeftCtrl, Key::RightAlt, Key::LeftAlt,
    Key::Enter, Key::NumEnter, Key::Num0, Key::NumPlus, Key::NumMinus, Key::NumDivide,
    Key::NumMultiply, Key::Up, Key::Down, Key::Left, Key::Right, Key::PageUp, Key::PageDown,
    Key::Delete, Key::Space, Key::F1, Key::F4, Key::H, Key::T, Key::R, Key::M, Key::N, Key::O,
    Key::P, Key::A, Key::Minus, Key::Equals, Key::Grave, Key::B, Key::K, Key::L, Key::V,
    // The digits 1 to 9 and 0, then Esc.
    2, 3, 4, 5, 6, 7, 8, 9, 10, 11, Key::Esc, 0};

void VxStartAnotherCopy() {
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (program.isEmpty() || !QProcess::startDetached(program, {}))
        DIAG_REPORT(kDiagReported, "VxInput: Error starting another player [%s]",
                    program.toLocal8Bit().constData());
}

TVxKeyboardControl::TVxKeyboardControl(std::function<void()> launcher)
    : launcher_(std::move(launcher)) {}

TVxKeyboardControl::~TVxKeyboardControl() {
    Stop();
}

void TVxKeyboardControl::Start(TMainForm& form) {
    form_ = &form;
    actions_ = std::make_unique<TVxDeckActions>(form, launcher_);
    QCoreApplication::instance()->installEventFilter(this);
    VxKeyboardSetFocus(form.isActiveWindow());
    if (VxInputStart(nullptr, &form) != 0) {
        DiagMessageBox(kDiagIconStop, "Vexaline", "Error initializing keyboard control:\n\n%s",
                       DiagLastMessage());
        return;
    }
    VxInputWatch(kWatchedKeys);
    started_ = true;
}

void TVxKeyboardControl::Stop() {
    if (form_ != nullptr && QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
    if (started_)
        VxInputStop();
    started_ = false;
    form_ = nullptr;
    actions_.reset();
}

void TVxKeyboardControl::Reacquire() {
    if (started_)
        VxInputReacquire();
}

void TVxKeyboardControl::ReleaseAll() {
    if (!started_)
        return;
    TVxKeyEvent events[kEventCapacity];
    int count = 0;
    if (VxInputReleaseAll(events, &count, kEventCapacity) == 0)
        Dispatch(events, count);
}

void TVxKeyboardControl::KeyMessage(QKeyEvent* event) {
    // A repeated press changes no key's state.
    if (!event->isAutoRepeat())
        VxKeyboardSetKey(VxKeyFromEvent(*event), event->type() == QEvent::KeyPress);
    // Without a keyboard reader the keys only reach the window.
    if (!started_)
        return;
    TVxKeyEvent events[kEventCapacity];
    int count = 0;
    if (VxInputRead(events, &count, kEventCapacity) != 0) {
        VxInputReacquire();
        if (VxInputRead(events, &count, kEventCapacity) != 0) {
            form_->raise();
            form_->activateWindow();
            return;
        }
    }
    Dispatch(events, count);
}

bool TVxKeyboardControl::eventFilter(QObject* watched, QEvent* event) {
    if (form_ == nullptr || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyRelease:
        // A popup (the playlist's menu) takes the keys without taking the
        // focus from the window: a key let go there must not stay held in
        // the deck. The popup still gets its key.
        if (widget->window() != form_ && widget->window()->windowType() == Qt::Popup &&
            form_->isActiveWindow()) {
            KeyMessage(static_cast<QKeyEvent*>(event));
            return false;
        }
        [[fallthrough]];
    case QEvent::KeyPress:
        if (widget->window() != form_)
            return false;
        if (event->type() == QEvent::KeyPress &&
            ListTakesKey(widget, *static_cast<QKeyEvent*>(event)))
            return false;
        form_->FormKeyDown(static_cast<QKeyEvent*>(event));
        return true;
    case QEvent::ActivationChange:
        // Before the window's own handler, which re-acquires the keyboard.
        if (widget == form_)
            VxKeyboardSetFocus(form_->isActiveWindow());
        return false;
    default:
        return false;
    }
}

void TVxKeyboardControl::Dispatch(const TVxKeyEvent* events, int count) {
    for (int i = 0; i < count && form_ != nullptr; ++i)
        KeyEvent(events[i].Key, (events[i].State & kVxKeyPressed) != 0);
}

// The list with the focus takes its own keys; the letters the deck binds
// (R, T, M, P and the tap key B) stay the deck's even there. A release always
// reaches the deck: one it never saw pressed changes nothing.
bool TVxKeyboardControl::ListTakesKey(QWidget* widget, const QKeyEvent& event) const {
    TZylPlaylistView* list = form_->PlayList;
    if (list == nullptr || !form_->PlaylistShown() ||
        (widget != list && !list->isAncestorOf(widget)))
        return false;
    if (!TZylPlaylistView::IsListKey(event))
        return false;
    const std::uint32_t key = VxKeyFromEvent(event);
    return key != Key::R && key != Key::T && key != Key::M && key != Key::P && key != Key::B;
}

bool TVxKeyboardControl::Ctrl() const {
    return (form_->Modifiers & TMainForm::kCtrl) != 0;
}

void TVxKeyboardControl::KeyEvent(std::uint32_t key, bool pressed) {
    for (const TKeyAction& keyAction : kKeyActions) {
        if (keyAction.Key != key)
            continue;
        if ((keyAction.Needs == TNeeds::Ctrl && !Ctrl()) ||
            (keyAction.Needs == TNeeds::LeftAlt && !actions_->LeftAltDown))
            return;
        if (const TVxDeckAction* action = TVxDeckActions::Find(keyAction.Action))
            actions_->Press(*action, pressed);
        return;
    }
}
