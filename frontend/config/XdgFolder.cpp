#include "frontend/config/XdgFolder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

// $HOME, else the password database's entry for this user.
std::string UserHome() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir != nullptr && found->pw_dir[0] == '/')
        return found->pw_dir;
    return "";
}

// "/home/me/" and "/home/me" name one folder; paths built on it then read
// the same. "/" stays itself.
std::string WithoutTrailingSeparators(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::string VxXdgFolder(const char* variable, const char* homeRelative) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/')
        return WithoutTrailingSeparators(value);
    const std::string home = UserHome();
    return home.empty() ? "" : WithoutTrailingSeparators(home) + "/" + homeRelative;
}
