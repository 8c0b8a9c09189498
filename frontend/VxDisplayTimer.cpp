#include "frontend/VxDisplayTimer.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

TVxDisplayTimer::TVxDisplayTimer(std::function<bool()> onTick) : onTick_(std::move(onTick)) {
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    QCoreApplication::instance()->installEventFilter(this);
}

TVxDisplayTimer::~TVxDisplayTimer() {
    timer_.stop();
}

void TVxDisplayTimer::Start() {
    started_ = true;
    Wake();
}

void TVxDisplayTimer::Stop() {
    started_ = false;
    timer_.stop();
}

void TVxDisplayTimer::Tick() {
    if (onTick_()) {
        Wake();
    } else if (quietTicks_ < kQuietTicks && ++quietTicks_ == kQuietTicks) {
        timer_.stop();
    }
}

void TVxDisplayTimer::Poke() {
    QMetaObject::invokeMethod(
        this, [this] { Wake(); }, Qt::QueuedConnection);
}

void TVxDisplayTimer::Wake() {
    quietTicks_ = 0;
    if (started_ && !timer_.isActive()) {
        timer_.start();
    }
}

bool TVxDisplayTimer::eventFilter(QObject* watched, QEvent* event) {
    if (IsUserInput(event->type())) {
        Wake();
    }
    return QObject::eventFilter(watched, event);
}
