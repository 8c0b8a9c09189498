// Keeps sound-system chatter off the terminal: while an object of this class
// lives, standard error goes to a temporary file; afterwards the captured
// lines go to the log when logging is on, and are dropped otherwise.
//
// Standard error is process-wide, so text that another thread writes in
// that window is treated the same way. Used only around the short calls
// that probe the sound system.
#pragma once

#include <cstdio>

class TZylQuietStderr {
public:
    TZylQuietStderr();
    ~TZylQuietStderr();
    TZylQuietStderr(const TZylQuietStderr&) = delete;
    TZylQuietStderr& operator=(const TZylQuietStderr&) = delete;

private:
    void ForwardToLog();

    int SavedFd = -1;
    std::FILE* Captured = nullptr;
};
