#include "playlist/M3uFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/PlaylistPaths.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

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
    std::string_view line = FLine;
    if (FFirstLine && line.starts_with(kByteOrderMark))
        line.remove_prefix(kByteOrderMark.size());
    FFirstLine = false;
    std::string_view trimmed = TrimBlanks(line);
    if (!FTooLong && !trimmed.empty() && trimmed.front() != '#')
        FLines.emplace_back(line);
    FLine.clear();
    FTooLong = false;
}

std::vector<std::string> ParsePlaylistText(std::string_view text) {
    TM3uLineReader reader;
    reader.Feed(text);
    reader.Finish();
    return std::move(reader.Lines());
}

std::string PlaylistLineTarget(std::string_view line, std::string_view baseFolder) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.size() != line.size()) {
        std::string written = MakeAbsolutePath(line, baseFolder);
        if (Exists(written))
            return written;
    }
    std::string target = MakeAbsolutePath(trimmed, baseFolder);
    if (trimmed.find('/') != std::string_view::npos ||
        trimmed.find('\\') == std::string_view::npos || Exists(target))
        return target;
    std::string converted(trimmed);
    for (char& c : converted) {
        if (c == '\\')
            c = '/';
    }
    return MakeAbsolutePath(converted, baseFolder);
}

bool ReadPlaylistFile(const std::string& fileName, std::vector<std::string>& songs) {
    songs.clear();
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
    std::string folder = ExtractFilePath(fileName);
    for (const std::string& line : reader.Lines())
        songs.push_back(PlaylistLineTarget(line, folder));
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

// Writes text at the file's start; written counts the bytes that reached it.
bool WriteAtStart(int fd, std::string_view text, std::size_t& written) {
    written = 0;
    while (written < text.size()) {
        ssize_t wrote =
            ::pwrite(fd, text.data() + written, text.size() - written, static_cast<off_t>(written));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        written += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool WriteAndClose(int fd, const std::string& text) {
    std::size_t written = 0;
    bool ok = WriteAtStart(fd, text, written) && fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

// Writes text to a fresh file at path; removes it again on failure.
bool WriteNewFile(const std::string& path, int fd, const std::string& text) {
    bool ok = WriteAndClose(fd, text);
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

bool ReadAll(int fd, std::string& text) {
    char chunk[65536];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        text.append(chunk, static_cast<std::size_t>(got));
    }
}

// Puts back the first overwritten bytes of the old text and its length;
// neither needs room the file did not have. Best effort: the write that
// failed is reported either way.
void PutBack(int fd, std::string_view old, std::size_t overwritten) {
    std::size_t restored = 0;
    if (WriteAtStart(fd, old.substr(0, overwritten), restored) &&
        ftruncate(fd, static_cast<off_t>(old.size())) == 0)
        fsync(fd);
}

// The playlist rewritten in place keeps its inode, and with it every hard
// link. The old text is read first, so that a write that fails part-way (a
// full disk, a file size limit) leaves the old playlist, not a cut one.
bool RewriteInPlace(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string old;
    std::size_t written = 0;
    const bool read = ReadAll(fd, old);
    const bool ok = read && WriteAtStart(fd, text, written) &&
                    ftruncate(fd, static_cast<off_t>(text.size())) == 0 && fsync(fd) == 0;
    if (read && !ok)
        PutBack(fd, old, written);
    return (::close(fd) == 0) && ok;
}

// The new text goes to a complete copy beside the playlist first. A playlist
// of one link is then replaced by the copy; one with several hard links is
// rewritten in place to keep them, once the copy has shown that the text
// fits (file size limit, free room), and the copy is removed.
bool WriteThroughCopy(const std::string& target, const struct stat& old, const std::string& text) {
    std::string temporary = target + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    // A folder that lets its files be written but takes no new ones leaves
    // no room for the copy: the playlist is rewritten in place alone.
    if (fd < 0)
        return (errno == EACCES || errno == EPERM) && RewriteInPlace(target, text);
    if (old.st_nlink <= 1 && fchmod(fd, old.st_mode & 07777) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!WriteNewFile(temporary, fd, text))
        return false;
    if (old.st_nlink > 1) {
        const bool rewritten = RewriteInPlace(target, text);
        ::unlink(temporary.c_str());
        return rewritten;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// A reader would drop or trim a line that begins like this; a trailing blank
// needs nothing, as the line as written is tried first.
bool MisreadAsWritten(std::string_view song) {
    return song.front() == '#' || TrimBlanks(song.substr(0, 1)).empty() ||
           song.starts_with(kByteOrderMark);
}

// The playlist text for the song names; false when a name cannot be a line.
bool ComposePlaylistText(const std::vector<std::string>& songs, std::string& text) {
    for (const std::string& song : songs) {
        if (song.empty() || song.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            return false;
        text.append(MisreadAsWritten(song) ? "./" : "").append(song).append("\r\n");
    }
    return true;
}

} // namespace

bool WritePlaylistFile(const std::string& fileName, const std::vector<std::string>& songs) {
    std::string text;
    if (!ComposePlaylistText(songs, text))
        return false;
    std::string target = ResolvedTarget(fileName);
    struct stat old;
    if (stat(target.c_str(), &old) != 0) {
        // Nothing to preserve: create the file itself with the usual mode.
        int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return fd >= 0 && WriteNewFile(target, fd, text);
    }
    // The rename would replace a file the user may not write, or has marked
    // read-only (which even a privileged user means to be left alone).
    if (access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0)
        return false;
    return WriteThroughCopy(target, old, text);
}
