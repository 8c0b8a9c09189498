#include "control/midi/VxDeckClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TVxDeckClaim::TVxDeckClaim(const std::string& folder) {
    for (int deck = 1; deck <= kMaxDecks; ++deck) {
        const std::string path = folder + "/Vexaline deck " + std::to_string(deck) + ".lock";
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            deck_ = deck;
            fd_ = fd;
            return;
        }
        close(fd);
    }
}

TVxDeckClaim::~TVxDeckClaim() {
    if (fd_ >= 0)
        close(fd_);
}
