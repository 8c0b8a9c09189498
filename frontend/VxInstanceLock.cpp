#include "frontend/VxInstanceLock.h"

#include "diag/Diag.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kLockFileName = "VXS VELM FREE.lock";

std::string FolderFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? value : "";
}

} // namespace

std::string TVxInstanceLock::LockFilePath() {
    std::string folder = FolderFromEnvironment("XDG_RUNTIME_DIR");
    if (folder.empty())
        folder = FolderFromEnvironment("TMPDIR");
    if (folder.empty())
        folder = "/tmp";
    if (folder.back() != '/')
        folder += '/';
    return folder + kLockFileName;
}

TVxInstanceLock::TVxInstanceLock() : path_(LockFilePath()) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        DIAG_REPORT(kDiagReported, "VxMain: Can't create the lock file %s [%s]", path_.c_str(),
                    std::strerror(errno));
        return;
    }
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
