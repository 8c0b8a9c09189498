// Path and text helpers of the playlist. Paths are byte strings with '/' as
// the separator; relative names are always resolved against an explicit base
// folder, never against the process's current folder, which a background
// scan must not change.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The name after the last '/'.
std::string ExtractFileName(std::string_view path);
// Everything up to and including the last '/' (empty when there is none).
std::string ExtractFilePath(std::string_view path);
// The extension of the name without its dot; empty when the name has none.
std::string ExtractFileExtNoDot(std::string_view path);
// The name without folder and extension.
std::string ExtractFileTitle(std::string_view path);

// Whether the name's extension is one of extensions (without dots), compared
// without regard to case.
bool HasExtension(std::string_view fileName, const std::vector<std::string>& extensions);
// Whether the name is a playlist file of the kind playlistExt names (without
// dot), or of its UTF-8 form, which carries an '8' after the extension
// ("m3u8" beside "m3u").
bool IsPlaylistFileName(std::string_view fileName, std::string_view playlistExt);

// path made absolute against baseFolder, with "." and ".." steps and doubled
// separators resolved and no trailing '/' (except for the root itself).
std::string MakeAbsolutePath(std::string_view path, std::string_view baseFolder);

// The form of songPath that a playlist file in baseFolder stores: "../" for
// every folder of the base not shared with the song, then the song's own
// remaining folders and its name. Both paths must be absolute. Folder names
// are compared exactly: on this system "Music" and "music" are two folders.
std::string MakeRelativePath(std::string_view songPath, std::string_view baseFolder);

// The process's current folder, read once for resolving names given on the
// command line or by a dialog; "/" when it cannot be read.
std::string CurrentFolder();

// Blanks and control characters removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// The text with every letter in one case, the Unicode way: names that differ
// only in case ("Ärger", "ärger") fold to the same text. Bytes that are not
// UTF-8 stay as they are.
std::string FoldCase(std::string_view text);

// ASCII letters compared without regard to case; other bytes exactly.
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
