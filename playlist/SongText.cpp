#include "playlist/SongText.h"

#include <cstdio>
#include <limits>
#include <sys/stat.h>

#include "playlist/PlaylistPaths.h"

std::string FormatSongTime(uint32_t milliseconds) {
    char text[32];
    if (milliseconds < 3600000u) {
        std::snprintf(text, sizeof text, "%u:%.2u", milliseconds / 60000u,
                      (milliseconds / 1000u) % 60u);
    } else {
        std::snprintf(text, sizeof text, "%u:%.2u:%.2u", milliseconds / 3600000u,
                      (milliseconds / 60000u) % 60u, (milliseconds / 1000u) % 60u);
    }
    return text;
}

void SplitArtistTitle(std::string_view text, std::string& artist, std::string& title) {
    std::string spaced(text);
    for (char& c : spaced) {
        if (c == '_')
            c = ' ';
    }
    std::size_t letter =
        spaced.find_first_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    std::size_t hyphen =
        letter == std::string::npos ? std::string::npos : spaced.find('-', letter + 1);
    if (hyphen == std::string::npos) {
        artist.clear();
        title = spaced;
        return;
    }
    std::string_view whole(spaced);
    artist = std::string(TrimBlanks(whole.substr(0, hyphen)));
    title = std::string(TrimBlanks(whole.substr(hyphen + 1)));
}

uint32_t GetFileSize(const std::string& fileName) {
    struct stat info;
    if (stat(fileName.c_str(), &info) != 0)
        return 0;
    // Sizes beyond the 32-bit field saturate rather than wrap to a small value.
    if (static_cast<unsigned long long>(info.st_size) > std::numeric_limits<uint32_t>::max())
        return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(info.st_size);
}
