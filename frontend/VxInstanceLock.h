// The token every running copy of the player holds for its whole life: a lock
// file "VXS VELM FREE.lock" in the user's runtime folder (the temp folder
// when there is none), held with a shared advisory lock. Nothing waits on it;
// it only tells outside tools that a copy runs. Several copies share it.
#pragma once

#include <string>

class TVxInstanceLock {
public:
    // Takes the lock at once; a failure (read-only folder, ...) is reported
    // once and the player runs on without the token.
    TVxInstanceLock();
    ~TVxInstanceLock();
    TVxInstanceLock(const TVxInstanceLock&) = delete;
    TVxInstanceLock& operator=(const TVxInstanceLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Where the lock file lives for the current environment.
    static std::string LockFilePath();

private:
    std::string path_;
    int fd_ = -1;
};
