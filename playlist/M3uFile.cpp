#include "playlist/M3uFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/PlaylistPaths.h"

void TM3uLineReader::Feed(std::string_view chunk) {
    for (char c : chunk) {
        if (FStopped)
            return;
        if (c == '\0') {
            FStopped = true;
            return;
        }
        bool lineFeedAfterCR = FAfterCR && c == '\n';
        FAfterCR = c == '\r';
        if (lineFeedAfterCR)
            continue;
        if (c == '\r' || c == '\n')
            EndLine();
        else if (FLine.size() < kMaxLineBytes)
            FLine.push_back(c);
        else
            FTooLong = true;
    }
}

void TM3uLineReader::Finish() {
    EndLine();
    FStopped = true;
}

void TM3uLineReader::EndLine() {
    std::string_view line = TrimBlanks(FLine);
    if (!FTooLong && !line.empty() && line.front() != '#') {
        std::string& kept = FLines.emplace_back(line);
        if (kept.find('/') == std::string::npos) {
            for (char& c : kept) {
                if (c == '\\')
                    c = '/';
            }
        }
    }
    FLine.clear();
    FTooLong = false;
}

std::vector<std::string> ParsePlaylistText(std::string_view text) {
    TM3uLineReader reader;
    reader.Feed(text);
    reader.Finish();
    return std::move(reader.Lines());
}

bool ReadPlaylistFile(const std::string& fileName, std::vector<std::string>& lines) {
    lines.clear();
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr)
        return false;
    TM3uLineReader reader;
    char buffer[65536];
    bool failed = false;
    while (!reader.Stopped()) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        reader.Feed(std::string_view(buffer, got));
        if (got < sizeof buffer) {
            failed = std::ferror(file) != 0;
            break;
        }
    }
    std::fclose(file);
    if (failed)
        return false;
    reader.Finish();
    lines = std::move(reader.Lines());
    return true;
}

namespace {

// The file the rename replaces: the target of a symbolic link rather than
// the link itself, so that a linked playlist stays linked.
std::string ResolvedTarget(const std::string& fileName) {
    char resolved[PATH_MAX];
    if (realpath(fileName.c_str(), resolved) != nullptr)
        return resolved;
    return fileName;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool WriteAndClose(int fd, const std::string& text) {
    bool ok = WriteAll(fd, text) && fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

// Writes text to a fresh file at path; removes it again on failure.
bool WriteNewFile(const std::string& path, int fd, const std::string& text) {
    bool ok = WriteAndClose(fd, text);
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

// A folder that lets its files be written but takes no new ones leaves no
// room for a temporary file: the playlist is then truncated and rewritten in
// place, as it would be without the temporary file.
bool RewriteInPlace(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    return fd >= 0 && WriteAndClose(fd, text);
}

} // namespace

bool WritePlaylistFile(const std::string& fileName, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text.append(line).append("\r\n");
    std::string target = ResolvedTarget(fileName);
    struct stat old;
    if (stat(target.c_str(), &old) != 0) {
        // Nothing to preserve: create the file itself with the usual mode.
        int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0 && WriteNewFile(target, fd, text);
    }
    std::string temporary = target + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return (errno == EACCES || errno == EPERM) && RewriteInPlace(target, text);
    if (fchmod(fd, old.st_mode & 07777) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!WriteNewFile(temporary, fd, text))
        return false;
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
