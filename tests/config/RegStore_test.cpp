#include "frontend/config/RegStore.h"

#include "ConfigTestFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using configtest::ScratchConfigHome;

namespace {

const std::string kKey = "Software\\Zyl\\Vexaline\\Velm";

void SaveOne(const std::string& name, const TRegData& data) {
    TRegStoreKey key;
    ASSERT_TRUE(key.Open(kKey));
    key.Write(name, data);
    ASSERT_TRUE(key.Close());
}

TRegParseResult ParseStore(const ScratchConfigHome& home) {
    return ParseRegText(home.ReadStore());
}

} // namespace

TEST(RegStorePathTest, MapsTheKeyPathUnderTheConfigurationFolder) {
    ScratchConfigHome home;
    EXPECT_EQ(RegKeyFilePath(kKey), (home.Path / "Zyl/Vexaline/Velm.reg").string());
    EXPECT_EQ(RegKeyFilePath("Zyl\\Other"), (home.Path / "Zyl/Other.reg").string());
    EXPECT_EQ(RegKeyFilePath("Software\\..\\Velm"), "");
    EXPECT_EQ(RegKeyFilePath("Software\\Zyl\\\\Velm"), "");
    EXPECT_EQ(RegKeyFilePath("Software\\a/b"), "");
    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    const char* userHome = std::getenv("HOME");
    if (userHome != nullptr && userHome[0] == '/') {
        EXPECT_EQ(RegKeyFilePath(kKey), std::string(userHome) + "/.config/Zyl/Vexaline/Velm.reg");
    }
}

TEST(RegStoreTest, WritesReachTheFileOnCloseAndKeepOtherCopiesValues) {
    ScratchConfigHome home;
    TRegStoreKey first;
    TRegStoreKey second;
    ASSERT_TRUE(first.Open(kKey));
    ASSERT_TRUE(second.Open(kKey));
    first.Write("FromFirst", RegDataFromDword(1));
    ASSERT_NE(first.Find("fromfirst"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(home.StoreFile()));
    ASSERT_TRUE(first.Close());
    second.Write("FromSecond", RegDataFromText("two"));
    ASSERT_TRUE(second.Close());

    const TRegParseResult stored = ParseStore(home);
    EXPECT_FALSE(stored.Damaged);
    EXPECT_EQ(stored.Values.at("FromFirst"), RegDataFromDword(1));
    EXPECT_EQ(stored.Values.at("FromSecond"), RegDataFromText("two"));
    EXPECT_EQ(home.ReadStore().rfind("[HKEY_CURRENT_USER\\Software\\Zyl\\Vexaline\\Velm]\n", 0),
              0u);
    // Only the store and its lock file remain: no temporary files.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home.StoreFile().parent_path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Velm.reg", "Velm.reg.lock"}));
}

TEST(RegStoreTest, ADamagedFileIsKeptAsBadBeforeItIsRewritten) {
    ScratchConfigHome home;
    const std::string damaged =
        std::string("\"Kept\"=dword:00000007\n\x00\x01garbage\n", 32) + "\"Cut\"=\"no end";
    home.WriteStore(damaged);
    TRegStoreKey key;
    ASSERT_TRUE(key.Open(kKey));
    ASSERT_NE(key.Find("Kept"), nullptr);
    EXPECT_EQ(key.Find("Cut"), nullptr);
    key.Write("New", RegDataFromDword(1));
    ASSERT_TRUE(key.Close());

    const auto bad = home.StoreFile().string() + ".bad";
    EXPECT_EQ(ScratchConfigHome::ReadText(bad), damaged);
    const TRegParseResult stored = ParseStore(home);
    EXPECT_FALSE(stored.Damaged);
    EXPECT_EQ(stored.Values.size(), 2u);
    // A clean file is rewritten without another copy.
    std::filesystem::remove(bad);
    SaveOne("Other", RegDataFromDword(2));
    EXPECT_FALSE(std::filesystem::exists(bad));
}

TEST(RegStoreTest, AKeyThatCannotBeReadWritesNothing) {
    ScratchConfigHome home;
    // The store's name taken by a folder: it exists but cannot be read.
    std::filesystem::create_directories(home.StoreFile());
    TRegStoreKey key;
    EXPECT_FALSE(key.Open(kKey));
    key.Write("X", RegDataFromDword(1));
    EXPECT_TRUE(key.Close());
    EXPECT_TRUE(std::filesystem::is_directory(home.StoreFile()));
    // A pipe in the file's place is not waited on.
    std::filesystem::remove(home.StoreFile());
    ASSERT_EQ(::mkfifo(home.StoreFile().c_str(), 0600), 0);
    EXPECT_FALSE(key.Open(kKey));
    // The key's folder cannot be made.
    std::ofstream(home.Path / "Blocked") << "a file";
    EXPECT_FALSE(key.Open("Software\\Blocked\\Velm"));
}

// Several processes save their own value and a shared one in a loop while
// another keeps reading the file: every read parses whole, and afterwards
// the file holds each process's last value.
TEST(RegStoreTest, ConcurrentSavesFromSeveralProcessesLoseNothing) {
    ScratchConfigHome home;
    constexpr int kWriters = 4;
    constexpr int kRounds = 40;
    SaveOne("Start", RegDataFromDword(0));
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int round = 1; round <= kRounds; ++round) {
                TRegStoreKey key;
                if (!key.Open(kKey))
                    ::_exit(2);
                key.Write("Writer" + std::to_string(writer), RegDataFromDword(round));
                key.Write("Shared", RegDataFromDword(writer * 1000 + round));
                if (!key.Close())
                    ::_exit(3);
            }
            ::_exit(0);
        }
        children.push_back(pid);
    }
    const pid_t reader = ::fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        for (int i = 0; i < 400; ++i) {
            TRegParseResult result;
            if (!ReadRegFile(home.StoreFile().string(), result) || result.Damaged ||
                result.Values.count("Start") == 0)
                ::_exit(4);
        }
        ::_exit(0);
    }
    children.push_back(reader);
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    }

    const TRegParseResult stored = ParseStore(home);
    EXPECT_FALSE(stored.Damaged);
    for (int writer = 0; writer < kWriters; ++writer)
        EXPECT_EQ(stored.Values.at("Writer" + std::to_string(writer)), RegDataFromDword(kRounds));
    const std::vector<uint8_t>& shared = stored.Values.at("Shared").Bytes;
    ASSERT_EQ(shared.size(), 4u);
    EXPECT_EQ((shared[0] | shared[1] << 8) % 1000, kRounds);
    EXPECT_FALSE(std::filesystem::exists(home.StoreFile().string() + ".bad"));
}
