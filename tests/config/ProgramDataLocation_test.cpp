#include "frontend/config/ProgramDataLocation.h"

#include "tests/ScopedEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// A scratch tree in the temporary folder, which every user may enter, so
// that an unprivileged user sees exactly the modes set here.
class TScratch {
public:
    TScratch() : Root(fs::temp_directory_path() / ("vx-data-" + std::to_string(::getpid()))) {
        fs::remove_all(Root);
        Folder("", 0755);
    }
    ~TScratch() {
        // Read-only folders keep their files even from their owner.
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(Root, ignored))
            if (entry.is_directory(ignored))
                ::chmod(entry.path().c_str(), 0700);
        fs::remove_all(Root, ignored);
    }

    std::string Folder(const std::string& name, mode_t mode) const {
        const fs::path path = Root / name;
        fs::create_directories(path);
        ::chmod(path.c_str(), mode);
        return path.string() + "/";
    }

    void File(const std::string& name, mode_t mode) const {
        std::ofstream(Root / name) << "old line\n";
        ::chmod((Root / name).c_str(), mode);
    }

    fs::path Root;
};

// Runs the work as a user without privileges: as root in a child process
// that becomes "nobody" (root writes wherever it likes, which would hide
// every refusal), otherwise here. The work's lines come back as its result.
std::vector<std::string> AsUnprivilegedUser(const std::function<std::vector<std::string>()>& work) {
    if (::geteuid() != 0)
        return work();
    int channel[2];
    if (::pipe(channel) != 0)
        return {"no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        std::string lines;
        for (const std::string& line : work())
            lines += line + "\n";
        const bool written =
            ::write(channel[1], lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(channel[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {"the unprivileged child failed with status " + std::to_string(status)};
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

mode_t ModeOf(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

} // namespace

// An installed copy's folder cannot be written by its user: its files must
// go to the user's state folder instead of being lost without a word.
TEST(ProgramDataLocation, BesideTheProgramOnlyWhereTheUserMayWrite) {
    const TScratch scratch;
    const std::string state = scratch.Folder("state", 0777);
    const TScopedEnv stateHome("XDG_STATE_HOME", state.c_str());
    const std::string name = "vexaline.m3u";
    scratch.Folder("ro-with-file", 0777);
    scratch.File("ro-with-file/" + name, 0666);
    scratch.Folder("ro-with-another-file", 0777);
    scratch.File("ro-with-another-file/vxs.log", 0666);
    scratch.Folder("rw-with-ro-file", 0777);
    scratch.File("rw-with-ro-file/" + name, 0444);
    const struct {
        const char* Case;
        std::string ProgramFolder;
        bool Beside;
    } cases[] = {
        {"writable folder", scratch.Folder("rw", 0777), true},
        {"read-only folder", scratch.Folder("ro", 0555), false},
        {"read-only folder with the file writable", scratch.Folder("ro-with-file", 0555), true},
        {"read-only folder with another file writable",
         scratch.Folder("ro-with-another-file", 0555), false},
        {"writable folder with the file read-only", scratch.Folder("rw-with-ro-file", 0777), false},
        {"missing folder", (scratch.Root / "missing/").string(), false},
        {"no folder known", "", false},
    };
    const std::vector<std::string> chosen = AsUnprivilegedUser([&] {
        std::vector<std::string> paths;
        for (const auto& c : cases)
            paths.push_back(VxProgramDataPath(c.ProgramFolder, name));
        return paths;
    });
    ASSERT_EQ(chosen.size(), std::size(cases)) << (chosen.empty() ? "" : chosen.front());
    for (size_t i = 0; i < chosen.size(); ++i)
        EXPECT_EQ(chosen[i],
                  cases[i].Beside ? cases[i].ProgramFolder + name : state + "Vexaline/" + name)
            << cases[i].Case;
    EXPECT_EQ(ModeOf(state + "Vexaline"), 0700u);
}

TEST(ProgramDataLocation, TheStateFolderFollowsTheBaseDirectoryRules) {
    const TScratch scratch;
    const std::string home = scratch.Folder("home", 0700);
    const TScopedEnv userHome("HOME", home.c_str());
    const std::string missing = (scratch.Root / "missing/").string();
    const std::string homeState = home + ".local/state/Vexaline/vxs.log";
    const struct {
        const char* StateHome;
        std::string Expected;
    } cases[] = {
        {nullptr, homeState},
        {"", homeState},
        {"relative/state", homeState},
        {"/proc/no-such-state", "/proc/no-such-state/Vexaline/vxs.log"},
    };
    for (const auto& c : cases) {
        const TScopedEnv stateHome("XDG_STATE_HOME", c.StateHome);
        EXPECT_EQ(VxProgramDataPath(missing, "vxs.log"), c.Expected)
            << (c.StateHome ? c.StateHome : "unset");
    }
    // Made with every missing parent, owner-only.
    EXPECT_EQ(ModeOf(home + ".local/state/Vexaline"), 0700u);
    EXPECT_EQ(ModeOf(home + ".local"), 0700u);
}
