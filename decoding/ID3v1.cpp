#include "decoding/ID3v1.h"

#include "decoding/ZylFile.h"

#include <cstring>
#include <fcntl.h>
#include <string>

namespace {

constexpr size_t kFieldSize = 30;
constexpr size_t kTitleAt = 3;
constexpr size_t kArtistAt = 33;

// A field up to its first NUL, without trailing blanks.
std::string FieldText(const uint8_t* field) {
    size_t length = strnlen(reinterpret_cast<const char*>(field), kFieldSize);
    while (length > 0 && field[length - 1] == ' ')
        --length;
    return std::string(reinterpret_cast<const char*>(field), length);
}

void AppendUtf8FromLatin1(std::string& out, const std::string& latin1) {
    for (const unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

// Copies text, cut at a character boundary so that the result stays UTF-8.
void CopyUtf8(char* dest, size_t size, const std::string& text) {
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    while (length > 0 && length < text.size() && (text[length] & 0xC0) == 0x80)
        --length;
    std::memcpy(dest, text.data(), length);
    dest[length] = '\0';
}

} // namespace

void ID3v1TitleFromTag(const uint8_t (&tag)[kID3v1Size], char* title, size_t size) {
    if (size == 0)
        return;
    title[0] = '\0';
    if (std::memcmp(tag, "TAG", 3) != 0)
        return;
    const std::string artist = FieldText(tag + kArtistAt);
    const std::string song = FieldText(tag + kTitleAt);
    std::string text;
    AppendUtf8FromLatin1(text, artist);
    if (!artist.empty() && !song.empty())
        text += " - ";
    AppendUtf8FromLatin1(text, song);
    CopyUtf8(title, size, text);
}

void ReadID3v1Title(const char* path, char* title, size_t size) {
    if (size == 0)
        return;
    title[0] = '\0';
    TZylFileHndTAG file;
    if (file.Open(path, O_RDONLY) < 0)
        return;
    uint8_t tag[kID3v1Size];
    const bool read = file.Seek(-static_cast<int64_t>(kID3v1Size), 2) >= 0 &&
                      file.Read(tag, kID3v1Size) == static_cast<int64_t>(kID3v1Size);
    file.Close();
    if (read)
        ID3v1TitleFromTag(tag, title, size);
}
