// Texts shown for songs: durations and the artist/title split of a name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "m:ss" below one hour, "h:mm:ss" from one hour on.
std::string FormatSongTime(uint32_t milliseconds);

// Underscores become blanks; the text is split at the first '-' that follows
// the first ASCII letter, so a leading track number such as "01 - " never
// becomes an artist. Without such a '-' the whole text is the title.
void SplitArtistTitle(std::string_view text, std::string& artist, std::string& title);

// File size in bytes, 0 when the file cannot be found; sizes beyond 32 bits
// saturate at the largest value.
uint32_t GetFileSize(const std::string& fileName);
