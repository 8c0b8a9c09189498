#include "engine/device/ZylQuietStderr.h"

#include "diag/Diag.h"

#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

// Two silencers at once would restore in the wrong order.
std::recursive_mutex gRedirectMutex;

} // namespace

TZylQuietStderr::TZylQuietStderr() {
    gRedirectMutex.lock();
    std::fflush(stderr);
    Captured = std::tmpfile();
    if (Captured == nullptr)
        return;
    SavedFd = dup(STDERR_FILENO);
    if (SavedFd < 0 || dup2(fileno(Captured), STDERR_FILENO) < 0) {
        std::fclose(Captured);
        Captured = nullptr;
    }
}

TZylQuietStderr::~TZylQuietStderr() {
    std::fflush(stderr);
    if (Captured != nullptr) {
        dup2(SavedFd, STDERR_FILENO);
        ForwardToLog();
        std::fclose(Captured);
    }
    if (SavedFd >= 0)
        close(SavedFd);
    gRedirectMutex.unlock();
}

void TZylQuietStderr::ForwardToLog() {
    if (!LogIsOn())
        return;
    std::rewind(Captured);
    char line[kDiagTextSize];
    while (std::fgets(line, sizeof line, Captured) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (line[0] != '\0')
            LogPrintf("Sound system: %s", line);
    }
}
