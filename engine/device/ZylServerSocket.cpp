#include "engine/device/ZylServerSocket.h"

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

} // namespace

bool ZylSocketAnswers(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

std::string ZylPipeWireSocketPath() {
    std::string name = Env("PIPEWIRE_REMOTE");
    if (name.empty())
        name = "pipewire-0";
    if (name[0] == '/')
        return name;
    for (const char* variable : {"PIPEWIRE_RUNTIME_DIR", "XDG_RUNTIME_DIR", "USERPROFILE"}) {
        const std::string folder = Env(variable);
        if (!folder.empty())
            return folder + "/" + name;
    }
    return "";
}

std::string ZylPulseSocketPath() {
    if (!Env("PULSE_SERVER").empty())
        return "";
    std::string folder = Env("PULSE_RUNTIME_PATH");
    if (folder.empty() && !Env("XDG_RUNTIME_DIR").empty())
        folder = Env("XDG_RUNTIME_DIR") + "/pulse";
    return folder.empty() ? "" : folder + "/native";
}
