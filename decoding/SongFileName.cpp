#include "decoding/SongFileName.h"

#include "decoding/VxPlayer.h"

#include <cstring>

namespace {

const char* FileNamePart(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

} // namespace

const char* SongFileExtension(const char* path) {
    const char* name = FileNamePart(path);
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr ? dot : name + std::strlen(name);
}

void CopySongName(const char* text, size_t length, char* name) {
    if (length >= kSongNameSize) {
        length = kSongNameSize - 1;
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    }
    std::memcpy(name, text, length);
    name[length] = '\0';
}

void CopySongFileName(const char* path, char* name) {
    const char* part = FileNamePart(path);
    CopySongName(part, static_cast<size_t>(SongFileExtension(path) - part), name);
}
