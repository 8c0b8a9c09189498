// Arbitrary bytes as a playlist file: split into lines, then every line made
// absolute and relative again as a load and a save would.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "playlist/M3uFile.h"
#include "playlist/PlaylistPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = ParsePlaylistText(text);
    // Reading in pieces must give the same lines as reading at once.
    TM3uLineReader reader;
    std::size_t piece = size == 0 ? 1 : data[0] % 7 + 1;
    for (std::size_t at = 0; at < size; at += piece)
        reader.Feed(text.substr(at, piece));
    reader.Finish();
    if (reader.Lines() != lines)
        __builtin_trap();
    for (const std::string& line : lines) {
        std::string absolute = PlaylistLineTarget(line, "/music/lists");
        if (absolute.empty() || absolute.front() != '/')
            __builtin_trap();
        MakeRelativePath(absolute, "/music/lists/");
        ExtractFileTitle(absolute);
    }
    return 0;
}
