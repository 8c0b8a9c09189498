// Opens a song on a thread of its own while the window's events run on:
// building the exact index reads the whole file, which takes seconds from a
// slow medium, and a hung medium may never answer. The thread holds only the
// player system's link, so the window may stop waiting and the system may
// end while the read hangs; the thread then finishes alone, touching nothing
// that is gone.
#pragma once

#include "engine/VxSongStart.h"

#include <memory>
#include <string>

class QEventLoop;
class TVxTickLink;

class TVxOpenAside {
public:
    // The open's status, or kDiagSilent when LetGo came first.
    int Run(std::shared_ptr<TVxTickLink> link, const std::string& path, bool autoPlay,
            const TVxSongStart& start);
    bool Running() const { return loop_ != nullptr; }
    // Window thread: the running Run returns at once.
    void LetGo();

private:
    QEventLoop* loop_ = nullptr;
};
