#include "engine/device/ZylRenderThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Below the sound servers' own threads (PipeWire's data loop asks for 88).
constexpr int kRealTimePriority = 20;
// Above the decoding worker's nice level, for when real time is refused.
constexpr int kRenderNice = 2 * kZylAboveNormalNice;

bool AskForRealTime() {
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
}

} // namespace

void ZylFavourRenderThread() {
    thread_local bool favoured = false;
    if (favoured)
        return;
    favoured = true;
    if (sched_getscheduler(0) != SCHED_OTHER || AskForRealTime())
        return;
    const auto tid = static_cast<id_t>(gettid());
    if (getpriority(PRIO_PROCESS, tid) > kRenderNice)
        (void)setpriority(PRIO_PROCESS, tid, kRenderNice);
}
