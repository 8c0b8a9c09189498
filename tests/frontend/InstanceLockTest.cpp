#include "frontend/VxInstanceLock.h"

#include "tests/ScopedEnv.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string FreshDir(const char* name) {
    const auto dir = fs::path(VX_TEST_BINARY_DIR) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

} // namespace

TEST(InstanceLock, CopiesShareTheLockAndNoneIsExclusive) {
    const std::string runtime = FreshDir("lock-shared");
    const TScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.c_str());
    TVxInstanceLock first;
    TVxInstanceLock second;
    ASSERT_TRUE(first.Held());
    EXPECT_TRUE(second.Held());
    EXPECT_EQ(first.Path(), runtime + "/VXS VELM FREE.lock");
    // An outside tool asking for the file exclusively learns that a copy runs.
    const int probe = ::open(first.Path().c_str(), O_RDONLY);
    ASSERT_GE(probe, 0);
    EXPECT_NE(::flock(probe, LOCK_EX | LOCK_NB), 0);
    ::close(probe);
}

TEST(InstanceLock, ReleasedWhenTheHolderGoes) {
    const TScopedEnv runtimeDir("XDG_RUNTIME_DIR", FreshDir("lock-release").c_str());
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
    const TScopedEnv runtimeDir("XDG_RUNTIME_DIR",
                                (fs::path(VX_TEST_BINARY_DIR) / "no/such/dir").c_str());
    TVxInstanceLock lock;
    EXPECT_FALSE(lock.Held());
}

// The temporary folder is shared by every user: each has a file of their
// own, nobody else can read it, and nothing planted there under its name
// is followed or taken over.
TEST(InstanceLock, InTheSharedTemporaryFolderTheFileIsTheUsersOwn) {
    const std::string temporary = FreshDir("lock-temporary");
    const TScopedEnv noRuntimeDir("XDG_RUNTIME_DIR", nullptr);
    const TScopedEnv tmpDir("TMPDIR", temporary.c_str());
    const std::string expected =
        temporary + "/VXS VELM FREE-" + std::to_string(::geteuid()) + ".lock";
    {
        const mode_t umaskBefore = ::umask(0);
        TVxInstanceLock lock;
        ::umask(umaskBefore);
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(lock.Path(), expected);
        struct stat status {};
        ASSERT_EQ(::stat(expected.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u);
    }

    const std::string victim = temporary + "/victim";
    const struct {
        const char* Case;
        void (*Plant)(const std::string& path, const std::string& victim);
    } planted[] = {
        {"a symbolic link",
         [](const std::string& path, const std::string& target) {
             ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
         }},
        {"a folder", [](const std::string& path,
                        const std::string&) { ASSERT_EQ(::mkdir(path.c_str(), 0700), 0); }},
        // Only root can give a file away; for anyone else this row plants a
        // file of their own, which must then be taken.
        {"another user's file",
         [](const std::string& path, const std::string&) {
             const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0666);
             ASSERT_GE(fd, 0);
             ::close(fd);
             if (::geteuid() == 0) {
                 ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
             }
         }},
    };
    for (const auto& p : planted) {
        fs::remove_all(expected);
        fs::remove(victim);
        p.Plant(expected, victim);
        TVxInstanceLock lock;
        const bool ownFile = p.Plant == planted[2].Plant && ::geteuid() != 0;
        EXPECT_EQ(lock.Held(), ownFile) << p.Case;
        EXPECT_FALSE(fs::exists(victim)) << p.Case << ": the link was followed";
    }
}
