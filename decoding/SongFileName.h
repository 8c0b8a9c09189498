// The parts of a song's path that decoders show or test: the file name
// without folder and extension, and the extension; and the display-name
// buffer they are written to.
#pragma once

// The extension of the file name part, from its dot; the empty text at the
// end of path when the name has none.
const char* SongFileExtension(const char* path);

#include <cstddef>

// Writes length bytes of a UTF-8 text into name (kSongNameSize bytes), cut
// before a character that would not fit.
void CopySongName(const char* text, size_t length, char* name);

// Writes the file name without folder and extension into name
// (kSongNameSize bytes), cut before a UTF-8 character that would not fit.
void CopySongFileName(const char* path, char* name);
