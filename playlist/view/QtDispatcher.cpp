#include "playlist/view/QtDispatcher.h"

#include <QMetaObject>

void TQtDispatcher::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(FContext, std::move(call), Qt::QueuedConnection);
}
