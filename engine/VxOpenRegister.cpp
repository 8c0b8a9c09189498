#include "engine/VxOpenRegister.h"

TVxOpenRegister::TFlag TVxOpenRegister::Begin() {
    const std::lock_guard<std::mutex> lock(Mutex);
    if (Current != nullptr && !Current->load())
        return nullptr;
    Current = Last = std::make_shared<std::atomic<bool>>(false);
    return Current;
}

void TVxOpenRegister::End(const TFlag& open) {
    const std::lock_guard<std::mutex> lock(Mutex);
    if (Current == open)
        Current.reset();
}

bool TVxOpenRegister::IsCurrent(const TFlag& open) const {
    const std::lock_guard<std::mutex> lock(Mutex);
    return Current == open;
}

void TVxOpenRegister::Abort() {
    const std::lock_guard<std::mutex> lock(Mutex);
    if (Current != nullptr)
        *Current = true;
}

bool TVxOpenRegister::Running() const {
    const std::lock_guard<std::mutex> lock(Mutex);
    return Current != nullptr && !Current->load();
}

bool TVxOpenRegister::LastAborted() const {
    const std::lock_guard<std::mutex> lock(Mutex);
    return Last != nullptr && Last->load();
}
