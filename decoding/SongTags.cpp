#include "decoding/SongTags.h"

#include "decoding/SongFileName.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/wavfile.h>

namespace {

// TagLib's WAV files answer with their ID3 chunk alone; their RIFF INFO
// list, the more common tag of WAV files, has to be asked for.
const TagLib::Tag* TitledTag(const TagLib::FileRef& file) {
    const TagLib::Tag* tag = file.tag();
    if (tag != nullptr && !tag->title().isEmpty())
        return tag;
    const auto* wav = dynamic_cast<const TagLib::RIFF::WAV::File*>(file.file());
    if (wav != nullptr && wav->hasInfoTag())
        return wav->InfoTag();
    return tag;
}

} // namespace

std::string ReadSongTagTitle(const char* path) {
    const TagLib::FileRef file(path, false);
    const TagLib::Tag* tag = file.isNull() ? nullptr : TitledTag(file);
    if (tag == nullptr)
        return {};
    const TagLib::String title = tag->title().stripWhiteSpace();
    const TagLib::String artist = tag->artist().stripWhiteSpace();
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
