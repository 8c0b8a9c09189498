// The token every running copy of the player holds for its whole life: a lock
// file "VXS VELM FREE.lock" in the user's runtime folder, held with a shared
// advisory lock. Nothing waits on it; it only tells outside tools that a copy
// runs. Several copies share it.
//
// Without a runtime folder the file lies in the temporary folder, which every
// user shares: there its name carries the user id, so that each user has a
// token of their own, and it is opened without following a symbolic link and
// only when it is a regular file of this user, so that nobody else can point
// it at another file or hold it for them.
#pragma once

#include <string>

class TVxInstanceLock {
public:
    // Takes the lock at once; a failure (read-only folder, a planted link,
    // ...) is reported once and the player runs on without the token.
    TVxInstanceLock();
    ~TVxInstanceLock();
    TVxInstanceLock(const TVxInstanceLock&) = delete;
    TVxInstanceLock& operator=(const TVxInstanceLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Where the lock file lives for the current environment and user.
    static std::string LockFilePath();

private:
    // The open file when it is this user's own regular file, else -1.
    int OpenOwnFile() const;

    std::string path_;
    int fd_ = -1;
};
