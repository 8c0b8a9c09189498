#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// The deck's display tick. While anything shown moves by itself it ticks
// every 37 ms; once the deck has been still for a second it only watches,
// four times a second, for what other threads change (a song opened, a tempo
// found), and whatever the user does brings the full rate back at once.
class TVxDisplayTimer : public QObject {
public:
    static constexpr int kTickMs = 37;
    static constexpr int kWatchMs = 250;
    static constexpr int kQuietTicks = 27;

    // onTick refreshes the displays and tells whether anything on them
    // still moves by itself.
    explicit TVxDisplayTimer(std::function<bool()> onTick);
    ~TVxDisplayTimer() override;

    void Start();
    void Stop();
    // One tick, as the timer runs it.
    void Tick();
    int Interval() const { return timer_.interval(); }
    // The timer itself, for what follows the display's pace (a controller's
    // lights).
    const QTimer& Clock() const { return timer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> onTick_;
    QTimer timer_;
    int quietTicks_ = 0;

    void Wake();
};
