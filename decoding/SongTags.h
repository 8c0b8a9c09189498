// The title a song's own tags give, read with TagLib: ID3v2 and ID3v1 in
// MPEG files, Vorbis comments in FLAC, Ogg Vorbis and Opus, MP4 atoms,
// RIFF INFO and ID3 chunks in WAV, ID3 in AIFF.
//
// Only the tags are read, not the audio properties, so that a folder scan
// pays for a few header reads per file. Callable from any thread; keeps no
// state.
#pragma once

#include <string>

// "Artist - Title", or the title alone when no artist is named, in UTF-8;
// empty when the file has no tags, no title, or cannot be read.
std::string ReadSongTagTitle(const char* path);

// As ReadSongTagTitle, into a display-name buffer (kSongNameSize bytes),
// cut before a UTF-8 character that would not fit. False, leaving name
// untouched, when the tags give no title.
bool CopySongTagTitle(const char* path, char* name);
