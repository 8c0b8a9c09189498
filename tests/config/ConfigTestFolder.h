// A scratch configuration folder: XDG_CONFIG_HOME points into it for the
// lifetime of the object, so the store's files land there.
#pragma once

#include "frontend/config/GlobalConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace configtest {

class ScratchConfigHome {
public:
    ScratchConfigHome()
        : Path(std::filesystem::temp_directory_path() /
               ("vx-config-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(Path);
        std::filesystem::create_directories(Path);
        ::setenv("XDG_CONFIG_HOME", Path.c_str(), 1);
    }
    ~ScratchConfigHome() {
        ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(Path);
    }

    std::filesystem::path StoreFile() const { return Path / "Zyl/Vexaline/Velm.reg"; }

    std::string ReadStore() const { return ReadText(StoreFile()); }

    void WriteStore(const std::string& text) const {
        std::filesystem::create_directories(StoreFile().parent_path());
        std::ofstream(StoreFile(), std::ios::binary) << text;
    }

    static std::string ReadText(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path Path;
};

} // namespace configtest
