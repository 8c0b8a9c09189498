#include "engine/VxClock.h"

#include <chrono>
#include <thread>

uint64_t TVxSteadyClock::NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TVxSteadyClock::SleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TVxClock& VxDefaultClock() {
    static TVxSteadyClock clock;
    return clock;
}
