// The playlist entry and the option sets shared by the playlist, its scan
// thread and the window that handles their events.
#pragma once

#include <cstdint>
#include <string>

// One playlist entry. The playlist owns it; UserSongInfo belongs to the event
// handlers and is never touched by the playlist.
struct TSongInfo {
    std::string FileName;  // full path of the song file
    uint32_t FileSize = 0; // bytes when the entry was made, 0 if the file was not found
    std::string Caption;   // the text shown for the entry
    std::string Artist;
    std::string Title;
    uint32_t Duration = 0; // milliseconds, 0 when unknown
    void* UserSongInfo = nullptr;
};

// Option sets are bytes with bit n standing for member n.
using TPlaylistOptions = uint8_t;
enum TPlaylistOption : TPlaylistOptions {
    poPlaylistLoop = 1u << 0,
    poDeleteAfterPlay = 1u << 1,
    poAutoOpen = 1u << 2,
    poRandomPlay = 1u << 3,
    poShowFileNames = 1u << 4,
    poSaveAbsolutePaths = 1u << 5,
};

using TFileScanOptions = uint8_t;
enum TFileScanOption : TFileScanOptions {
    fsExpandFolders = 1u << 0,
    fsExpandPlaylists = 1u << 1,
    fsCheckFileExists = 1u << 2,
    fsAllowDuplicates = 1u << 3,
    fsAllowAnyExt = 1u << 4,
};
