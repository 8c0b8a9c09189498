#include "frontend/VxInstanceLock.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

class ScopedRuntimeDir {
public:
    explicit ScopedRuntimeDir(const std::string& dir) {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old != nullptr)
            old_ = old;
        hadOld_ = old != nullptr;
        ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    ~ScopedRuntimeDir() {
        if (hadOld_)
            ::setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

private:
    std::string old_;
    bool hadOld_ = false;
};

std::string FreshDir(const char* name) {
    const auto dir = std::filesystem::path(VX_TEST_BINARY_DIR) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

} // namespace

TEST(InstanceLock, CopiesShareTheLockAndNoneIsExclusive) {
    ScopedRuntimeDir runtime(FreshDir("lock-shared"));
    TVxInstanceLock first;
    TVxInstanceLock second;
    ASSERT_TRUE(first.Held());
    EXPECT_TRUE(second.Held());
    EXPECT_EQ(first.Path(), std::filesystem::path(FreshDir("lock-shared-unused")).parent_path() /
                                "lock-shared" / "VXS VELM FREE.lock");
    // An outside tool asking for the file exclusively learns that a copy runs.
    const int probe = ::open(first.Path().c_str(), O_RDONLY);
    ASSERT_GE(probe, 0);
    EXPECT_NE(::flock(probe, LOCK_EX | LOCK_NB), 0);
    ::close(probe);
}

TEST(InstanceLock, ReleasedWhenTheHolderGoes) {
    ScopedRuntimeDir runtime(FreshDir("lock-release"));
    std::string path;
    {
        TVxInstanceLock lock;
        path = lock.Path();
    }
    const int probe = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(probe, 0);
    EXPECT_EQ(::flock(probe, LOCK_EX | LOCK_NB), 0);
    ::close(probe);
}

TEST(InstanceLock, AMissingFolderIsReportedNotFatal) {
    ScopedRuntimeDir runtime((std::filesystem::path(VX_TEST_BINARY_DIR) / "no/such/dir").string());
    TVxInstanceLock lock;
    EXPECT_FALSE(lock.Held());
}
