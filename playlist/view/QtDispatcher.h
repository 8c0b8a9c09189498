// Runs posted calls on the thread of a Qt object (the window thread for a
// widget) through queued calls. Calls posted to an object that has been
// destroyed are dropped by Qt.
#pragma once

#include <QObject>

#include "playlist/ZylDispatcher.h"

class TQtDispatcher final : public TZylDispatcher {
public:
    explicit TQtDispatcher(QObject* context) : FContext(context) {}
    void Post(std::function<void()> call) override;

private:
    QObject* FContext;
};
