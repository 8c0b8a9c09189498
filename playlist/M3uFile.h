// The playlist file: one song path per line, 8-bit text, written with CR LF
// line ends and no header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits playlist text into usable lines as it arrives, chunk by chunk: a
// line ends at CR, LF or CR LF; reading stops for good at a NUL byte. A UTF-8
// byte-order mark before the first line is skipped. Lines that are empty or
// begin with '#' (the extended format's header and track information) once
// trimmed of blanks and control characters are dropped; the others are kept
// as written, since blanks may belong to a file's name (PlaylistLineTarget
// decides). A line longer than kMaxLineBytes names no file on any system and
// is dropped without being held in memory.
class TM3uLineReader {
public:
    static constexpr std::size_t kMaxLineBytes = 1 << 20;

    void Feed(std::string_view chunk);
    // Ends the last line; call once after the last chunk.
    void Finish();
    bool Stopped() const { return FStopped; }
    std::vector<std::string>& Lines() { return FLines; }

private:
    void EndLine();

    std::string FLine;
    std::vector<std::string> FLines;
    bool FFirstLine = true;
    bool FAfterCR = false;
    bool FTooLong = false;
    bool FStopped = false;
};

// The usable lines of a whole text.
std::vector<std::string> ParsePlaylistText(std::string_view text);

// The absolute path a playlist line names, made absolute against the
// playlist's folder. The line as written wins when it names an existing file;
// otherwise it is trimmed of blanks and control characters, and a line without
// any '/' but with '\' (written where folders are separated by '\') gets its
// separators turned into '/' unless the trimmed line names an existing file.
std::string PlaylistLineTarget(std::string_view line, std::string_view baseFolder);

// Reads the songs a playlist file names, as absolute paths in file order;
// false (and no songs) when the file cannot be opened or read.
bool ReadPlaylistFile(const std::string& fileName, std::vector<std::string>& songs);

// Writes one line per song name (absolute, or relative to the playlist's
// folder), each ending with CR LF, such that reading the file gives the same
// songs back: a name a reader would take for a comment or trim is written as
// "./name". A name holding CR or LF cannot be written as a line: false, and
// nothing is written.
//
// The text goes to a new file beside fileName that is then renamed over it,
// so that a failed write never destroys the playlist that was there. A file
// with several hard links is rewritten in place to keep them, once the copy
// beside it was written whole; a rewrite in place that fails part-way puts
// the old text back. A playlist the user may not write, or marked read-only,
// is refused. False on any failure; fileName is unchanged then.
bool WritePlaylistFile(const std::string& fileName, const std::vector<std::string>& songs);
