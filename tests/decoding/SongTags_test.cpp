#include "decoding/SongTags.h"

#include "FormatReference.h"

#include <gtest/gtest.h>

// Each way of tagging gives "Artist - Title" (or the title alone); a file
// without tags, or one TagLib cannot read, gives nothing, so that the
// caller falls back to the decoder's title or the file name.
TEST(SongTagsTest, TitlesComeFromEachFormatsOwnTags) {
    const std::string mpeg = std::string(VX_TEST_DATA_DIR) + "/mpeg/";
    const std::pair<std::string, std::string> cases[] = {
        {FormatFixture("flac16.flac"), "Flac Artist - Flac Title"},
        {FormatFixture("vorbis.ogg"), "Vorbis Artist - Vorbis Title"},
        {FormatFixture("opus.opus"), "Opus Artist - Opus Title"},
        {FormatFixture("aac.m4a"), "Aac Artist - Aac Title"},
        {FormatFixture("info.wav"), "Wave Artist - Wave Title"},
        {FormatFixture("aiff16.aiff"), "Aiff Artist - Aiff Title"},
        {mpeg + "id3v2.mp3", "Tagged"},
        {mpeg + "cbr128_id3v1.mp3", "Some Artist - Song Title"},
        {FormatFixture("flac24.flac"), ""},
        {FormatFixture("empty.flac"), ""},
        {FormatFixture("missing.opus"), ""},
    };
    for (const auto& [path, title] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ReadSongTagTitle(path.c_str()), title);
        char name[kSongNameSize] = "unchanged";
        EXPECT_EQ(CopySongTagTitle(path.c_str(), name), !title.empty());
        EXPECT_EQ(std::string(name), title.empty() ? "unchanged" : title);
    }
}
