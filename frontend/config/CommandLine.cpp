// The command line: files and folders for the playlist, and switches.
#include "frontend/config/GlobalConfig.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <strings.h>
#include <unistd.h>

namespace {

// Only "-" begins a switch. "/" begins every absolute path on this system,
// so taking it for a switch would drop every absolute file name given.
bool IsSwitch(const std::string& argument) {
    return !argument.empty() && argument[0] == '-';
}

// A whole decimal number that fits 32 bits, else fallback.
int NumberOr(const std::string& text, int fallback) {
    if (text.empty())
        return fallback;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT_MIN || value > INT_MAX)
        return fallback;
    return static_cast<int>(value);
}

class TArgumentWalk {
public:
    explicit TArgumentWalk(const std::vector<std::string>& args) : Args(args) {}

    bool Done() const { return Next >= Args.size(); }
    const std::string& Take() { return Args[Next++]; }
    bool HasFollowing() const { return Next < Args.size(); }
    // The number in the following argument, consumed, when that argument is
    // not a switch itself. A missing argument reads as an unreadable number.
    bool TakeNumber(int fallback, int& number) {
        if (HasFollowing() && IsSwitch(Args[Next]))
            return false;
        number = HasFollowing() ? NumberOr(Take(), fallback) : fallback;
        return true;
    }

private:
    const std::vector<std::string>& Args;
    size_t Next = 0;
};

} // namespace

std::string VxProgramFolder() {
    std::string path(PATH_MAX, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0)
        return "";
    path.resize(static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

void TGlobalConfigTAG::ParseCommandLine(const std::vector<std::string>& args,
                                        std::vector<std::string>& files) {
    ProgramFolder = VxProgramFolder();
    files.clear();
    TArgumentWalk walk(args);
    while (!walk.Done()) {
        const std::string& argument = walk.Take();
        if (!IsSwitch(argument)) {
            files.push_back(argument);
            continue;
        }
        const char* name = argument.c_str() + 1;
        int number = 0;
        if (strcasecmp(name, "sc") == 0) {
            if (walk.HasFollowing() && walk.TakeNumber(0, number))
                OutputDevice.Value = number;
        } else if (strcasecmp(name, "log") == 0) {
            ErrorLog.Value = 1;
            LogSwitch = true;
        } else if (strcasecmp(name, "x") == 0) {
            if (walk.TakeNumber(-1, number))
                StartX.Value = number;
        } else if (strcasecmp(name, "y") == 0) {
            if (walk.TakeNumber(-1, number))
                StartY.Value = number;
        } else if (strcasecmp(name, "key") == 0) {
            if (walk.TakeNumber(0, number) && number >= 1 && number <= 12)
                HotKey = number;
        }
    }
}
