#include "frontend/VxInstanceLock.h"

#include "diag/Diag.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kLockName = "VXS VELM FREE";
// Owner read and write only; the umask can take bits away, never add any.
constexpr mode_t kLockFileMode = 0600;

std::string FolderFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : "";
}

std::string WithSeparator(std::string folder) {
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string TVxInstanceLock::LockFilePath() {
    const std::string runtime = FolderFromEnvironment("XDG_RUNTIME_DIR");
    if (!runtime.empty())
        return WithSeparator(runtime) + kLockName + ".lock";
    std::string temporary = FolderFromEnvironment("TMPDIR");
    if (temporary.empty())
        temporary = "/tmp";
    return WithSeparator(temporary) + kLockName + "-" + std::to_string(::geteuid()) + ".lock";
}

int TVxInstanceLock::OpenOwnFile() const {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                          kLockFileMode);
    if (fd < 0) {
        DIAG_REPORT(kDiagReported, "VxMain: Can't create the lock file %s [%s]", path_.c_str(),
                    std::strerror(errno));
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
        DIAG_REPORT(kDiagReported, "VxMain: The lock file %s is not this user's own file",
                    path_.c_str());
        ::close(fd);
        return -1;
    }
    return fd;
}

TVxInstanceLock::TVxInstanceLock() : path_(LockFilePath()) {
    fd_ = OpenOwnFile();
    if (fd_ < 0)
        return;
    // Shared: every copy holds it at once, and nobody ever waits for it.
    if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
        DIAG_REPORT(kDiagReported, "VxMain: Can't lock %s [%s]", path_.c_str(),
                    std::strerror(errno));
        ::close(fd_);
        fd_ = -1;
    }
}

TVxInstanceLock::~TVxInstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}
