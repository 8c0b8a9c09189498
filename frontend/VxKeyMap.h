// Keyboard control of the deck: the window's side of the keyboard reader and
// the key map. Every key message of the window feeds the keyboard's state
// table and triggers a reading; the key events of the reading go through
// the key map to the deck's action table, which holds and releases the
// deck's buttons from the program, so that a key does exactly what its
// button does.
//
// Window thread only.
#pragma once

#include "frontend/MainForm.h"
#include "frontend/VxDeckActions.h"
#include "frontend/VxInput.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

// Starts another copy of the program: its own file, no arguments.
void VxStartAnotherCopy();

class TVxKeyboardControl : public QObject, public IVxFormKeyboard {
public:
    // The key codes watched, in watch order, ended by 0.
    static const std::uint32_t kWatchedKeys[];
    static constexpr int kEventCapacity = 50;

    // launcher starts another copy of the program (Ctrl+N).
    explicit TVxKeyboardControl(std::function<void()> launcher = VxStartAnotherCopy);
    ~TVxKeyboardControl() override;

    void Start(TMainForm& form) override;
    void Stop() override;
    void Reacquire() override;
    void ReleaseAll() override;
    void KeyMessage(QKeyEvent* event) override;

    // The key map: one key event.
    void KeyEvent(std::uint32_t key, bool pressed);

protected:
    // The window previews every key, whichever of its widgets has the focus,
    // and tells the keyboard when it gains or loses the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Dispatch(const TVxKeyEvent* events, int count);
    bool Ctrl() const;
    bool ListTakesKey(QWidget* widget, const QKeyEvent& event) const;

    std::function<void()> launcher_;
    TMainForm* form_ = nullptr;
    std::unique_ptr<TVxDeckActions> actions_;
    bool started_ = false;
};
