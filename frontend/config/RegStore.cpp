#include "frontend/config/RegStore.h"

#include "frontend/config/XdgFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Larger files are not settings any more; they are kept as a damaged copy
// and the store starts afresh.
constexpr off_t kMaxStoreBytes = 64 * 1024 * 1024;

// "Software\Zyl\Vexaline\Velm" -> "Zyl/Vexaline/Velm", or "" when a part
// could leave the configuration folder.
std::string KeyRelativePath(const std::string& keyPath) {
    std::string relative;
    size_t start = 0;
    bool first = true;
    while (start <= keyPath.size()) {
        const size_t end = std::min(keyPath.find('\\', start), keyPath.size());
        const std::string part = keyPath.substr(start, end - start);
        start = end + 1;
        if (first && strcasecmp(part.c_str(), "Software") == 0 && end < keyPath.size()) {
            first = false;
            continue;
        }
        first = false;
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos)
            return "";
        relative += (relative.empty() ? "" : "/") + part;
    }
    return relative;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, std::string& bytes) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(chunk, static_cast<size_t>(n));
    }
}

void SyncFolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Writes a temporary file beside path, syncs it and renames it over path.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool read = ReadAll(fd, bytes);
    ::close(fd);
    return read;
}

// Keeps the damaged original as "<path>.bad" before it is rewritten: a hard
// link costs nothing whatever its size; a copy is the fallback where links
// are not allowed.
bool KeepDamagedCopy(const std::string& path) {
    const std::string bad = path + ".bad";
    const std::string link = bad + "." + std::to_string(::getpid());
    ::unlink(link.c_str());
    if (::link(path.c_str(), link.c_str()) == 0) {
        if (::rename(link.c_str(), bad.c_str()) == 0)
            return true;
        ::unlink(link.c_str());
    }
    std::string bytes;
    return ReadFileBytes(path, bytes) && ReplaceFileAtomically(bad, bytes);
}

// Holds an exclusive advisory lock on "<path>.lock" for its lifetime. The
// lock file itself is never removed: removing it would let two savers lock
// two different files.
class TStoreLock {
public:
    explicit TStoreLock(const std::string& path) {
        Fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (Fd < 0)
            return;
        int locked;
        do {
            locked = ::flock(Fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            ::close(Fd);
            Fd = -1;
        }
    }
    ~TStoreLock() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TStoreLock(const TStoreLock&) = delete;
    TStoreLock& operator=(const TStoreLock&) = delete;
    bool Held() const { return Fd >= 0; }

private:
    int Fd = -1;
};

bool CommitRegValues(const std::string& filePath, const std::string& keyPath,
                     const TRegValues& written) {
    TStoreLock lock(filePath);
    if (!lock.Held())
        return false;
    TRegParseResult current;
    if (!ReadRegFile(filePath, current))
        return false;
    if (current.Damaged && !KeepDamagedCopy(filePath))
        return false;
    for (const auto& [name, data] : written)
        current.Values[name] = data;
    return ReplaceFileAtomically(filePath,
                                 FormatRegText("HKEY_CURRENT_USER\\" + keyPath, current.Values));
}

} // namespace

std::string RegKeyFilePath(const std::string& keyPath) {
    const std::string relative = KeyRelativePath(keyPath);
    const std::string home = VxXdgFolder("XDG_CONFIG_HOME", ".config");
    if (relative.empty() || home.empty())
        return "";
    return home + "/" + relative + ".reg";
}

bool ReadRegFile(const std::string& filePath, TRegParseResult& result) {
    result = TRegParseResult{};
    // Non-blocking, so that a pipe or device in the file's place cannot hang
    // the start-up; anything but a regular file cannot be read.
    const int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT;
    struct stat info {};
    std::string bytes;
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (read && info.st_size > kMaxStoreBytes)
        result.Damaged = true;
    else
        read = read && ReadAll(fd, bytes);
    ::close(fd);
    if (read && !result.Damaged)
        result = ParseRegText(bytes);
    return read;
}

bool TRegStoreKey::Open(const std::string& keyPath) {
    Close();
    FilePath = RegKeyFilePath(keyPath);
    if (FilePath.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(FilePath).parent_path(), error);
    TRegParseResult current;
    if (error || !ReadRegFile(FilePath, current))
        return false;
    KeyPath = keyPath;
    Values = std::move(current.Values);
    Pending.clear();
    Opened = true;
    return true;
}

const TRegData* TRegStoreKey::Find(const std::string& name) const {
    const auto found = Values.find(name);
    return found != Values.end() ? &found->second : nullptr;
}

void TRegStoreKey::Write(const std::string& name, TRegData data) {
    if (!Opened)
        return;
    Values[name] = data;
    Pending[name] = std::move(data);
}

bool TRegStoreKey::Close() {
    if (!Opened)
        return true;
    Opened = false;
    const bool committed = Pending.empty() || CommitRegValues(FilePath, KeyPath, Pending);
    Pending.clear();
    return committed;
}
