// Parses arbitrary bytes as a settings file. Whatever was readable must
// survive a rewrite unchanged, and loading the whole settings record from
// such a file must work.
#include "frontend/config/GlobalConfig.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

// Never destroyed, so that the clean-up at exit can still name it.
const std::filesystem::path& ScratchHome() {
    static const auto* home = [] {
        const std::filesystem::path base =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
        auto* folder =
            new std::filesystem::path(base / ("vx-fuzz-config-" + std::to_string(getpid())));
        std::filesystem::create_directories(*folder / "Zyl/Vexaline");
        setenv("XDG_CONFIG_HOME", folder->c_str(), 1);
        return folder;
    }();
    return *home;
}

void RemoveScratchHome() {
    std::filesystem::remove_all(ScratchHome());
}

void CheckRoundTrip(std::string_view bytes) {
    const TRegParseResult parsed = ParseRegText(bytes);
    const TRegParseResult again =
        ParseRegText(FormatRegText("HKEY_CURRENT_USER\\X", parsed.Values));
    if (again.Damaged || again.Values != parsed.Values)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckRoundTrip(bytes);
    static const int cleanUp = std::atexit(RemoveScratchHome);
    (void)cleanUp;
    std::ofstream(ScratchHome() / "Zyl/Vexaline/Velm.reg", std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    TGlobalConfigTAG config;
    config.LoadSettings(kVxConfigKeyPath);
    if (std::memchr(config.OpenPath.Value, 0, sizeof config.OpenPath.Value) == nullptr)
        std::abort();
    return 0;
}
