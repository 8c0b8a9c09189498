#include "frontend/VxDeviceListing.h"

#include <utility>

TVxDeviceListing::~TVxDeviceListing() {
    if (thread_.joinable())
        thread_.join();
    FreeOutputDeviceList(devices_);
}

void TVxDeviceListing::Start(TEnumerate enumerate, QObject* context, std::function<void()> ready) {
    started_ = true;
    thread_ =
        std::thread([this, enumerate = std::move(enumerate), context, ready = std::move(ready)] {
            enumerate(devices_);
            // Queued: runs on the window thread after the join below is possible
            // (this thread has returned from its last touch of the list).
            QMetaObject::invokeMethod(context, ready, Qt::QueuedConnection);
        });
}

TZylDeviceList TVxDeviceListing::Take() {
    if (taken_)
        return {};
    if (thread_.joinable())
        thread_.join();
    taken_ = true;
    return std::exchange(devices_, {});
}
