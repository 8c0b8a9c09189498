// The per-copy activation key (F1..F12): pressed anywhere on the desktop, it
// brings this player's window to the front. On X11 it is a passive grab of
// the function key on the root window; elsewhere it is unavailable, which is
// logged once and otherwise ignored.
#pragma once

#include <QAbstractNativeEventFilter>

class QWidget;

class TVxHotKey : public QAbstractNativeEventFilter {
public:
    explicit TVxHotKey(QWidget* window);
    ~TVxHotKey() override;
    TVxHotKey(const TVxHotKey&) = delete;
    TVxHotKey& operator=(const TVxHotKey&) = delete;

    // 0 removes the key; 1..12 grab F1..F12 with no modifiers. Window thread.
    void Set(int hotKey);
    int Current() const { return hotKey_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void Release();
    bool Grab(int hotKey);

    QWidget* window_;
    int hotKey_ = 0;
    unsigned keyCode_ = 0;
    bool filterInstalled_ = false;
};
