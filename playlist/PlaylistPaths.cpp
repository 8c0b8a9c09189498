#include "playlist/PlaylistPaths.h"

#include <climits>
#include <unistd.h>

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
}

std::string_view NameOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Splits an absolute path into its folder and file names, resolving "." and
// "..": ".." at the root stays at the root, as the system itself does.
std::vector<std::string_view> SplitNormalised(std::string_view path) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    return names;
}

} // namespace

std::string ExtractFileName(std::string_view path) {
    return std::string(NameOf(path));
}

std::string ExtractFilePath(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileExtNoDot(std::string_view path) {
    std::string_view name = NameOf(path);
    std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

bool HasExtension(std::string_view fileName, const std::vector<std::string>& extensions) {
    std::string ext = ExtractFileExtNoDot(fileName);
    for (const std::string& known : extensions) {
        if (SameText(ext, known))
            return true;
    }
    return false;
}

std::string ExtractFileTitle(std::string_view path) {
    std::string_view name = NameOf(path);
    std::size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string MakeAbsolutePath(std::string_view path, std::string_view baseFolder) {
    std::string joined;
    if (path.empty() || path.front() != '/') {
        joined.reserve(baseFolder.size() + 1 + path.size());
        joined.append(baseFolder).append("/");
    }
    joined.append(path);
    std::string result;
    result.reserve(joined.size());
    for (std::string_view name : SplitNormalised(joined))
        result.append("/").append(name);
    return result.empty() ? std::string("/") : result;
}

std::string MakeRelativePath(std::string_view songPath, std::string_view baseFolder) {
    std::vector<std::string_view> base = SplitNormalised(baseFolder);
    std::vector<std::string_view> song = SplitNormalised(songPath);
    if (song.empty())
        return std::string(songPath);
    // The last name of the song is its file name; only folders are shared.
    std::size_t shared = 0;
    while (shared < base.size() && shared + 1 < song.size() && base[shared] == song[shared])
        ++shared;
    std::string result;
    for (std::size_t i = shared; i < base.size(); ++i)
        result.append("../");
    for (std::size_t i = shared; i + 1 < song.size(); ++i)
        result.append(song[i]).append("/");
    result.append(song.back());
    return result;
}

std::string CurrentFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (getcwd(buffer.data(), buffer.size()) == nullptr)
        return "/";
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first]))
        ++first;
    while (last > first && IsBlankOrControl(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

int CompareText(std::string_view a, std::string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}
