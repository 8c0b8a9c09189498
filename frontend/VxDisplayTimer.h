#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// The deck's display tick. While anything shown moves by itself it ticks
// every 37 ms; once the deck has been still for a second it stops, and
// whatever can change the displays starts it again at once: the user's
// input (seen here), and the other threads' news (a song opened, the
// transport changed, a tempo found) through Poke.
class TVxDisplayTimer : public QObject {
public:
    static constexpr int kTickMs = 37;
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
    // True while the timer ticks (false once the deck stood still).
    bool Running() const { return timer_.isActive(); }
    // From any thread: something shown may have changed; the timer ticks
    // again (on the window thread, at once).
    void Poke();
    // The timer itself, for what follows the display's pace (a controller's
    // lights).
    const QTimer& Clock() const { return timer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> onTick_;
    QTimer timer_;
    int quietTicks_ = 0;
    bool started_ = false;

    void Wake();
};
