#include "engine/VxTickLink.h"

bool TVxTickLink::Enter() {
    std::lock_guard<std::mutex> lock(Mutex);
    if (Closed)
        return false;
    ++Inside;
    return true;
}

void TVxTickLink::Leave() {
    {
        std::lock_guard<std::mutex> lock(Mutex);
        --Inside;
    }
    Left.notify_all();
}

void TVxTickLink::Close() {
    std::unique_lock<std::mutex> lock(Mutex);
    Closed = true;
    Left.wait(lock, [this] { return Inside == 0; });
}
