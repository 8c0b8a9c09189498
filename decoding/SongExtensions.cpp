#include "decoding/SongExtensions.h"

#include "decoding/FFmpegFormats.h"

std::vector<std::string> VxSongExtensions() {
    std::vector<std::string> extensions{"mp3", "wav", "mp2", "mpg"};
    extensions.insert(extensions.end(), std::begin(kFFmpegExtensions), std::end(kFFmpegExtensions));
    return extensions;
}
