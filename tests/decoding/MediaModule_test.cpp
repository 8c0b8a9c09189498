#include "decoding/MediaModule.h"

#include <gtest/gtest.h>

#include <string>

// A module that cannot be loaded is named, with the loader's reason; the
// reason of a file that failed wins over that of a place without one.
TEST(MediaModuleTest, AFailedLoadNamesTheModuleAndTheReason) {
    const std::string missing = std::string(VX_TEST_BINARY_DIR) + "/no-such-module.so";
    const std::string notALibrary = std::string(VX_TEST_DATA_DIR) + "/formats/flac16.flac";
    struct Case {
        std::vector<std::string> Paths;
        const char* Reason;
    };
    const Case cases[] = {
        {{missing}, "No such file or directory"},
        {{missing, notALibrary}, "flac16.flac: invalid ELF header"},
        {{}, "no place to look for it"},
    };
    for (const Case& c : cases) {
        const TVxMediaLoad load = VxLoadMediaModule(c.Paths);
        EXPECT_EQ(load.Entries, nullptr);
        EXPECT_NE(load.Error.find("libvexaline-media.so"), std::string::npos) << load.Error;
        EXPECT_NE(load.Error.find(c.Reason), std::string::npos) << load.Error;
    }
    EXPECT_NE(VxMediaModule().Entries, nullptr) << VxMediaModule().Error;
}
