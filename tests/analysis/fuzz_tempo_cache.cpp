// Hostile bytes as the tempo cache's database file: opening must either
// give a working cache (the file moved aside and rebuilt when damaged) or
// none, and a working cache must keep what is stored in it, unless damage
// found in use moved the file aside meanwhile.
#include "analysis/VxTempoCache.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchFolder() {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/vx-fuzz-tempo-" + std::to_string(getpid());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string folder = ScratchFolder();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    if (FILE* file = std::fopen((folder + "/tempo.db").c_str(), "wb")) {
        if (size > 0)
            std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    {
        TVxTempoCache cache(folder);
        if (cache.Open()) {
            const TVxFileKey key{"/music/a.mp3", 1234, 5678};
            const bool stored =
                cache.StoreDetected(key, {125.5, 12.0}, 1) && cache.StoreUser(key, 126.0);
            const auto found = cache.Lookup(key);
            const bool damaged = std::filesystem::exists(folder + "/tempo.db.damaged");
            if (stored && !damaged &&
                (!found || found->Detected.Bpm != 125.5 || found->UserBpm != 126.0))
                std::abort();
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
