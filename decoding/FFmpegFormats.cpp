#include "decoding/FFmpegFormats.h"

#include "decoding/SongFileName.h"

#include <algorithm>
#include <iterator>
#include <strings.h>

const char* const kFFmpegExtensions[10] = {"flac", "aif",  "aiff", "aifc", "m4a",
                                           "mp4",  "alac", "ogg",  "oga",  "opus"};

bool IsFFmpegSongFile(const char* path) {
    const char* extension = SongFileExtension(path);
    if (*extension != '.')
        return false;
    return std::any_of(std::begin(kFFmpegExtensions), std::end(kFFmpegExtensions),
                       [&](const char* known) { return strcasecmp(extension + 1, known) == 0; });
}
