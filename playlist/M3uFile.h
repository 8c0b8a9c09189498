// The playlist file: one song path per line, 8-bit text, written with CR LF
// line ends and no header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Splits playlist text into usable lines as it arrives, chunk by chunk: a
// line ends at CR, LF or CR LF; reading stops for good at a NUL byte. Each
// line is trimmed of blanks and control characters; empty lines and lines
// beginning with '#' (the extended format's header and track information)
// are dropped. A line without any '/' but with '\' was written on a system
// that separates folders with '\', and gets its separators turned into '/'.
// A line longer than kMaxLineBytes names no file on any system and is
// dropped without being held in memory.
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
    bool FAfterCR = false;
    bool FTooLong = false;
    bool FStopped = false;
};

// The usable lines of a whole text.
std::vector<std::string> ParsePlaylistText(std::string_view text);

// Reads the usable lines of a playlist file; false (and no lines) when the
// file cannot be opened or read.
bool ReadPlaylistFile(const std::string& fileName, std::vector<std::string>& lines);

// Writes the lines, each ending with CR LF, to a new file beside fileName
// and then renames it over fileName, so that a failed write never destroys
// the playlist that was there. False on any failure; fileName is unchanged
// then.
bool WritePlaylistFile(const std::string& fileName, const std::vector<std::string>& lines);
