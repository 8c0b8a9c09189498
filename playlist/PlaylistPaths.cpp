#include "playlist/PlaylistPaths.h"

#include <climits>
#include <locale.h>
#include <unistd.h>
#include <utility>
#include <wctype.h>

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

// The code point of the UTF-8 sequence at text[at] and its length; length 0
// when the bytes there are not a well-formed sequence.
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size())
        return {0, 0};
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {0, 0};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {0, 0};
    return {code, length};
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
        return;
    }
    int tail = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static constexpr unsigned char kLeadMark[] = {0, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(kLeadMark[tail] | (code >> (6 * tail))));
    for (int i = tail - 1; i >= 0; --i)
        out.push_back(static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F)));
}

// The character tables of the C.UTF-8 locale, whatever the process's own
// locale is; created once and never freed, as a locale must outlive every
// thread that may still fold.
locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

char32_t FoldChar(char32_t code, locale_t locale) {
    if (code < 0x80 || locale == locale_t{})
        return static_cast<char32_t>(LowerAscii(static_cast<char>(code)));
    // Through the upper case first, so that variants such as the final sigma
    // fold together with their plain letter.
    wint_t upper = towupper_l(static_cast<wint_t>(code), locale);
    return static_cast<char32_t>(towlower_l(upper, locale));
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

bool IsPlaylistFileName(std::string_view fileName, std::string_view playlistExt) {
    std::string ext = ExtractFileExtNoDot(fileName);
    if (SameText(ext, playlistExt))
        return true;
    return !playlistExt.empty() && ext.size() == playlistExt.size() + 1 && ext.back() == '8' &&
           SameText(std::string_view(ext).substr(0, playlistExt.size()), playlistExt);
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

std::string FoldCase(std::string_view text) {
    locale_t locale = UnicodeLocale();
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        auto [code, length] = DecodeUtf8(text, at);
        if (length == 0) {
            folded.push_back(text[at++]);
            continue;
        }
        AppendUtf8(folded, FoldChar(code, locale));
        at += length;
    }
    return folded;
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
