#include "decoding/SongTags.h"

#include "decoding/SongFileName.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>

std::string ReadSongTagTitle(const char* path) {
    const TagLib::FileRef file(path, false);
    if (file.isNull() || file.tag() == nullptr)
        return {};
    const TagLib::String title = file.tag()->title().stripWhiteSpace();
    const TagLib::String artist = file.tag()->artist().stripWhiteSpace();
    if (title.isEmpty())
        return {};
    if (artist.isEmpty())
        return title.to8Bit(true);
    return artist.to8Bit(true) + " - " + title.to8Bit(true);
}

bool CopySongTagTitle(const char* path, char* name) {
    if (name == nullptr)
        return false;
    const std::string title = ReadSongTagTitle(path);
    if (title.empty())
        return false;
    CopySongName(title.data(), title.size(), name);
    return true;
}
