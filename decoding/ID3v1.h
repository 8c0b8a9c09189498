// The display title of an MPEG file from the ID3v1 tag in its last 128
// bytes: "artist - title", the title alone, or empty. The tag's fields are
// ISO-8859-1; the title is handed on as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kID3v1Size = 128;

// title receives at most size bytes including the NUL; empty when the file
// cannot be read or has no tag.
void ReadID3v1Title(const char* path, char* title, size_t size);

// The same from the tag block itself.
void ID3v1TitleFromTag(const uint8_t (&tag)[kID3v1Size], char* title, size_t size);
